#pragma once

#include "LinkPanel.h"

namespace tolvex::app {

// "Параметры MS Windows Vista": the links of the Vista tweak pages.
class TFrame2 : public LinkPanel
{
    Q_OBJECT

public:
    TFrame2(PanelHost &host, QWidget *parent = nullptr);

public slots:
    void sWebLabel1Click();
    void sWebLabel2Click();
    void sWebLabel3Click();
    void sWebLabel4Click();
};

} // namespace tolvex::app
