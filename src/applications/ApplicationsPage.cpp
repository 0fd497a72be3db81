#include "ApplicationsPage.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "ProgramContext.h"

#include "Named.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvex::applications {

using ui::Dialogs;
using ui::named;

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    return named(new QPushButton(text, parent), name);
}

QAction *menuItem(QMenu *menu, const QString &text, const char *name)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

ApplicationsPage::ApplicationsPage(platform::ProgramContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_applications(context.machine.registry(), context.shell),
      m_startup(context.machine.registry(), context.shell)
{
    setObjectName(QStringLiteral("sTabSheet3"));
    auto *outer = new QVBoxLayout(this);
    // Tight margins: the grid's three designed columns need 409 pixels of the page's 432.
    outer->setContentsMargins(0, 0, 0, 0);
    auto *group = named(new QGroupBox(QStringLiteral("Приложения"), this), "applicationsGroup");
    outer->addWidget(group);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(2, 2, 2, 2);
    tabs = named(new QTabWidget(group), "tabs");
    groupLayout->addWidget(tabs);
    tabs->addTab(buildUninstallTab(), QStringLiteral("Удаление"));
    tabs->addTab(buildStartupTab(), QStringLiteral("Автозагрузка"));
    showCategories({});
}

QWidget *ApplicationsPage::buildUninstallTab()
{
    sTabSheet13 = named(new QWidget, "sTabSheet13");
    auto *layout = new QVBoxLayout(sTabSheet13);
    layout->setContentsMargins(2, 2, 2, 2);
    sTreeView1 = named(new QTreeWidget(sTabSheet13), "sTreeView1");
    sTreeView1->setHeaderHidden(true);
    sTreeView1->setColumnCount(1);
    sTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    sTreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont times(QStringLiteral("Times New Roman"));
    times.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    times.setStyleHint(QFont::Serif);
    times.setPixelSize(16);
    sTreeView1->setFont(times);
    layout->addWidget(sTreeView1, 1);

    auto *actions = named(new QGroupBox(QStringLiteral("Действия:"), sTabSheet13), "actionsGroup");
    auto *buttons = new QHBoxLayout(actions);
    sButton12 = button(QStringLiteral("Удалить приложение"), "sButton12", actions);
    sButton11 = button(QStringLiteral("Обновить"), "sButton11", actions);
    sButton13 = button(QStringLiteral("Удалить из списка"), "sButton13", actions);
    buttons->addWidget(sButton12);
    buttons->addWidget(sButton11);
    buttons->addWidget(sButton13);
    layout->addWidget(actions);

    PopupMenu3 = named(new QMenu(sTreeView1), "PopupMenu3");
    QAction *n9 = menuItem(PopupMenu3, QStringLiteral("Удалить приложение"), "N9");
    QAction *n11 = menuItem(PopupMenu3, QStringLiteral("Обновить"), "N11");
    QAction *n12 = menuItem(PopupMenu3, QStringLiteral("Удалить из списка"), "N12");
    sTreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sTreeView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu3->popup(sTreeView1->viewport()->mapToGlobal(at)); });

    const auto uninstall = [this] { command([this] { sButton12Click(); }); };
    const auto refresh = [this] { command([this] { sButton11Click(); }); };
    const auto remove = [this] { command([this] { sButton13Click(); }); };
    connect(sButton12, &QPushButton::clicked, this, uninstall);
    connect(n9, &QAction::triggered, this, uninstall);
    connect(sButton11, &QPushButton::clicked, this, refresh);
    connect(n11, &QAction::triggered, this, refresh);
    connect(sButton13, &QPushButton::clicked, this, remove);
    connect(n12, &QAction::triggered, this, remove);
    return sTabSheet13;
}

QWidget *ApplicationsPage::buildStartupTab()
{
    sTabSheet14 = named(new QWidget, "sTabSheet14");
    auto *layout = new QVBoxLayout(sTabSheet14);
    layout->setContentsMargins(2, 2, 2, 2);
    SG = named(new QTableWidget(0, 3, sTabSheet14), "SG");
    SG->setHorizontalHeaderLabels({headerRow().name, headerRow().command, headerRow().label});
    SG->verticalHeader()->setVisible(false);
    SG->verticalHeader()->setDefaultSectionSize(20);
    SG->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SG->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    SG->horizontalHeader()->setStretchLastSection(false);
    SG->setColumnWidth(0, 126);
    SG->setColumnWidth(1, 202);
    SG->setColumnWidth(2, 81);
    SG->setSelectionBehavior(QAbstractItemView::SelectRows);
    SG->setSelectionMode(QAbstractItemView::SingleSelection);
    SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SG->setWordWrap(false);
    layout->addWidget(SG, 1);

    auto *buttons = new QHBoxLayout;
    sButton23 = button(QStringLiteral("Добавить"), "sButton23", sTabSheet14);
    sButton22 = button(QStringLiteral("Удалить"), "sButton22", sTabSheet14);
    buttons->addWidget(sButton23);
    buttons->addStretch(1);
    buttons->addWidget(sButton22);
    layout->addLayout(buttons);

    PopupMenu4 = named(new QMenu(SG), "PopupMenu4");
    QAction *add = menuItem(PopupMenu4, QStringLiteral("Добавить"), "MenuItem1");
    QAction *remove = menuItem(PopupMenu4, QStringLiteral("Удалить"), "MenuItem2");
    SG->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(SG, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu4->popup(SG->viewport()->mapToGlobal(at)); });

    const auto addCommand = [this] { command([this] { sButton23Click(); }); };
    const auto removeCommand = [this] { command([this] { sButton22Click(); }); };
    connect(sButton23, &QPushButton::clicked, this, addCommand);
    connect(add, &QAction::triggered, this, addCommand);
    connect(sButton22, &QPushButton::clicked, this, removeCommand);
    connect(remove, &QAction::triggered, this, removeCommand);

    sTabSheet14->installEventFilter(this);
    return sTabSheet14;
}

void ApplicationsPage::command(const std::function<void()> &handler)
{
    ui::guarded(this, handler);
    const QStringList errors = m_context.finishCommand();
    if (!errors.isEmpty()) ui::showErrorBox(this, errors.join(u'\n'));
}

void ApplicationsPage::showCategories(const ApplicationTree &tree)
{
    sTreeView1->clear();
    for (int i = 0; i < CategoryCount; ++i) {
        auto *category = new QTreeWidgetItem(sTreeView1, {categoryText(Category(i))});
        for (const UninstallEntry &entry : tree.categories[size_t(i)]) {
            auto *node = new QTreeWidgetItem(category, {entry.displayName});
            new QTreeWidgetItem(node, {entry.pathText()});
        }
    }
}

void ApplicationsPage::BuildApplicationTree()
{
    showCategories(m_applications.BuildApplicationTree());
}

std::optional<QString> ApplicationsPage::FindSelectedEntryKey()
{
    const QList<QTreeWidgetItem *> selected = sTreeView1->selectedItems();
    const QTreeWidgetItem *item = selected.isEmpty() ? nullptr : selected.first();
    // Only an entry node names a program: its parent is a category.
    if (!item || !item->parent() || item->parent()->parent())
        return m_applications.FindSelectedEntryKey(std::nullopt);
    return m_applications.FindSelectedEntryKey(item->text(0));
}

void ApplicationsPage::sButton12Click()
{
    const Outcome outcome = m_applications.Uninstall(FindSelectedEntryKey());
    if (!outcome.message.isEmpty())
        Dialogs::message(window(), outcome.startFailure ? Dialogs::Icon::Error : Dialogs::Icon::None,
                         QStringLiteral("Tolvex"), outcome.message);
}

void ApplicationsPage::sButton11Click()
{
    BuildApplicationTree();
}

void ApplicationsPage::sButton13Click()
{
    const std::optional<QString> key = FindSelectedEntryKey();
    if (!Dialogs::ask(window(), QStringLiteral("Удаление"), QStringLiteral("Удалить ключ из реестра?")))
        return;
    Dialogs::message(window(), Dialogs::Icon::None, QStringLiteral("Tolvex"),
                     m_applications.DeleteEntry(key).message);
    BuildApplicationTree();
}

void ApplicationsPage::FormPaint()
{
    const QList<StartupRow> rows = m_startup.FormPaint();
    QList<StartupRow> shown;
    for (int r = 0; r < SG->rowCount(); ++r)
        shown.append({SG->item(r, 0)->text(), SG->item(r, 1)->text(), SG->item(r, 2)->text()});
    // Refilling an unchanged grid would only paint it again, and so rebuild it again.
    if (rows == shown) return;
    const int current = SG->currentRow();
    SG->clearContents();
    SG->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        SG->setItem(r, 0, new QTableWidgetItem(rows[r].name));
        SG->setItem(r, 1, new QTableWidgetItem(rows[r].command));
        SG->setItem(r, 2, new QTableWidgetItem(rows[r].label));
    }
    // The selection survives as a row number; a grid with rows always has one selected.
    if (!rows.isEmpty()) SG->selectRow(qBound(0, current, int(rows.size()) - 1));
}

StartupRow ApplicationsPage::selectedRow() const
{
    int row = -1;
    for (const QTableWidgetSelectionRange &range : SG->selectedRanges())
        row = row < 0 ? range.topRow() : qMin(row, range.topRow());
    if (row < 0) row = SG->currentRow();
    if (row < 0 || row >= SG->rowCount()) return headerRow();
    return {SG->item(row, 0)->text(), SG->item(row, 1)->text(), SG->item(row, 2)->text()};
}

void ApplicationsPage::sButton22Click()
{
    const StartupRow row = selectedRow();
    if (!Dialogs::confirm(window(), QStringLiteral("Удаление"),
                          QStringLiteral("Вы действительно хотите удалить запись \"") + row.name +
                              QStringLiteral("\" ?")))
        return;
    m_startup.DeleteRow(row);
    FormPaint();
}

void ApplicationsPage::sButton23Click()
{
    const std::optional<QString> chosen = Dialogs::openFile(window(), QStringLiteral("Приложения|*.exe"),
                                                            m_context.shell.hostPath(QStringLiteral("C:\\")));
    if (!chosen) return;
    // The chooser walks the host's files; the machine knows the file by its Windows path, which
    // exists only where one of its drives reaches the file (a Wine prefix's Z: is the host's /).
    const QString path = chosen->startsWith(u'/') ? m_context.machine.windowsPath(*chosen) : *chosen;
    if (path.startsWith(u'/')) {
        Dialogs::message(window(), Dialogs::Icon::Error, QStringLiteral("Добавить"),
                         QStringLiteral("Программа %1 лежит вне дисков машины, и Windows не сможет её запустить. "
                                        "Выберите программу на одном из дисков машины (например, C:).")
                             .arg(*chosen));
        return;
    }
    const QString name = Dialogs::input(window(), QStringLiteral("Добавить"), QStringLiteral("Введите имя"),
                                        QStringLiteral("Приложение"))
                             .value_or(QStringLiteral("Приложение"));
    m_startup.Add(name, path);
    FormPaint();
}

bool ApplicationsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sTabSheet14 && event->type() == QEvent::Paint && !m_paintRebuildQueued) {
        // After the paint, not inside it: a rebuild changes widgets.
        m_paintRebuildQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_paintRebuildQueued = false;
            FormPaint();
        });
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvex::applications
