#include "TAddFolderDialog.h"

#include "shell/ShellServices.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvex::ui {

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int FilledRole = Qt::UserRole + 1;
} // namespace

TAddFolderDialog::TAddFolderDialog(platform::ShellServices &shell, QWidget *parent) : QDialog(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("TAddFolderDialog"));
    setWindowTitle(QStringLiteral("Выбор папки"));
    auto *layout = new QVBoxLayout(this);
    ShellTreeView = new QTreeWidget(this);
    ShellTreeView->setObjectName(QStringLiteral("ShellTreeView"));
    ShellTreeView->setHeaderHidden(true);
    ShellTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    // A right click selects, as a left one does.
    connect(ShellTreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (QTreeWidgetItem *item = ShellTreeView->itemAt(at))
            ShellTreeView->setCurrentItem(item);
    });
    connect(ShellTreeView, &QTreeWidget::itemExpanded, this, &TAddFolderDialog::fill);
    layout->addWidget(ShellTreeView);

    auto *buttons = new QDialogButtonBox(this);
    OkButton = buttons->addButton(QStringLiteral("Добавить"), QDialogButtonBox::AcceptRole);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    CancelButton = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        const QTreeWidgetItem *item = ShellTreeView->currentItem();
        m_chosen = item ? pathOf(item) : QString();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setFixedSize(320, 400);

    const QIcon driveIcon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const platform::DriveEntry &drive : shell.drives()) {
        auto *item = new QTreeWidgetItem(ShellTreeView, {drive.root});
        item->setIcon(0, driveIcon);
        item->setData(0, PathRole, drive.root);
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
}

int TAddFolderDialog::exec()
{
    m_chosen.clear();
    return QDialog::exec();
}

QString TAddFolderDialog::pathOf(const QTreeWidgetItem *item) { return item->data(0, PathRole).toString(); }

// Children are listed when a folder is first opened: a whole drive is never walked up front.
void TAddFolderDialog::fill(QTreeWidgetItem *item)
{
    if (item->data(0, FilledRole).toBool())
        return;
    item->setData(0, FilledRole, true);
    QString folder = pathOf(item);
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    QStringList names;
    for (const platform::FoundEntry &entry :
         m_shell.listFolder(folder, QStringLiteral("*"), platform::ShellServices::Detail::KindOnly))
        if (entry.isFolder && entry.name != u"." && entry.name != u"..")
            names.append(entry.name);
    std::sort(names.begin(), names.end(),
              [this](const QString &a, const QString &b) { return m_shell.compareText(a, b) < 0; });
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QString &name : names) {
        auto *child = new QTreeWidgetItem(item, {name});
        child->setIcon(0, folderIcon);
        child->setData(0, PathRole, folder + name);
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (names.isEmpty())
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

bool TAddFolderDialog::selectPath(const QString &path)
{
    QTreeWidgetItem *item = nullptr;
    for (int i = 0; i < ShellTreeView->topLevelItemCount(); ++i) {
        QTreeWidgetItem *root = ShellTreeView->topLevelItem(i);
        if (path.startsWith(pathOf(root), Qt::CaseInsensitive))
            item = root;
    }
    if (!item)
        return false;
    const QStringList names = path.mid(pathOf(item).size()).split(u'\\', Qt::SkipEmptyParts);
    for (const QString &name : names) {
        item->setExpanded(true);
        fill(item);
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0).compare(name, Qt::CaseInsensitive) == 0)
                next = item->child(i);
        if (!next)
            return false;
        item = next;
    }
    ShellTreeView->setCurrentItem(item);
    return true;
}

} // namespace tolvex::ui
