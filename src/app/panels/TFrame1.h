#pragma once

#include <QFrame>

class QButtonGroup;
class QPushButton;

namespace tolvex::app {

class PanelHost;

// "Очистка": the four buttons of the cleaning pages, one radio group.
class TFrame1 : public QFrame
{
    Q_OBJECT

public:
    TFrame1(PanelHost &host, QWidget *parent = nullptr);

    QPushButton *sBitBtn1 = nullptr;
    QPushButton *sBitBtn2 = nullptr;
    QPushButton *sBitBtn3 = nullptr;
    QPushButton *sBitBtn4 = nullptr;

public slots:
    void sBitBtn1Click();
    void sBitBtn2Click();
    void sBitBtn3Click();
    void sBitBtn4Click();

private:
    QPushButton *addButton(const char *name, const QString &caption, const QString &hint);

    PanelHost &m_host;
    QButtonGroup *m_group;
};

} // namespace tolvex::app
