#include "HintPanel.h"

#include <QLabel>

namespace tolvex::ui {

HintPanel::HintPanel(int width0, int width1, QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    const int widths[2] = {width0, width1};
    for (int i = 0; i < 2; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setFixedWidth(widths[i]);
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        addWidget(m_panels[i]);
    }
}

void HintPanel::setHint(const QString &tooltip, const QString &panel0, const QString &panel1)
{
    setToolTip(tooltip);
    m_panels[0]->setText(panel0);
    m_panels[1]->setText(panel1);
}

QString HintPanel::panelText(int panel) const { return m_panels[panel]->text(); }

} // namespace tolvex::ui
