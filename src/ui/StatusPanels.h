#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

namespace tolvex::ui {

// A status bar of fixed-width text panels.
class StatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    StatusPanels(const QList<int> &widths, QWidget *parent = nullptr);

    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    int panelWidth(int panel) const;

private:
    QList<QLabel *> m_panels;
};

} // namespace tolvex::ui
