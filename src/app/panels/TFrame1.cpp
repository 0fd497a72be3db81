#include "TFrame1.h"

#include "PanelHost.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex::app {

TFrame1::TFrame1(PanelHost &host, QWidget *parent)
    : QFrame(parent), m_host(host), m_group(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("TFrame1"));
    setFrameShape(QFrame::StyledPanel);
    m_group->setExclusive(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    sBitBtn1 = addButton("sBitBtn1", QStringLiteral("Windows"),
                         QStringLiteral("Позваляет просканировать и очистить систему и Windows приложения"));
    sBitBtn2 = addButton("sBitBtn2", QStringLiteral("Реестр"),
                         QStringLiteral("Поиск и устранение неисправностей реестра"));
    sBitBtn3 = addButton("sBitBtn3", QStringLiteral("Приложения"),
                         QStringLiteral("Позваляет удалить необходимое приложение из ОС"));
    sBitBtn4 =
        addButton("sBitBtn4", QStringLiteral(" Дублькилл"), QStringLiteral("Поиск дублированных файлов"));
    layout->addStretch(1);
    connect(sBitBtn1, &QPushButton::clicked, this, &TFrame1::sBitBtn1Click);
    connect(sBitBtn2, &QPushButton::clicked, this, &TFrame1::sBitBtn2Click);
    connect(sBitBtn3, &QPushButton::clicked, this, &TFrame1::sBitBtn3Click);
    connect(sBitBtn4, &QPushButton::clicked, this, &TFrame1::sBitBtn4Click);
}

QPushButton *TFrame1::addButton(const char *name, const QString &caption, const QString &hint)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setMinimumHeight(30);
    m_group->addButton(button);
    layout()->addWidget(button);
    return button;
}

void TFrame1::sBitBtn1Click()
{
    m_host.showPage(0);
}

void TFrame1::sBitBtn2Click()
{
    m_host.showPage(1);
}

void TFrame1::sBitBtn3Click()
{
    m_host.runCommand([this] {
        m_host.showPage(2);
        m_host.BuildApplicationTree();
    });
}

void TFrame1::sBitBtn4Click()
{
    m_host.showPage(12);
}

} // namespace tolvex::app
