#pragma once

#include "LinkPanel.h"

namespace tolvex::app {

// "Параметры MS Windows XP": the links of the XP tweak pages.
class TFrame3 : public LinkPanel
{
    Q_OBJECT

public:
    TFrame3(PanelHost &host, QWidget *parent = nullptr);

public slots:
    void sWebLabel1Click();
    void sWebLabel2Click();
    void sWebLabel3Click();
    void sWebLabel4Click();
    void sWebLabel5Click();
    void sWebLabel6Click();
    void sWebLabel7Click();
    void sWebLabel8Click();
    void sWebLabel9Click();
};

} // namespace tolvex::app
