#include "TFrame2.h"

#include "PanelHost.h"
#include "WebLabel.h"

namespace tolvex::app {

TFrame2::TFrame2(PanelHost &host, QWidget *parent) : LinkPanel("TFrame2", host, parent)
{
    connect(addLink("sWebLabel3", QStringLiteral("Панель задач")), &WebLabel::clicked, this,
            &TFrame2::sWebLabel3Click);
    connect(addLink("sWebLabel1", QStringLiteral("Настройка системы")), &WebLabel::clicked, this,
            &TFrame2::sWebLabel1Click);
    connect(addLink("sWebLabel2", QStringLiteral("Настройка корзины")), &WebLabel::clicked, this,
            &TFrame2::sWebLabel2Click);
    connect(addLink("sWebLabel4", QStringLiteral("Настройка проводника")), &WebLabel::clicked, this,
            &TFrame2::sWebLabel4Click);
    finishLinks();
}

void TFrame2::sWebLabel1Click()
{
    m_host.showPage(18);
}
void TFrame2::sWebLabel2Click()
{
    m_host.showPage(19);
}
void TFrame2::sWebLabel3Click()
{
    m_host.showPage(17);
}
void TFrame2::sWebLabel4Click()
{
    m_host.showPage(20);
}

} // namespace tolvex::app
