#include "AdvancedCleaningPage.h"

#include "Dialogs.h"
#include "StatusPanels.h"
#include "TAddFolderDialog.h"
#include "events/PendingEvents.h"
#include "shell/ShellServices.h"
#include "text/PathParts.h"

#include "Named.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvex::advanced_cleaning {

using ui::Dialogs;
using ui::named;

namespace {

constexpr int FoundFileRole = Qt::UserRole;

QTreeWidget *makeList(QWidget *parent, const char *name, const QList<std::pair<QString, int>> &columns, bool grid)
{
    auto *view = named(new QTreeWidget(parent), name);
    view->setRootIsDecorated(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setUniformRowHeights(true);
    QStringList labels;
    for (const auto &column : columns)
        labels.append(column.first);
    view->setHeaderLabels(labels);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].second > 0)
            view->setColumnWidth(i, columns[i].second);
    if (grid)
        view->setStyleSheet(QStringLiteral("QTreeView::item { border-bottom: 1px solid palette(mid); "
                                           "border-right: 1px solid palette(mid); }"));
    return view;
}

QTreeWidgetItem *checkedItem(QTreeWidget *view, const QStringList &texts, bool ticked)
{
    auto *item = new QTreeWidgetItem(view, texts);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

int selectedRow(QTreeWidget *view)
{
    const QList<QTreeWidgetItem *> selected = view->selectedItems();
    return selected.isEmpty() ? -1 : view->indexOfTopLevelItem(selected.first());
}

} // namespace

// The search as the page shows it: rows, counters, the folder being searched and progress.
class AdvancedCleaningPage::SearchView final : public ProScanObserver
{
public:
    SearchView(AdvancedCleaningPage &page, ProScan &scan) : m_page(page), m_scan(scan) {}

    bool wantsFolderCount() const override { return true; }
    void pathStarted(const QString &, int folderCount) override
    {
        m_page.ProgressBar1->setRange(0, qMax(folderCount, 1));
        m_page.ProgressBar1->setValue(0);
    }
    void pathEnded() override { m_page.ProgressBar1->setValue(0); }
    void folderDone(const QString &folder) override
    {
        const int room = m_page.StatusBar1->panelWidth(0) - 30;
        const QString text = QStringLiteral("Поиск: ") + folder;
        m_page.StatusBar1->setPanelText(0, m_page.fontMetrics().elidedText(text, Qt::ElideMiddle, room));
        m_page.ProgressBar1->setValue(qMin(m_page.ProgressBar1->value() + 1, m_page.ProgressBar1->maximum()));
    }
    void enumerationEnded() override { m_page.StatusBar1->setPanelText(0, QString()); }
    void fileFound(const FoundFile &file) override
    {
        m_page.addFoundRow(file);
        m_page.ShowText(m_scan.FoundCount, m_scan.FoundSize);
    }
    void letEventsRun() override { m_pump.pump(); }

private:
    AdvancedCleaningPage &m_page;
    ProScan &m_scan;
    platform::EventPump m_pump;
};

AdvancedCleaningPage::AdvancedCleaningPage(platform::ShellServices &shell, QWidget *parent)
    : QWidget(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("sTabSheet16"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 0);
    TabbedNotebook1 = named(new QTabWidget(this), "TabbedNotebook1");
    outer->addWidget(TabbedNotebook1, 1);

    auto *pathsPage = new QWidget;
    auto *pathsLayout = new QVBoxLayout(pathsPage);
    pathsLayout->addWidget(
        named(new QLabel(QStringLiteral("Выбирете пути по которым будет произведен поиск:"), pathsPage), "Label1"));
    CheckListBox1 = named(new QListWidget(pathsPage), "CheckListBox1");
    pathsLayout->addWidget(CheckListBox1);
    TabbedNotebook1->addTab(pathsPage, QStringLiteral("Пути поиска"));

    auto *filtersPage = new QWidget;
    auto *filtersLayout = new QVBoxLayout(filtersPage);
    filtersLayout->addWidget(named(new QLabel(QStringLiteral("Фильтры:"), filtersPage), "Label2"));
    ListView2 = makeList(filtersPage, "ListView2",
                         {{QStringLiteral("Название фильтра"), 130}, {QStringLiteral("Тип"), 0},
                          {QStringLiteral("Описание"), 150}},
                         true);
    filtersLayout->addWidget(ListView2);
    TabbedNotebook1->addTab(filtersPage, QStringLiteral("Фильтры"));

    auto *exclusionsPage = new QWidget;
    auto *exclusionsLayout = new QVBoxLayout(exclusionsPage);
    exclusionsLayout->addWidget(named(new QLabel(QStringLiteral("Исключения:"), exclusionsPage), "Label7"));
    ListView3 = makeList(exclusionsPage, "ListView3",
                         {{QStringLiteral("Имя объекта"), 400}, {QStringLiteral("Описание"), 100}}, false);
    exclusionsLayout->addWidget(ListView3);
    TabbedNotebook1->addTab(exclusionsPage, QStringLiteral("Исключения"));

    auto *scanPage = new QWidget;
    auto *scanLayout = new QVBoxLayout(scanPage);
    ListView4 = makeList(scanPage, "ListView4",
                         {{QStringLiteral("Имя файла"), 150}, {QStringLiteral("Размер файла"), 150},
                          {QStringLiteral("Тип файла"), 100}, {QStringLiteral("Изменен"), 150}},
                         true);
    scanLayout->addWidget(ListView4, 1);
    auto *buttons = new QHBoxLayout;
    SpeedButton1 = named(new QPushButton(QStringLiteral("Начать поиск"), scanPage), "SpeedButton1");
    SpeedButton2 = named(new QPushButton(QStringLiteral("Остановить поиск"), scanPage), "SpeedButton2");
    SpeedButton2->setVisible(false);
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addStretch(1);
    scanLayout->addLayout(buttons);
    ProgressBar1 = named(new QProgressBar(scanPage), "ProgressBar1");
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    scanLayout->addWidget(ProgressBar1);
    TabbedNotebook1->addTab(scanPage, QStringLiteral("Сканирование"));

    StatusBar1 = named(new ui::StatusPanels({150, 130, 120}, this), "StatusBar1");
    outer->addWidget(StatusBar1);
    ShowText(0, 0);

    connect(SpeedButton1, &QPushButton::clicked, this, &AdvancedCleaningPage::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &AdvancedCleaningPage::SpeedButton2Click);
    connect(TabbedNotebook1, &QTabWidget::currentChanged, this, &AdvancedCleaningPage::TabbedNotebook1Change);
    // A tick the user sets is the list's: what the save sees, and the search, even one running.
    connect(CheckListBox1, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        const int row = CheckListBox1->row(item);
        if (!m_showing && row >= 0 && row < m_settings.paths.size())
            m_settings.paths[row].ticked = item->checkState() == Qt::Checked;
    });
    connect(ListView2, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) {
        const int row = ListView2->indexOfTopLevelItem(item);
        if (!m_showing && row >= 0 && row < m_settings.filters.size())
            m_settings.filters[row].ticked = item->checkState(0) == Qt::Checked;
    });
    connect(ListView3, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) {
        const int row = ListView3->indexOfTopLevelItem(item);
        if (!m_showing && row >= 0 && row < m_settings.exclusions.size())
            m_settings.exclusions[row].ticked = item->checkState(0) == Qt::Checked;
    });

    // Before any page change: page 0, only "Редактировать" off.
    for (const QString &name : buttonNames())
        m_buttons.insert(name, true);
    m_buttons.insert(QStringLiteral("SpeedButton8"), false);
}

AdvancedCleaningPage::~AdvancedCleaningPage()
{
    if (m_scan)
        m_scan->StopSearch = true;
}

QStringList AdvancedCleaningPage::buttonNames()
{
    return {"SpeedButton7", "SpeedButton8", "SpeedButton5", "SpeedButton6", "SpeedButton3", "SpeedButton4"};
}

void AdvancedCleaningPage::GetDrives()
{
    m_settings.GetDrives(m_shell);
    showPaths();
}

void AdvancedCleaningPage::LoadNastr(const ini::IniDocument &config)
{
    m_settings.LoadNastr(config);
    showPaths();
    showFilters();
    showExclusions();
}

void AdvancedCleaningPage::SaveNastr(ini::IniDocument &config) const { m_settings.SaveNastr(config); }

void AdvancedCleaningPage::showPaths()
{
    m_showing = true;
    CheckListBox1->clear();
    for (const SearchPath &p : std::as_const(m_settings.paths)) {
        auto *item = new QListWidgetItem(p.path, CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(p.ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_showing = false;
}

void AdvancedCleaningPage::showFilters()
{
    m_showing = true;
    ListView2->clear();
    for (const FilterRow &f : std::as_const(m_settings.filters))
        checkedItem(ListView2, {f.mask, f.type(), f.description}, f.ticked);
    m_showing = false;
}

void AdvancedCleaningPage::showExclusions()
{
    m_showing = true;
    ListView3->clear();
    for (const ExclusionRow &e : std::as_const(m_settings.exclusions))
        checkedItem(ListView3, {e.text, e.description}, e.ticked);
    m_showing = false;
}

void AdvancedCleaningPage::setButton(const char *name, bool enabled)
{
    m_buttons.insert(QString::fromLatin1(name), enabled);
}

void AdvancedCleaningPage::EnabledButtons(bool enabled)
{
    for (const QString &name : buttonNames())
        m_buttons.insert(name, enabled);
    ListView2->setEnabled(enabled);
    ListView3->setEnabled(enabled);
    CheckListBox1->setEnabled(enabled);
    emit buttonsChanged();
}

void AdvancedCleaningPage::TabbedNotebook1Change(int page)
{
    EnabledButtons(true);
    m_tag = page;
    setButton("SpeedButton8", page == 1 || page == 2);
    if (page == 1 || page == 2)
        setButton("SpeedButton6", false);
    setButton("SpeedButton7", page != 3);
    emit buttonsChanged();
}

void AdvancedCleaningPage::SpeedButton7Click()
{
    if (!buttonEnabled(QStringLiteral("SpeedButton7")))
        return;
    switch (m_tag) {
    case 0: {
        if (!m_folderDialog)
            m_folderDialog = new ui::TAddFolderDialog(m_shell, window());
        const std::optional<QString> chosen = Dialogs::chooseFolder(*m_folderDialog);
        if (chosen && m_settings.addSearchPath(*chosen, m_shell))
            showPaths();
        break;
    }
    case 1: {
        const std::optional<QString> mask =
            Dialogs::input(this, QStringLiteral("Добавить фильтр"), QStringLiteral("Введите фильтр:"));
        if (!mask || mask->trimmed().isEmpty())
            return;
        const QString description = Dialogs::input(this, QStringLiteral("Описание фильтра"),
                                                   QStringLiteral("Введите описание:"))
                                        .value_or(QString());
        m_settings.filters.append({*mask, description, true});
        showFilters();
        break;
    }
    case 2: {
        const std::optional<QString> text = Dialogs::input(this, QStringLiteral("Добавить исключение"),
                                                           QStringLiteral("Введите фильтр исключения:"));
        if (!text || text->trimmed().isEmpty())
            return;
        const QString description = Dialogs::input(this, QStringLiteral("Описание исключения"),
                                                   QStringLiteral("Введите исключение:"))
                                        .value_or(QString());
        m_settings.exclusions.append({*text, description, false});
        showExclusions();
        break;
    }
    default:
        break;
    }
}

void AdvancedCleaningPage::SpeedButton8Click()
{
    if (!buttonEnabled(QStringLiteral("SpeedButton8")))
        return;
    if (m_tag == 1) {
        const int row = selectedRow(ListView2);
        if (row < 0)
            return;
        FilterRow &f = m_settings.filters[row];
        const std::optional<QString> mask = Dialogs::input(this, QStringLiteral("Редактирование фильтра"),
                                                           QStringLiteral("Исправьте название фильтр:"), f.mask);
        if (!mask)
            return;
        const std::optional<QString> description = Dialogs::input(
            this, QStringLiteral("Редактирование фильтра"), QStringLiteral("Исправьте описание фильтра:"), f.description);
        f.mask = *mask;
        f.description = description.value_or(f.description);
        showFilters();
        ListView2->topLevelItem(row)->setSelected(true);
    } else if (m_tag == 2) {
        const int row = selectedRow(ListView3);
        if (row < 0)
            return;
        ExclusionRow &e = m_settings.exclusions[row];
        const std::optional<QString> text = Dialogs::input(this, QStringLiteral("Редактирование исключения"),
                                                           QStringLiteral("Исправьте название исключения:"), e.text);
        if (!text)
            return;
        const std::optional<QString> description =
            Dialogs::input(this, QStringLiteral("Редактирование исключения"),
                           QStringLiteral("Исправьте описание исключения:"), e.description);
        e.text = *text;
        e.description = description.value_or(e.description);
        showExclusions();
        ListView3->topLevelItem(row)->setSelected(true);
    }
}

void AdvancedCleaningPage::SpeedButton5Click()
{
    if (!buttonEnabled(QStringLiteral("SpeedButton5")))
        return;
    switch (m_tag) {
    case 0: {
        const int row = CheckListBox1->currentRow();
        if (row >= 0 && CheckListBox1->currentItem() && CheckListBox1->currentItem()->isSelected()) {
            m_settings.paths.removeAt(row);
            showPaths();
        }
        break;
    }
    case 1:
        if (const int row = selectedRow(ListView2); row >= 0) {
            m_settings.filters.removeAt(row);
            showFilters();
        }
        break;
    case 2:
        if (const int row = selectedRow(ListView3); row >= 0) {
            m_settings.exclusions.removeAt(row);
            showExclusions();
        }
        break;
    case 3:
        DeleteFileSelected();
        break;
    }
}

void AdvancedCleaningPage::SpeedButton6Click()
{
    if (!buttonEnabled(QStringLiteral("SpeedButton6")))
        return;
    if (m_tag == 0) {
        m_settings.paths.clear();
        showPaths();
    } else if (m_tag == 3) {
        DeleteAll();
    }
}

void AdvancedCleaningPage::SpeedButton3Click()
{
    if (buttonEnabled(QStringLiteral("SpeedButton3")))
        CheckAll(false);
}

void AdvancedCleaningPage::SpeedButton4Click()
{
    if (buttonEnabled(QStringLiteral("SpeedButton4")))
        CheckAll(true);
}

void AdvancedCleaningPage::CheckAll(bool tick)
{
    const Qt::CheckState state = tick ? Qt::Checked : Qt::Unchecked;
    switch (m_tag) {
    case 0:
        for (int i = 0; i < CheckListBox1->count(); ++i)
            CheckListBox1->item(i)->setCheckState(state);
        break;
    case 1:
    case 2:
    case 3: {
        QTreeWidget *view = m_tag == 1 ? ListView2 : m_tag == 2 ? ListView3 : ListView4;
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            view->topLevelItem(i)->setCheckState(0, state);
        break;
    }
    }
}

void AdvancedCleaningPage::ShowText(quint64 count, quint64 size)
{
    StatusBar1->setPanelText(1, foundCountText(count));
    StatusBar1->setPanelText(2, totalSizeText(size));
}

QString AdvancedCleaningPage::typeNameOf(const QString &path)
{
    const QString ext = text::extractFileExt(path).toLower();
    auto it = m_typeNames.constFind(ext);
    if (it == m_typeNames.constEnd())
        it = m_typeNames.insert(ext, m_shell.typeName(path));
    return *it;
}

void AdvancedCleaningPage::addFoundRow(const FoundFile &file)
{
    QTreeWidgetItem *item = checkedItem(
        ListView4, {file.path, sizeInKb(file.size), typeNameOf(file.path), modifiedText(file.lastWrite)}, true);
    item->setData(0, FoundFileRole, QVariant::fromValue(QStringList{file.path, file.root}));
}

void AdvancedCleaningPage::SpeedButton1Click()
{
    if (m_scan)
        return;
    SpeedButton1->setVisible(false);
    SpeedButton2->setVisible(true);
    ListView4->clear();
    ProScan scan(m_shell, m_settings);
    m_scan = &scan;
    ShowText(0, 0);
    SearchView view(*this, scan);
    scan.FindFiles(view);
    m_scan = nullptr;
    SpeedButton1->setVisible(true);
    SpeedButton2->setVisible(false);
}

void AdvancedCleaningPage::SpeedButton2Click()
{
    if (m_scan)
        m_scan->StopSearch = true;
}

namespace {
FoundFile foundFileOf(const QTreeWidgetItem *item)
{
    const QStringList data = item->data(0, FoundFileRole).toStringList();
    return {data.value(0, item->text(0)), data.value(1), 0, 0};
}
} // namespace

void AdvancedCleaningPage::DeleteFileSelected()
{
    const int row = selectedRow(ListView4);
    if (row < 0)
        return;
    QTreeWidgetItem *item = ListView4->topLevelItem(row);
    const FoundFile file = foundFileOf(item);
    if (file.path.isEmpty())
        return;
    ProScan::deleteFound(m_shell, file);
    delete item;
}

void AdvancedCleaningPage::DeleteAll()
{
    platform::EventPump pump;
    while (QTreeWidgetItem *item = ListView4->topLevelItem(0)) {
        const FoundFile file = foundFileOf(item);
        if (item->checkState(0) == Qt::Checked) {
            StatusBar1->setPanelText(0, QStringLiteral("Удаление: ") + file.path);
            if (!ProScan::deleteFound(m_shell, file))
                StatusBar1->setPanelText(0, QStringLiteral("Не могу удалить ") + file.path);
        } else {
            StatusBar1->setPanelText(0, QStringLiteral("Файл ") + file.path + QStringLiteral(" удален не будет"));
        }
        delete item;
        pump.pump();
    }
    StatusBar1->setPanelText(0, QString());
    ShowText(0, 0);
}

} // namespace tolvex::advanced_cleaning
