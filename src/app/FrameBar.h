#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QToolButton;
class QVBoxLayout;

namespace tolvex::app {

// An accordion of titled items, at most one open. An item's panel exists only while the item is
// open: opening calls the item's creation handler, which makes the panel and hands it over with
// setFrame(); closing destroys it.
class FrameBar : public QWidget
{
    Q_OBJECT

public:
    using CreateFrame = std::function<void()>;

    explicit FrameBar(QWidget *parent = nullptr);

    // The item's widgets are named <bar>Items<index> and <bar>Items<index>Title.
    int addItem(const QString &title, CreateFrame onCreate);
    int count() const { return int(m_items.size()); }
    QString title(int index) const;
    QToolButton *titleButton(int index) const;

    // A hidden item takes no space and cannot be opened; hiding the open item closes it.
    void setItemHidden(int index, bool hidden);
    bool isItemHidden(int index) const;

    int openIndex() const { return m_open; }
    // Nothing happens for the open item, a hidden one, or while another item is being opened.
    void openItem(int index);
    void setFrame(int index, QWidget *frame);
    QWidget *frame(int index) const;

private:
    struct Item
    {
        QWidget *box = nullptr;
        QToolButton *title = nullptr;
        QWidget *area = nullptr;
        QPointer<QWidget> frame;
        CreateFrame onCreate;
        bool hidden = false;
    };

    void closeOpenItem();
    void showState(int index);

    QVBoxLayout *m_layout;
    std::vector<Item> m_items;
    int m_open = -1;
    bool m_opening = false;
};

} // namespace tolvex::app
