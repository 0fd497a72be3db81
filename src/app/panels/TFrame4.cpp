#include "TFrame4.h"

#include "PanelHost.h"
#include "WebLabel.h"

namespace tolvex::app {

TFrame4::TFrame4(PanelHost &host, QWidget *parent) : LinkPanel("TFrame4", host, parent)
{
    WebLabel *backup = addLink("sWebLabel4", QStringLiteral("Бекап реестра"));
    backup->setToolTip(
        QStringLiteral("Позволяет сделать резервную копию текущих данных в реестре. Это поможет "
                       "при настройки системы от критических глюков."));
    connect(backup, &WebLabel::clicked, this, &TFrame4::sWebLabel4Click);
    WebLabel *general = addLink("sWebLabel3", QStringLiteral("Общие"));
    general->hide();
    connect(general, &WebLabel::clicked, this, &TFrame4::sWebLabel3Click);
    finishLinks();
}

int TFrame4::backupPage(const PanelHost &host)
{
    return host.vistaGeneration() ? 21 : 14;
}

void TFrame4::sWebLabel3Click()
{
    m_host.showPage(13);
}

void TFrame4::sWebLabel4Click()
{
    m_host.showPage(backupPage(m_host));
}

} // namespace tolvex::app
