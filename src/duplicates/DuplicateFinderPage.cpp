#include "DuplicateFinderPage.h"

#include "Dialogs.h"
#include "ProgramContext.h"
#include "TAddFolderDialog.h"
#include "TResultForm.h"
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
        menu.exec(FoldersListBox->mapToGlobal(at));
    });
    listLayout->addWidget(FoldersListBox);
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

    connect(AddButton, &QPushButton::clicked, this, &DuplicateFinderPage::AddButtonClick);
    connect(RemoveButton, &QPushButton::clicked, this, &DuplicateFinderPage::RemoveButtonClick);
    connect(StartButton, &QPushButton::clicked, this, &DuplicateFinderPage::StartButtonClick);
    connect(ResultButton, &QPushButton::clicked, this, &DuplicateFinderPage::ResultButtonClick);

    // Made with the page, hidden until shown, as the program makes it at start.
    m_result = new TResultForm(context.shell, m_tables, this);
}

DuplicateFinderPage::~DuplicateFinderPage() = default;

bool DuplicateFinderPage::scanning() const { return StartButton->property("Tag").toInt() == 1; }

QStringList DuplicateFinderPage::folders() const
{
    QStringList list;
    for (int i = 0; i < FoldersListBox->count(); ++i)
        list.append(FoldersListBox->item(i)->text());
    return list;
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
            FoldersListBox->clear();
            FoldersListBox->addItems(list);
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
    if (!m_thread->scan().prepare(folders(), {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked()},
                                  ScanSubfoldersCheckBox->isChecked())) {
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
    for (int k = 0; ok && k < count; ++k)
        FoldersListBox->addItem(config.value(section, QStringLiteral("Paths") + QString::number(k)));
}

void DuplicateFinderPage::SaveNAntiD(ini::IniDocument &config) const
{
    const QStringList list = folders();
    config.setValue(section, QStringLiteral("Count"), QString::number(list.size()));
    for (int k = 0; k < list.size(); ++k)
        config.setValue(section, QStringLiteral("Paths") + QString::number(k), list[k]);
}

} // namespace tolvex::duplicates
