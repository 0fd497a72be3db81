#include "DuplicateFinderPage.h"

#include "Dialogs.h"
#include "ProgramContext.h"
#include "TAddFolderDialog.h"
#include "TResultForm.h"
#include "DuplicateScan.h"
#include "ini/IniDocument.h"
#include "text/PathParts.h"

#include "Named.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tolvex::duplicates {

using ui::Dialogs;
using ui::named;

namespace {

const QString section = QStringLiteral("AntiD");
const QString startText = QStringLiteral("Начать сканирование");

} // namespace

DuplicateFinderPage::DuplicateFinderPage(platform::ProgramContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("AntiDouble"));
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);

    auto *listBox = named(new QGroupBox(QStringLiteral("Список папок для сканирования"), this), "sGroupBox14");
    auto *listLayout = new QVBoxLayout(listBox);
    FoldersListBox = named(new QListWidget(listBox), "FoldersListBox");
    FoldersListBox->setToolTip(QStringLiteral("Отображаются необходимые папки для сканирования"));
    FoldersListBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FoldersListBox, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu;
        menu.addAction(QStringLiteral("Добавить"), this, &DuplicateFinderPage::AddButtonClick);
        menu.addAction(QStringLiteral("Удалить"), this, &DuplicateFinderPage::RemoveButtonClick);
        if (QListWidgetItem *item = FoldersListBox->itemAt(at)) {
            QAction *guard = menu.addAction(QStringLiteral("Защищённая папка"), this, [this, item] { toggleProtected(item); });
            guard->setObjectName(QStringLiteral("ProtectFolder"));
            guard->setCheckable(true);
            guard->setChecked(item->checkState() == Qt::Checked);
        }
        menu.exec(FoldersListBox->mapToGlobal(at));
    });
    listLayout->addWidget(FoldersListBox);
    auto *hint = named(new QLabel(QStringLiteral("Флажок защищает папку: её файлы сравниваются, но не отмечаются, "
                                                 "не удаляются и не заменяются."),
                                  listBox),
                       "ProtectedHint");
    hint->setWordWrap(true);
    listLayout->addWidget(hint);
    ProtectWindowsCheckBox = named(new QCheckBox(listBox), "ProtectWindowsCheckBox");
    ProtectWindowsCheckBox->setChecked(true);
    ProtectWindowsCheckBox->setVisible(false);
    listLayout->addWidget(ProtectWindowsCheckBox);
    outer->addWidget(listBox, 1);

    auto *side = new QVBoxLayout;
    auto *choose = named(new QGroupBox(QStringLiteral("Выберите"), this), "sGroupBox15");
    auto *chooseLayout = new QVBoxLayout(choose);
    auto *buttons = new QHBoxLayout;
    AddButton = named(new QPushButton(QStringLiteral("Добавить"), choose), "AddButton");
    RemoveButton = named(new QPushButton(QStringLiteral("Удалить"), choose), "RemoveButton");
    buttons->addWidget(AddButton);
    buttons->addWidget(RemoveButton);
    chooseLayout->addLayout(buttons);
    ScanSubfoldersCheckBox = named(new QCheckBox(QStringLiteral("Сканировать подпапки"), choose), "ScanSubfoldersCheckBox");
    ScanSubfoldersCheckBox->setChecked(true);
    chooseLayout->addWidget(ScanSubfoldersCheckBox);
    auto *criteria = named(new QGroupBox(QStringLiteral("Признаки дубликата"), choose), "DoubleIndicationsBox");
    auto *criteriaLayout = new QVBoxLayout(criteria);
    CheckBox1 = named(new QCheckBox(QStringLiteral("Одинаковое имя"), criteria), "CheckBox1");
    CheckBox2 = named(new QCheckBox(QStringLiteral("Одинаковый размер"), criteria), "CheckBox2");
    CheckBox3 = named(new QCheckBox(QStringLiteral("Одинаковое содержимое"), criteria), "CheckBox3");
    CheckBox1->setChecked(true);
    CheckBox2->setChecked(true);
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3})
        criteriaLayout->addWidget(box);
    chooseLayout->addWidget(criteria);
    side->addWidget(choose);

    auto *start = named(new QGroupBox(QStringLiteral("Начать сканирование"), this), "sGroupBox16");
    auto *startLayout = new QVBoxLayout(start);
    StartButton = named(new QPushButton(startText, start), "StartButton");
    StartButton->setProperty("Tag", 0);
    ResultButton = named(new QPushButton(QStringLiteral("Смотреть результат"), start), "ResultButton");
    ResultButton->setToolTip(QStringLiteral("Просмотр результута сканирования"));
    startLayout->addWidget(StartButton);
    startLayout->addWidget(ResultButton);
    side->addWidget(start);

    auto *process = named(new QGroupBox(QStringLiteral("Процесс"), this), "sGroupBox17");
    auto *processLayout = new QVBoxLayout(process);
    OperationName = named(new QLabel(QStringLiteral("Статус"), process), "OperationName");
    ProgressStaus = named(new QLabel(QStringLiteral("Количество"), process), "ProgressStaus");
    QFont bold = OperationName->font();
    bold.setBold(true);
    OperationName->setFont(bold);
    ProgressStaus->setFont(bold);
    sProgressBar2 = named(new QProgressBar(process), "sProgressBar2");
    sProgressBar2->setTextVisible(false);
    sProgressBar2->setValue(0);
    processLayout->addWidget(OperationName);
    processLayout->addWidget(ProgressStaus);
    processLayout->addWidget(sProgressBar2);
    side->addWidget(process);
    side->addStretch(1);
    outer->addLayout(side);

    connect(ScanSubfoldersCheckBox, &QCheckBox::toggled, this, &DuplicateFinderPage::updateWindowsProtection);
    connect(AddButton, &QPushButton::clicked, this, &DuplicateFinderPage::AddButtonClick);
    connect(RemoveButton, &QPushButton::clicked, this, &DuplicateFinderPage::RemoveButtonClick);
    connect(StartButton, &QPushButton::clicked, this, &DuplicateFinderPage::StartButtonClick);
    connect(ResultButton, &QPushButton::clicked, this, &DuplicateFinderPage::ResultButtonClick);

    // Made with the page, hidden until shown, as the program makes it at start.
    m_result = new TResultForm(context.shell, m_tables, this);
}

// The worker writes into the tables, which go with this object's members, before the children
// (the thread among them) would: it is stopped and waited for first.
DuplicateFinderPage::~DuplicateFinderPage() { delete m_thread.data(); }

bool DuplicateFinderPage::scanning() const { return StartButton->property("Tag").toInt() == 1; }

QStringList DuplicateFinderPage::folders() const
{
    QStringList list;
    for (int i = 0; i < FoldersListBox->count(); ++i)
        list.append(FoldersListBox->item(i)->text());
    return list;
}

QStringList DuplicateFinderPage::protectedFolders() const
{
    QStringList list;
    for (int i = 0; i < FoldersListBox->count(); ++i)
        if (FoldersListBox->item(i)->checkState() == Qt::Checked)
            list.append(FoldersListBox->item(i)->text());
    if (!ProtectWindowsCheckBox->isHidden() && ProtectWindowsCheckBox->isChecked())
        list.append(ProtectWindowsCheckBox->property("folder").toString());
    return list;
}

void DuplicateFinderPage::setFolders(const QStringList &list, const QStringList &protectedList)
{
    FoldersListBox->clear();
    for (const QString &path : list) {
        auto *item = new QListWidgetItem(path, FoldersListBox);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(protectedList.contains(path, Qt::CaseSensitive) ? Qt::Checked : Qt::Unchecked);
    }
    updateWindowsProtection();
}

void DuplicateFinderPage::toggleProtected(QListWidgetItem *item)
{
    if (scanning())
        return;
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void DuplicateFinderPage::updateWindowsProtection()
{
    const QString windows = DuplicateScan::windowsFolderWithin(folders(), m_context.shell.windowsFolder(),
                                                               ScanSubfoldersCheckBox->isChecked());
    ProtectWindowsCheckBox->setProperty("folder", windows);
    ProtectWindowsCheckBox->setText(QStringLiteral("Защитить папку Windows"));
    ProtectWindowsCheckBox->setToolTip(QStringLiteral("%1 лежит в папке из списка. Windows и Wine намеренно держат "
                                                      "одинаковые копии системных файлов: удаление одной из них "
                                                      "ломает программы")
                                           .arg(windows));
    ProtectWindowsCheckBox->setHidden(windows.isEmpty());
}

void DuplicateFinderPage::AddButtonClick()
{
    if (scanning())
        return;
    if (!m_folderDialog)
        m_folderDialog = new ui::TAddFolderDialog(m_context.shell, window());
    const std::optional<QString> chosen = Dialogs::chooseFolder(*m_folderDialog);
    if (!chosen)
        return;
    if (!chosen->isEmpty()) {
        const QString path = text::withTrailingBackslash(*chosen);
        if (path.mid(1, 2) == QStringLiteral(":\\") && !folders().contains(path, Qt::CaseSensitive)) {
            QStringList list = folders() << path;
            // From the first add on, the list keeps the locale's order, case ignored.
            std::stable_sort(list.begin(), list.end(),
                             [this](const QString &a, const QString &b) { return m_context.shell.compareText(a, b) < 0; });
            QStringList marked;
            for (int i = 0; i < FoldersListBox->count(); ++i)
                if (FoldersListBox->item(i)->checkState() == Qt::Checked)
                    marked.append(FoldersListBox->item(i)->text());
            setFolders(list, marked);
            m_sorted = true;
        }
    }
    if (FoldersListBox->count() > 0)
        StartButton->setEnabled(true);
}

void DuplicateFinderPage::RemoveButtonClick()
{
    if (scanning())
        return;
    if (QListWidgetItem *item = FoldersListBox->currentItem(); item && item->isSelected())
        delete item;
    updateWindowsProtection();
    if (FoldersListBox->count() == 0)
        StartButton->setEnabled(false);
}

void DuplicateFinderPage::StartButtonClick()
{
    if (scanning()) {
        if (m_thread)
            m_thread->scan().StopRequested = true;
        return;
    }
    m_thread = new TProgressThread(m_context.shell, m_tables, this);
    updateWindowsProtection();
    if (!m_thread->scan().prepare(folders(), {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked()},
                                  ScanSubfoldersCheckBox->isChecked(), protectedFolders())) {
        delete m_thread;
        return;
    }
    StartButton->setText(QStringLiteral("Остановить сканирование"));
    StartButton->setProperty("Tag", 1);
    connect(m_thread, &TProgressThread::operationChanged, OperationName, &QLabel::setText);
    connect(m_thread, &TProgressThread::progressTextChanged, ProgressStaus, &QLabel::setText);
    connect(m_thread, &TProgressThread::progressChanged, this, [this](qint64 position, qint64 maximum) {
        // The bar counts in thousandths, whatever the totals.
        sProgressBar2->setRange(0, 1000);
        sProgressBar2->setValue(maximum > 0 ? int(1000 * position / maximum) : 0);
    });
    connect(m_thread, &TProgressThread::ended, this, &DuplicateFinderPage::scanFinished);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->start();
}

void DuplicateFinderPage::scanFinished()
{
    StartButton->setText(startText);
    StartButton->setProperty("Tag", 0);
    emit scanEnded();
}

void DuplicateFinderPage::ResultButtonClick()
{
    if (scanning())
        return;
    m_result->showModal();
}

void DuplicateFinderPage::LoadNAntiD(const ini::IniDocument &config)
{
    bool ok = false;
    const int count = qBound(0, config.value(section, QStringLiteral("Count")).toInt(&ok), 100000);
    QStringList list, marked;
    for (int k = 0; ok && k < count; ++k) {
        list.append(config.value(section, QStringLiteral("Paths") + QString::number(k)));
        if (config.value(section, QStringLiteral("Protected") + QString::number(k)) == u"1")
            marked.append(list.last());
    }
    ProtectWindowsCheckBox->setChecked(config.value(section, QStringLiteral("ProtectWindows")) != u"0");
    setFolders(list, marked);
}

void DuplicateFinderPage::SaveNAntiD(ini::IniDocument &config) const
{
    const QStringList list = folders();
    config.setValue(section, QStringLiteral("Count"), QString::number(list.size()));
    for (int k = 0; k < list.size(); ++k)
        config.setValue(section, QStringLiteral("Paths") + QString::number(k), list[k]);
    // Keys a reader of the folder list alone passes over, written only where they say something.
    auto mark = [&](const QString &key, bool on, bool byDefault) {
        if (on == byDefault)
            config.removeKey(section, key);
        else
            config.setValue(section, key, on ? QStringLiteral("1") : QStringLiteral("0"));
    };
    for (int k = 0; k < list.size(); ++k)
        mark(QStringLiteral("Protected") + QString::number(k), FoldersListBox->item(k)->checkState() == Qt::Checked,
             false);
    mark(QStringLiteral("ProtectWindows"), ProtectWindowsCheckBox->isChecked(), true);
}

} // namespace tolvex::duplicates
