#pragma once

#include "LinkPanel.h"

namespace tolvex::app {

// "Мультимедия": the converter's link.
class TFrame6 : public LinkPanel
{
    Q_OBJECT

public:
    TFrame6(PanelHost &host, QWidget *parent = nullptr);

public slots:
    void sWebLabel3Click();
};

} // namespace tolvex::app
