#pragma once

#include "LinkPanel.h"

namespace tolvex::app {

// "Опции": the tweak backups of the current generation, and the options page behind a hidden link.
class TFrame4 : public LinkPanel
{
    Q_OBJECT

public:
    TFrame4(PanelHost &host, QWidget *parent = nullptr);

    // The backup page of the generation: asked again at every use.
    static int backupPage(const PanelHost &host);

public slots:
    void sWebLabel3Click();
    void sWebLabel4Click();
};

} // namespace tolvex::app
