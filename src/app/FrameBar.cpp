#include "FrameBar.h"

#include <QScopeGuard>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvex::app {

FrameBar::FrameBar(QWidget *parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(1);
    m_layout->addStretch(1);
}

int FrameBar::addItem(const QString &title, CreateFrame onCreate)
{
    const int index = count();
    Item item;
    item.onCreate = std::move(onCreate);
    item.box = new QWidget(this);
    item.box->setObjectName(QStringLiteral("%1Items%2").arg(objectName()).arg(index));
    auto *boxLayout = new QVBoxLayout(item.box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    boxLayout->setSpacing(0);

    item.title = new QToolButton(item.box);
    item.title->setObjectName(item.box->objectName() + QStringLiteral("Title"));
    item.title->setText(title);
    item.title->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    item.title->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    item.title->setMinimumHeight(26);
    boxLayout->addWidget(item.title);

    item.area = new QWidget(item.box);
    auto *areaLayout = new QVBoxLayout(item.area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    item.area->hide();
    boxLayout->addWidget(item.area, 1);

    connect(item.title, &QToolButton::clicked, this, [this, index] { openItem(index); });
    m_layout->insertWidget(index, item.box);
    m_items.push_back(std::move(item));
    showState(index);
    return index;
}

QString FrameBar::title(int index) const
{
    return m_items.at(index).title->text();
}

QToolButton *FrameBar::titleButton(int index) const
{
    return m_items.at(index).title;
}

void FrameBar::setItemHidden(int index, bool hidden)
{
    Item &item = m_items.at(index);
    if (hidden && index == m_open) closeOpenItem();
    item.hidden = hidden;
    item.box->setHidden(hidden);
}

bool FrameBar::isItemHidden(int index) const
{
    return m_items.at(index).hidden;
}

void FrameBar::openItem(int index)
{
    if (index < 0 || index >= count() || index == m_open || m_opening || m_items[index].hidden) return;
    // A handler that lets pending events run must not start a second opening meanwhile.
    m_opening = true;
    const auto opened = qScopeGuard([this] { m_opening = false; });

    closeOpenItem();
    m_open = index;
    Item &item = m_items[index];
    item.area->show();
    m_layout->setStretch(index, 1);
    m_layout->setStretch(count(), 0);
    showState(index);
    if (item.onCreate) item.onCreate();
}

void FrameBar::setFrame(int index, QWidget *frame)
{
    Item &item = m_items.at(index);
    if (item.frame == frame) return;
    if (item.frame) {
        item.frame->hide();
        item.frame->deleteLater();
    }
    item.frame = frame;
    item.area->layout()->addWidget(frame);
    frame->show();
}

QWidget *FrameBar::frame(int index) const
{
    return m_items.at(index).frame;
}

void FrameBar::closeOpenItem()
{
    if (m_open < 0) return;
    Item &item = m_items[m_open];
    if (item.frame) {
        item.area->layout()->removeWidget(item.frame);
        item.frame->hide();
        item.frame->deleteLater();
        item.frame = nullptr;
    }
    item.area->hide();
    m_layout->setStretch(m_open, 0);
    m_layout->setStretch(count(), 1);
    const int closed = m_open;
    m_open = -1;
    showState(closed);
}

void FrameBar::showState(int index)
{
    m_items[index].title->setArrowType(index == m_open ? Qt::DownArrow : Qt::RightArrow);
}

} // namespace tolvex::app
