#include "BackupPages.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "PagesControls.h"
#include "TmFileScan.h"
#include "TweakPage.h"
#include "TweakPages.h"
#include "TweakCatalogue.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvex::backups {

using ui::Dialogs;

// ---- the list -------------------------------------------------------------------------------

BackupList::BackupList(platform::ProgramContext &context, TweakBackups &backups, QObject *parent)
    : QObject(parent), m_scan(std::make_unique<cleaning::TmFileScan>(context.shell)), m_backups(backups)
{
    m_scan->SubDirs = false;
    m_scan->OnFileFound = [this](QObject *, const QString &fileName) { mFileScan3FileFound(fileName); };
    m_scan->OnReady = [this](QObject *, bool, const QStringList &) { mFileScan3Ready(); };
}

BackupList::~BackupList() = default;

void BackupList::addView(QTreeWidget *view) { m_views.append(view); }

bool BackupList::busy() const { return m_scan->busy(); }

void BackupList::refresh()
{
    if (m_scan->busy()) {
        m_refreshPending = true;
        return;
    }
    m_names.clear();
    for (QTreeWidget *view : m_views)
        view->clear();
    m_scan->Filters = {QStringLiteral("*.ini")};
    m_scan->Paths = {m_backups.folder()};
    m_scan->Start();
}

QString BackupList::fileAt(int row) const { return row >= 0 && row < m_names.size() ? m_names[row] : QString(); }

void BackupList::mFileScan3FileFound(const QString &fileName)
{
    m_names.append(fileName);
    const BackupListing listing = listingOf(fileName);
    for (QTreeWidget *view : m_views)
        new QTreeWidgetItem(view, {listing.parameters, listing.date, listing.time});
}

void BackupList::mFileScan3Ready()
{
    m_scan->Filters.clear();
    m_scan->Paths.clear();
    if (m_refreshPending) {
        m_refreshPending = false;
        // After this handler: the component is no longer busy once it has returned.
        QMetaObject::invokeMethod(this, &BackupList::refresh, Qt::QueuedConnection);
        return;
    }
    emit listed();
}

// ---- the pages ------------------------------------------------------------------------------

namespace {

QTreeWidget *makeListView(const char *name, QWidget *parent)
{
    auto *view = new QTreeWidget(parent);
    view->setObjectName(QString::fromUtf8(name));
    view->setHeaderLabels({QStringLiteral("Параметры"), QStringLiteral("Дата"), QStringLiteral("Время(tt-mm)")});
    view->setColumnWidth(0, 100);
    view->setColumnWidth(1, 75);
    view->setColumnWidth(2, 80);
    view->setRootIsDecorated(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setStyleSheet(QStringLiteral("QTreeView::item { border-bottom: 1px solid palette(mid); }"));
    return view;
}

QPushButton *makeButton(const char *name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromUtf8(name));
    return button;
}

int selectedRow(QTreeWidget *view)
{
    const QList<QTreeWidgetItem *> selected = view->selectedItems();
    return selected.isEmpty() ? -1 : view->indexOfTopLevelItem(selected.first());
}

// The frame both pages share: the list, the group boxes and the buttons.
struct PageFrame
{
    QTreeWidget *list = nullptr;
    QGroupBox *groups = nullptr;
    QGridLayout *groupGrid = nullptr;
    QPushButton *make = nullptr, *restore = nullptr, *remove = nullptr, *find = nullptr;
};

PageFrame buildFrame(QWidget *page, const char *box, const char *listBox, const char *list, const char *newBox,
                     const char *make, const char *restore, const char *remove, const char *find)
{
    PageFrame f;
    auto *outer = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Бекап"), page);
    group->setObjectName(QString::fromUtf8(box));
    outer->addWidget(group);
    auto *layout = new QVBoxLayout(group);
    auto *existing = new QGroupBox(QStringLiteral("Существующие бекапы"), group);
    existing->setObjectName(QString::fromUtf8(listBox));
    auto *existingLayout = new QVBoxLayout(existing);
    f.list = makeListView(list, existing);
    existingLayout->addWidget(f.list);
    layout->addWidget(existing, 1);
    f.groups = new QGroupBox(QStringLiteral("Новый бекап"), group);
    f.groups->setObjectName(QString::fromUtf8(newBox));
    f.groupGrid = new QGridLayout(f.groups);
    layout->addWidget(f.groups);
    auto *buttons = new QHBoxLayout;
    f.make = makeButton(make, QStringLiteral("Сделать бекап"), group);
    f.restore = makeButton(restore, QStringLiteral("Востановить"), group);
    f.remove = makeButton(remove, QStringLiteral("Удалить"), group);
    f.find = makeButton(find, QStringLiteral("Найти бекап"), group);
    f.find->setVisible(false);
    buttons->addWidget(f.make);
    buttons->addStretch(1);
    buttons->addWidget(f.restore);
    buttons->addWidget(f.remove);
    buttons->addWidget(f.find);
    layout->addLayout(buttons);
    return f;
}

void finish(QWidget *page, platform::ProgramContext &context)
{
    const QStringList errors = context.finishCommand();
    if (!errors.isEmpty())
        ui::showErrorBox(page, errors.join(u'\n'));
}

} // namespace

// The window's XP pages after a restore: what OK could not write goes into the end message
// rather than a box per value.
class WindowPages final : public XpPagesAfterRestore
{
public:
    explicit WindowPages(tweaks::TweakPages &pages) : m_pages(pages) {}
    void reload() override { m_pages.LoadRegedit(0); }
    QList<const tweaks::TweakEntry *> runOk(const QString &okButton) override
    {
        for (tweaks::TweakPage *page : m_pages.pages())
            if (okButton == QString::fromUtf8(page->definition().okButton))
                return page->okClickCollecting();
        return {};
    }

private:
    tweaks::TweakPages &m_pages;
};

class BackupPages::XpPage : public QWidget
{
public:
    XpPage(BackupPages &owner, platform::ProgramContext &context, tweaks::TweakPages &tweakPages, QWidget *parent)
        : QWidget(parent), m_owner(owner), m_context(context), m_tweakPages(tweakPages)
    {
        setObjectName(QStringLiteral("sTabSheet15"));
        m_frame = buildFrame(this, "sGroupBox29", "sGroupBox30", "sListView1", "sGroupBox31", "sButton24", "sButton26",
                             "sButton3", "sButton25");
        for (int i = 0; i < groupCount; ++i) {
            const GroupInfo &info = groupInfo(Group(i));
            auto *box = new QCheckBox(QString::fromUtf8(info.caption), m_frame.groups);
            box->setObjectName(QString::fromUtf8(info.xpBox));
            m_frame.groupGrid->addWidget(box, i % 5, i / 5);
            m_boxes.append(box);
        }
        connect(m_frame.make, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { sButton24Click(); }); });
        connect(m_frame.restore, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { sButton26Click(); }); });
        connect(m_frame.remove, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { sButton3Click(); }); });
        connect(m_frame.find, &QPushButton::clicked, this, [this] { m_owner.list().refresh(); });
    }

    QTreeWidget *list() const { return m_frame.list; }

    void sButton24Click()
    {
        QList<Group> groups;
        for (int i = 0; i < groupCount; ++i)
            if (m_boxes[i]->isChecked())
                groups.append(Group(i));
        if (groups.isEmpty()) {
            Dialogs::message(this, Dialogs::Icon::Information, QStringLiteral("Информация"),
                             QStringLiteral("Необходимо выбрать как минимум один пункт для бекапа"));
            return;
        }
        m_owner.backups().makeXp(groups);
        m_owner.list().refresh();
    }

    void sButton26Click()
    {
        const QString file = m_owner.list().fileAt(selectedRow(m_frame.list));
        if (file.isEmpty())
            return; // no row chosen: no file to act on
        WindowPages pages(m_tweakPages);
        const RestoreReport report = m_owner.backups().restoreXp(file, pages);
        finish(this, m_context);
        Dialogs::message(window(), report.skipped.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning,
                         QStringLiteral("Готово"), report.endMessage());
    }

    void sButton3Click() { m_owner.deleteSelected(this, m_frame.list); }

private:
    BackupPages &m_owner;
    platform::ProgramContext &m_context;
    tweaks::TweakPages &m_tweakPages;
    PageFrame m_frame;
    QList<QCheckBox *> m_boxes;
};

class BackupPages::VistaPage : public QWidget
{
public:
    VistaPage(BackupPages &owner, tweaks::TweakPages &tweakPages, QWidget *parent)
        : QWidget(parent), m_owner(owner), m_tweakPages(tweakPages)
    {
        setObjectName(QStringLiteral("sTabSheet22"));
        m_frame = buildFrame(this, "sGroupBox37", "sGroupBox38", "sListView3", "sGroupBox39", "vMakeB", "vRepair",
                             "vDelBack", "sButton5");
        int line = 0;
        for (int i = 0; i < groupCount; ++i) {
            const GroupInfo &info = groupInfo(Group(i));
            if (!*info.vistaBox)
                continue;
            auto *box = new QCheckBox(QString::fromUtf8(info.caption), m_frame.groups);
            box->setObjectName(QString::fromUtf8(info.vistaBox));
            m_frame.groupGrid->addWidget(box, line % 2, line / 2);
            m_boxes.insert(Group(i), box);
            ++line;
        }
        connect(m_frame.make, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { vMakeBClick(); }); });
        connect(m_frame.restore, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { vRepairClick(); }); });
        connect(m_frame.remove, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { vDelBackClick(); }); });
        connect(m_frame.find, &QPushButton::clicked, this, [this] { m_owner.list().refresh(); });
    }

    QTreeWidget *list() const { return m_frame.list; }

    void vMakeBClick()
    {
        QList<Group> groups;
        for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
            if (it.value()->isChecked())
                groups.append(it.key());
        if (groups.isEmpty()) {
            Dialogs::message(this, Dialogs::Icon::Information, QStringLiteral("Информация"),
                             QStringLiteral("Необходимо выбрать как минимум один пункт для бекапа"));
            return;
        }
        // Reloading the pages refreshes the snapshot and drops changes not applied with OK.
        m_tweakPages.VLoadRegedit();
        m_owner.backups().makeVista(groups, m_tweakPages.vistaSnapshot());
        m_owner.list().refresh();
    }

    void vRepairClick()
    {
        const QString file = m_owner.list().fileAt(selectedRow(m_frame.list));
        if (file.isEmpty())
            return;
        const ini::IniDocument document = m_owner.backups().read(file);
        const QList<tweaks::TweakPage *> pages = m_tweakPages.pages();
        tweaks::PagesControls controls(pages);
        restoreVistaBackup(document, controls, [&](const QString &ok) {
            for (tweaks::TweakPage *page : pages)
                if (ok == QString::fromUtf8(page->definition().okButton))
                    page->okClick();
        });
    }

    void vDelBackClick() { m_owner.deleteSelected(this, m_frame.list); }

private:
    BackupPages &m_owner;
    tweaks::TweakPages &m_tweakPages;
    PageFrame m_frame;
    QMap<Group, QCheckBox *> m_boxes;
};

BackupPages::BackupPages(platform::ProgramContext &context, tweaks::TweakPages &tweakPages, QWidget *parent)
    : m_backups(context), m_list(std::make_unique<BackupList>(context, m_backups))
{
    m_xp = new XpPage(*this, context, tweakPages, parent);
    m_vista = new VistaPage(*this, tweakPages, parent);
    m_xpGuard = m_xp;
    m_vistaGuard = m_vista;
    m_list->addView(m_xp->list());
    m_list->addView(m_vista->list());
}

// Pages made without a parent are this object's to free; a page control frees its own.
BackupPages::~BackupPages()
{
    for (const QPointer<QWidget> &page : {m_xpGuard, m_vistaGuard})
        if (page && !page->parent())
            delete page.data();
}

void BackupPages::deleteSelected(QWidget *page, QTreeWidget *view)
{
    const QString file = m_list->fileAt(selectedRow(view));
    if (file.isEmpty())
        return; // no row chosen: no file to act on
    if (!Dialogs::confirm(page, QStringLiteral("Удалить бекап"), QStringLiteral("Удалить бекап?")))
        return;
    m_backups.remove(file); // a failure leaves the file listed again
    m_list->refresh();
}

QWidget *BackupPages::page(const QString &component) const
{
    if (component == m_xp->objectName())
        return m_xp;
    if (component == m_vista->objectName())
        return m_vista;
    return nullptr;
}

} // namespace tolvex::backups
