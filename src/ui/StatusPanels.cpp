#include "StatusPanels.h"

#include <QLabel>

namespace tolvex::ui {

StatusPanels::StatusPanels(const QList<int> &widths, QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int width : widths) {
        auto *panel = new QLabel(this);
        panel->setFixedWidth(width);
        panel->setFrameShape(QFrame::StyledPanel);
        addWidget(panel);
        m_panels.append(panel);
    }
}

void StatusPanels::setPanelText(int panel, const QString &text) { m_panels.at(panel)->setText(text); }

QString StatusPanels::panelText(int panel) const { return m_panels.at(panel)->text(); }

int StatusPanels::panelWidth(int panel) const { return m_panels.at(panel)->width(); }

} // namespace tolvex::ui
