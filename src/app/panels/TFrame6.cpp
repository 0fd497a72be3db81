#include "TFrame6.h"

#include "PanelHost.h"
#include "WebLabel.h"

namespace tolvex::app {

TFrame6::TFrame6(PanelHost &host, QWidget *parent) : LinkPanel("TFrame6", host, parent)
{
    connect(addLink("sWebLabel3", QStringLiteral("Конвертирование")), &WebLabel::clicked, this,
            &TFrame6::sWebLabel3Click);
    finishLinks();
}

void TFrame6::sWebLabel3Click()
{
    m_host.showPage(16);
}

} // namespace tolvex::app
