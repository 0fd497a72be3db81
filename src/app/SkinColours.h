#pragma once

#include <QColor>
#include <QPalette>

namespace tolvex::app {

// The hue and saturation of the options page's sliders, applied to a copy of the palette the
// program started with, so that moving a slider back restores the colours exactly.
class SkinColours
{
public:
    explicit SkinColours(const QPalette &base) : m_base(base) {}

    // Hue slider, -100 .. 100: the hue turns by position * 1.8 degrees (a full half turn either way).
    void setHue(int position) { m_hue = position; }
    // Saturation slider, 0 .. 100: the percentage of each colour's own saturation that is kept,
    // so 100 leaves the colours as they were and 0 makes every colour grey.
    void setSaturation(int position) { m_saturation = position; }
    int hue() const { return m_hue; }
    int saturation() const { return m_saturation; }

    QPalette palette() const;
    static QColor recolour(const QColor &colour, double hueDegrees, double saturationFactor);

private:
    QPalette m_base;
    int m_hue = 0;
    int m_saturation = 100;
};

} // namespace tolvex::app
