#include "TResultForm.h"

#include "Dialogs.h"
#include "LsdFile.h"
#include "ResultActions.h"
#include "ResultTexts.h"

#include "Named.h"

#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QSet>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvex::duplicates {

using ui::Dialogs;
using ui::named;

const QString TResultForm::fileFilter = QStringLiteral("Результат сканирования (*.LsD)|*.LsD");

TResultForm::TResultForm(platform::ShellServices &shell, DuplicateTables &tables, QWidget *parent)
    : QDialog(parent), m_shell(shell), m_tables(tables)
{
    setObjectName(QStringLiteral("TResultForm"));
    setWindowTitle(QStringLiteral("Результат"));
    resize(560, 420);
    auto *layout = new QVBoxLayout(this);

    auto *menus = new QMenuBar(this);
    QMenu *result = menus->addMenu(QStringLiteral("Результат"));
    result->addAction(QStringLiteral("Загрузить из файла"), this, &TResultForm::LoadFromFileClick)->setObjectName("LoadFromFile");
    result->addAction(QStringLiteral("Сохранить в файл"), this, &TResultForm::SaveToFileClick)->setObjectName("SaveToFile");
    result->addAction(QStringLiteral("Закрыть"), this, &QDialog::close)->setObjectName("CloseResult");
    QMenu *file = menus->addMenu(QStringLiteral("Файл"));
    file->addAction(QStringLiteral("Открыть"), this, &TResultForm::OpenClick)->setObjectName("Open");
    file->addAction(QStringLiteral("Открыть папку"), this, &TResultForm::OpenFolderClick)->setObjectName("OpenFolder");
    file->addAction(QStringLiteral("Удалить из списка"), this, &TResultForm::DeleteFromListClick)->setObjectName("DeleteFromList");
    file->addAction(QStringLiteral("Удалить с диска"), this, &TResultForm::DeleteToRecyleClick)->setObjectName("DeleteToRecyle");
    file->addSeparator();
    file->addAction(QStringLiteral("Заменить жёсткой ссылкой"), this, [this] { ReplaceClick(platform::LinkKind::HardLink); })
        ->setObjectName("ReplaceByLink");
    file->addAction(QStringLiteral("Заменить клоном (btrfs, XFS)"), this, [this] { ReplaceClick(platform::LinkKind::Clone); })
        ->setObjectName("ReplaceByClone");
    QMenu *ticks = menus->addMenu(QStringLiteral("Отметка"));
    const QList<std::tuple<const char *, QString, KeepRule>> rules = {
        {"KeepNewest", QStringLiteral("Оставить самый новый"), KeepRule::Newest},
        {"KeepOldest", QStringLiteral("Оставить самый старый"), KeepRule::Oldest},
        {"KeepFirstFolder", QStringLiteral("Оставить из первой папки списка"), KeepRule::FirstFolder},
        {"KeepShortestPath", QStringLiteral("Оставить с самым коротким путём"), KeepRule::ShortestPath}};
    for (const auto &[name, caption, rule] : rules)
        ticks->addAction(caption, this, [this, rule = rule] { KeepRuleClick(rule); })->setObjectName(name);
    ticks->addSeparator();
    ticks->addAction(QStringLiteral("Снять все отметки"), this, &TResultForm::UntickAllClick)->setObjectName("UntickAll");
    QMenu *sorting = menus->addMenu(QStringLiteral("Сортировка"));
    sorting->addAction(QStringLiteral("По группе"), this, &TResultForm::ByGroupClick)->setObjectName("ByGroup");
    sorting->addAction(QStringLiteral("По имени"), this, &TResultForm::ByNameClick)->setObjectName("ByName");
    sorting->addAction(QStringLiteral("По размеру"), this, &TResultForm::BySizeClick)->setObjectName("BySize");
    sorting->addAction(QStringLiteral("По времени"), this, &TResultForm::ByTimeClick)->setObjectName("ByTime");
    sorting->addAction(QStringLiteral("По папке"), this, &TResultForm::ByFolderClick)->setObjectName("ByFolder");
    layout->setMenuBar(menus);

    auto *bar = new QHBoxLayout;
    auto tool = [&](const char *name, QStyle::StandardPixmap icon, const QString &tip, void (TResultForm::*slot)()) {
        auto *button = named(new QToolButton(this), name);
        button->setIcon(style()->standardIcon(icon));
        button->setToolTip(tip);
        connect(button, &QToolButton::clicked, this, slot);
        bar->addWidget(button);
    };
    bar->addWidget(named(new QLabel(QStringLiteral("Результат:"), this), "Label2"));
    tool("SpeedButton1", QStyle::SP_DialogOpenButton, QStringLiteral("Загрузить из файла"), &TResultForm::LoadFromFileClick);
    tool("SpeedButton2", QStyle::SP_DialogSaveButton, QStringLiteral("Сохранить в файл"), &TResultForm::SaveToFileClick);
    bar->addSpacing(8);
    bar->addWidget(named(new QLabel(QStringLiteral("Файл:"), this), "Label3"));
    tool("SpeedButton3", QStyle::SP_FileIcon, QStringLiteral("Открыть"), &TResultForm::OpenClick);
    tool("SpeedButton4", QStyle::SP_DirOpenIcon, QStringLiteral("Открыть папку"), &TResultForm::OpenFolderClick);
    tool("SpeedButton5", QStyle::SP_DialogDiscardButton, QStringLiteral("Удалить из списка"), &TResultForm::DeleteFromListClick);
    tool("SpeedButton6", QStyle::SP_TrashIcon, QStringLiteral("Удалить с диска"), &TResultForm::DeleteToRecyleClick);
    bar->addStretch(1);
    layout->addLayout(bar);

    auto *sorts = new QHBoxLayout;
    sorts->addWidget(named(new QLabel(QStringLiteral("Сортировка:"), this), "Label4"));
    const QList<std::tuple<const char *, QString, void (TResultForm::*)()>> sortButtons = {
        {"Button1", QStringLiteral("Группа"), &TResultForm::ByGroupClick},
        {"Button2", QStringLiteral("Имя"), &TResultForm::ByNameClick},
        {"Button3", QStringLiteral("Размер"), &TResultForm::BySizeClick},
        {"Button4", QStringLiteral("Время"), &TResultForm::ByTimeClick},
        {"Button5", QStringLiteral("Папка"), &TResultForm::ByFolderClick}};
    for (const auto &[name, caption, slot] : sortButtons) {
        auto *button = named(new QPushButton(caption, this), name);
        connect(button, &QPushButton::clicked, this, slot);
        sorts->addWidget(button);
    }
    sorts->addStretch(1);
    layout->addLayout(sorts);

    auto *keys = new QHBoxLayout;
    auto *label = named(new QLabel(QStringLiteral("Признаки дублирования: "), this), "Label1");
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    DoubleKeys = named(new QLabel(this), "DoubleKeys");
    DoubleKeys->setFont(bold);
    DoubleKeys->setStyleSheet(QStringLiteral("color: blue"));
    keys->addWidget(label);
    keys->addWidget(DoubleKeys, 1);
    layout->addLayout(keys);

    DoublesList = named(new QTableWidget(1, 5, this), "DoublesList");
    DoublesList->setHorizontalHeaderLabels(
        {QStringLiteral(" Группа"), QStringLiteral(" Имя"), QStringLiteral(" Размер"), QStringLiteral(" Время"), QStringLiteral(" Папка")});
    const int widths[] = {48, 94, 61, 107, 90};
    for (int c = 0; c < 5; ++c)
        DoublesList->setColumnWidth(c, widths[c]);
    DoublesList->verticalHeader()->setVisible(false);
    DoublesList->verticalHeader()->setDefaultSectionSize(17);
    DoublesList->setSelectionBehavior(QAbstractItemView::SelectRows);
    DoublesList->setSelectionMode(QAbstractItemView::ContiguousSelection);
    DoublesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DoublesList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DoublesList, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu;
        menu.addAction(QStringLiteral("Открыть файл"), this, &TResultForm::OpenClick);
        menu.addAction(QStringLiteral("Открыть папку"), this, &TResultForm::OpenFolderClick);
        menu.addAction(QStringLiteral("Удалить из списка"), this, &TResultForm::DeleteFromListClick);
        menu.addAction(QStringLiteral("Удалить с диска"), this, &TResultForm::DeleteToRecyleClick);
        menu.exec(DoublesList->viewport()->mapToGlobal(at));
    });
    connect(DoublesList, &QTableWidget::cellDoubleClicked, this, &TResultForm::OpenClick);
    connect(DoublesList, &QTableWidget::cellChanged, this, &TResultForm::tickChanged);
    DoublesList->setToolTip(QStringLiteral("Флажок отмечает файл для удаления или замены ссылкой; "
                                           "файлы защищённых папок выделены и не отмечаются"));
    layout->addWidget(DoublesList, 1);
    DoublesList->viewport()->installEventFilter(this);
}

// The grid's own area, not the window: it changes with the window and with a scroll bar coming
// or going, and is up to date only once the grid itself has been resized.
bool TResultForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == DoublesList->viewport() && event->type() == QEvent::Resize)
        FormResize();
    return QDialog::eventFilter(watched, event);
}

void TResultForm::FormResize()
{
    constexpr int gridLines = 5;
    int others = 0;
    for (int c = 0; c < 4; ++c)
        others += DoublesList->columnWidth(c);
    const int left = DoublesList->viewport()->width() - others - gridLines;
    DoublesList->setColumnWidth(4, left > 0 ? left : others + gridLines);
}

void TResultForm::showModal()
{
    ShowResults();
    exec();
}

void TResultForm::ShowResults()
{
    const QScopedValueRollback filling(m_filling, true);
    DoubleKeys->setText(criteriaText(m_tables.criteria));
    const QList<FileEntry> &files = m_tables.FileTable;
    DoublesList->clearContents();
    // An empty table still shows one empty row under the header.
    DoublesList->setRowCount(qMax<int>(1, int(files.size())));
    const QBrush protectedBrush(QColor(0xFF, 0xF4, 0xC8));
    const QString protectedTip = QStringLiteral("Защищённая папка: файл сравнивается, но не отмечается, "
                                                "не удаляется и не заменяется");
    for (int k = 0; k < files.size(); ++k) {
        const FileEntry &e = files[k];
        const bool isProtected = m_tables.isProtected(k);
        const QStringList cells{QString::number(e.Double), e.Name, sizeText(e.Size), timeText(e.Time),
                                m_tables.FolderPath(e.Folder)};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            if (c == 0 && !isProtected) {
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(e.Ticked ? Qt::Checked : Qt::Unchecked);
            }
            if (isProtected) {
                item->setBackground(protectedBrush);
                item->setToolTip(protectedTip);
            }
            DoublesList->setItem(k, c, item);
        }
    }
}

void TResultForm::tickChanged(int row, int column)
{
    if (m_filling || column != 0 || row >= m_tables.FileTable.size() || m_tables.isProtected(row))
        return;
    if (const QTableWidgetItem *item = DoublesList->item(row, 0))
        m_tables.FileTable[row].Ticked = item->checkState() == Qt::Checked;
}

void TResultForm::KeepRuleClick(KeepRule rule)
{
    if (m_tables.FileTable.isEmpty())
        return;
    const Ticking ticking = tickAllButKept(m_tables, rule);
    ShowResults();
    Dialogs::message(this, Dialogs::Icon::Information, QStringLiteral("Отметка"), ticking.text());
}

void TResultForm::UntickAllClick()
{
    for (FileEntry &file : m_tables.FileTable)
        file.Ticked = false;
    ShowResults();
}

void TResultForm::ReplaceClick(platform::LinkKind kind)
{
    const QString caption = kind == platform::LinkKind::HardLink ? QStringLiteral("Заменить жёсткой ссылкой")
                                                                 : QStringLiteral("Заменить клоном");
    qsizetype ticked = 0;
    for (const FileEntry &file : std::as_const(m_tables.FileTable))
        ticked += file.Ticked;
    if (ticked == 0) {
        Dialogs::message(this, Dialogs::Icon::Information, caption,
                         QStringLiteral("Отметьте файлы, которые нужно заменить: флажками или правилом меню «Отметка»."));
        return;
    }
    const QString how = kind == platform::LinkKind::HardLink
                            ? QStringLiteral("жёсткой ссылкой на оставляемый файл своей группы (первый неотмеченный)")
                            : QStringLiteral("клоном оставляемого файла своей группы (первого неотмеченного)");
    if (!Dialogs::confirm(this, caption, QStringLiteral("Заменить %1 отмеченных файл(ов) %2?").arg(ticked).arg(how),
                          Dialogs::Icon::Warning))
        return;
    const Replacement done = replaceTicked(m_shell, m_tables, kind);
    ShowResults();
    Dialogs::message(this, done.failed.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning, caption,
                     done.text(kind));
}

void TResultForm::sortBy(const QString &key)
{
    m_tables.SortFileTable(key, [this](const QString &a, const QString &b) { return m_shell.compareText(a, b); });
    ShowResults();
}

QList<qsizetype> TResultForm::selectedRows() const
{
    QList<qsizetype> rows;
    if (m_tables.FileTable.isEmpty())
        return rows;
    for (const QTableWidgetSelectionRange &range : DoublesList->selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r)
            if (r < m_tables.FileTable.size() && !rows.contains(r))
                rows.append(r);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TResultForm::selectRows(int first, int last)
{
    DoublesList->clearSelection();
    DoublesList->setRangeSelected(QTableWidgetSelectionRange(first, 0, last, 4), true);
}

void TResultForm::OpenClick()
{
    for (qsizetype row : selectedRows())
        m_shell.openItem(m_tables.filePath(row));
}

void TResultForm::OpenFolderClick()
{
    for (qsizetype row : selectedRows())
        m_shell.openItem(m_tables.FolderPath(m_tables.FileTable[row].Folder));
}

void TResultForm::DeleteFromListClick()
{
    const QList<qsizetype> rows = selectedRows();
    if (rows.isEmpty())
        return;
    for (qsizetype n = 0; n < rows.size(); ++n)
        m_tables.RemoveFileEntry(rows.first());
    ShowResults();
}

// The ticked files, else the selected ones. Each file is looked at again before it goes: one that
// is no longer the file its row shows (changed since the scan, or a result loaded from a file
// made earlier) stays, and so does every file of a protected folder; the user is told which.
// Deleting every member of a group is said before anything moves.
void TResultForm::DeleteToRecyleClick()
{
    const QList<qsizetype> rows = chosenRows(m_tables, selectedRows());
    if (rows.isEmpty())
        return;
    const Removal plan = planRemoval(m_shell, m_tables, rows);
    if (!plan.paths.isEmpty()) {
        QString question = QStringLiteral("Переместить в корзину %1 файл(ов)?").arg(plan.paths.size());
        if (!plan.wholeGroups.isEmpty())
            question += QStringLiteral("\nВыбраны все файлы группы %1: после удаления не останется ни одной копии.")
                            .arg(plan.wholeGroups.join(QStringLiteral(", ")));
        if (Dialogs::confirm(this, QStringLiteral("Удалить с диска"), question, Dialogs::Icon::Warning))
            m_shell.deleteListToRecycleBin(plan.paths);
    }
    // A row whose file is gone leaves the list, whether it went now or before.
    dropGoneRows(m_shell, m_tables, rows);
    ShowResults();
    if (const QString kept = plan.keptText(); !kept.isEmpty())
        Dialogs::message(this, Dialogs::Icon::Warning, QStringLiteral("Удалить с диска"), kept);
}

void TResultForm::SaveToFileClick()
{
    if (m_tables.FileTable.isEmpty())
        return;
    const std::optional<QString> file = Dialogs::saveFile(this, fileFilter, QStringLiteral(".LsD"));
    if (!file)
        return;
    const QByteArray bytes = LsdFile::write(m_tables);
    QSaveFile out(*file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        Dialogs::message(this, Dialogs::Icon::Error, QStringLiteral("Ошибка"),
                         QStringLiteral("Не удалось записать %1: %2").arg(*file, out.errorString()));
}

void TResultForm::LoadFromFileClick()
{
    const std::optional<QString> file = Dialogs::openFile(this, fileFilter);
    if (!file)
        return;
    QFile in(*file);
    if (!in.open(QIODevice::ReadOnly)) {
        Dialogs::message(this, Dialogs::Icon::Error, QStringLiteral("Ошибка"),
                         QStringLiteral("Не удалось открыть %1: %2").arg(*file, in.errorString()));
        return;
    }
    QString error;
    if (!LsdFile::read(in.readAll(), m_tables, &error)) {
        Dialogs::message(this, Dialogs::Icon::Error, QStringLiteral("Ошибка"), error);
        return;
    }
    ShowResults();
}

} // namespace tolvex::duplicates
