#pragma once

#include <QStatusBar>

class QLabel;

namespace tolvex::ui {

// The two-panel hint bar at the foot of a tweak page; its tooltip shows while the pointer
// rests on the bar.
class HintPanel : public QStatusBar
{
    Q_OBJECT

public:
    HintPanel(int width0, int width1, QWidget *parent = nullptr);

    void setHint(const QString &tooltip, const QString &panel0, const QString &panel1);
    QString panelText(int panel) const;

private:
    QLabel *m_panels[2];
};

} // namespace tolvex::ui
