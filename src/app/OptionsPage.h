#pragma once

#include "SkinColours.h"

#include <QWidget>

class QComboBox;

namespace tolvex::app {

class TrackBar;

// Page 13, "Опции \"Общие\"": the skin chooser and the colour sliders; its other controls have
// no action.
class OptionsPage : public QWidget
{
    Q_OBJECT

public:
    explicit OptionsPage(QWidget *parent = nullptr);

    QComboBox *ComboSkin = nullptr;
    TrackBar *sTrackBar1 = nullptr;
    TrackBar *sTrackBar2 = nullptr;
    QComboBox *sComboBox1 = nullptr;

public slots:
    void sTrackBar1MouseUp();
    void sTrackBar2MouseUp();

private:
    SkinColours m_colours;
};

} // namespace tolvex::app
