#include "SkinColours.h"

#include <algorithm>
#include <cmath>

namespace tolvex::app {

QPalette SkinColours::palette() const
{
    const double degrees = m_hue * 1.8;
    const double factor = m_saturation / 100.0;
    QPalette result = m_base;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = QPalette::ColorGroup(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = QPalette::ColorRole(r);
            result.setColor(group, role, recolour(m_base.color(group, role), degrees, factor));
        }
    }
    return result;
}

QColor SkinColours::recolour(const QColor &colour, double hueDegrees, double saturationFactor)
{
    if (hueDegrees == 0 && saturationFactor == 1) return colour;
    float h, s, v, a;
    colour.toHsv().getHsvF(&h, &s, &v, &a);
    double hue = h < 0 ? 0 : h * 360.0; // a grey has no hue
    hue = std::fmod(hue + hueDegrees, 360.0);
    if (hue < 0) hue += 360.0;
    const double saturation = std::clamp(s * saturationFactor, 0.0, 1.0);
    return QColor::fromHsvF(float(hue / 360.0), float(saturation), v, a).toRgb();
}

} // namespace tolvex::app
