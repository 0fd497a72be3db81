#include "TFrame3.h"

#include "PanelHost.h"
#include "WebLabel.h"

namespace tolvex::app {

TFrame3::TFrame3(PanelHost &host, QWidget *parent) : LinkPanel("TFrame3", host, parent)
{
    connect(addLink("sWebLabel2", QStringLiteral("Настройка рабочего стола")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel2Click);
    connect(addLink("sWebLabel4", QStringLiteral("Настройки проводника")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel4Click);
    connect(addLink("sWebLabel5", QStringLiteral("Сетевая безопасность")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel5Click);
    connect(addLink("sWebLabel1", QStringLiteral("Системные настройки")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel1Click);
    connect(addLink("sWebLabel3", QStringLiteral("Настройка Корзины")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel3Click);
    connect(addLink("sWebLabel9", QStringLiteral("Вход в систему ")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel9Click);
    connect(addLink("sWebLabel6", QStringLiteral("Панель задач")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel6Click);
    connect(addLink("sWebLabel7", QStringLiteral("Меню \"Пуск\"")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel7Click);
    connect(addLink("sWebLabel8", QStringLiteral("Приложения")), &WebLabel::clicked, this,
            &TFrame3::sWebLabel8Click);
    finishLinks();
}

void TFrame3::sWebLabel1Click()
{
    m_host.showPage(3);
}
void TFrame3::sWebLabel2Click()
{
    m_host.showPage(4);
}
void TFrame3::sWebLabel3Click()
{
    m_host.showPage(5);
}
void TFrame3::sWebLabel4Click()
{
    m_host.showPage(6);
}
void TFrame3::sWebLabel5Click()
{
    m_host.showPage(7);
}
void TFrame3::sWebLabel6Click()
{
    m_host.showPage(8);
}
void TFrame3::sWebLabel7Click()
{
    m_host.showPage(9);
}
void TFrame3::sWebLabel8Click()
{
    m_host.showPage(10);
}
void TFrame3::sWebLabel9Click()
{
    m_host.showPage(11);
}

} // namespace tolvex::app
