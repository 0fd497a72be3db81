#include "AudioConverterPage.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "ProgramContext.h"
#include "TAddFolderDialog.h"

#include "Named.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvex::converter {

using ui::named;

namespace {

QPushButton *iconButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon, const QString &hint)
{
    auto *button = named(new QPushButton(parent), name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(hint);
    return button;
}

QTreeWidgetItem *itemFor(const ConverterRow &row)
{
    auto *item = new QTreeWidgetItem({row.Title, row.Album, row.Format, row.FileName});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, row.Ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

AudioConverterPage::AudioConverterPage(platform::ProgramContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_converter(context.shell)
{
    setObjectName(QStringLiteral("sTabSheet17"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);

    auto *tools = new QHBoxLayout;
    sBitBtn5 = iconButton(this, "sBitBtn5", QStyle::SP_FileIcon, QStringLiteral("Добавить файл"));
    sBitBtn6 = iconButton(this, "sBitBtn6", QStyle::SP_DirIcon, QStringLiteral("Добавить папку"));
    cDelItem =
        iconButton(this, "cDelItem", QStyle::SP_DialogDiscardButton, QStringLiteral("Удалить из списка"));
    cClearList = iconButton(this, "cClearList", QStyle::SP_TrashIcon, QStringLiteral("Очистить список"));
    for (QPushButton *button : {sBitBtn5, sBitBtn6, cDelItem, cClearList})
        tools->addWidget(button);
    tools->addStretch(1);
    outer->addLayout(tools);

    sListView2 = named(new QTreeWidget(this), "sListView2");
    sListView2->setColumnCount(4);
    sListView2->setHeaderLabels({QStringLiteral("Песня"), QStringLiteral("Альбом"), QStringLiteral("Формат"),
                                 QStringLiteral("Файл")});
    for (const auto &[column, width] : {std::pair{0, 100}, {1, 100}, {2, 90}, {3, 100}})
        sListView2->setColumnWidth(column, width);
    sListView2->setRootIsDecorated(false);
    sListView2->setUniformRowHeights(true);
    sListView2->setSelectionMode(QAbstractItemView::SingleSelection);
    // Grid lines, as the report view draws them.
    sListView2->setStyleSheet(QStringLiteral("QTreeWidget::item { border-right: 1px solid palette(mid); "
                                             "border-bottom: 1px solid palette(mid); }"));
    outer->addWidget(sListView2, 1);

    auto *folderLine = new QHBoxLayout;
    folderLine->addWidget(named(new QLabel(QStringLiteral("Сохранить в..."), this), "sLabel20"));
    sEdit1 = named(new QLineEdit(this), "sEdit1");
    sEdit1->setToolTip(QStringLiteral("Кликните 2 раза чтобы указаная папка открылась"));
    sEdit1->installEventFilter(this);
    folderLine->addWidget(sEdit1, 1);
    sButton7 = named(new QPushButton(QStringLiteral("..."), this), "sButton7");
    sButton7->setFixedWidth(sButton7->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    folderLine->addWidget(sButton7);
    outer->addLayout(folderLine);

    auto *bottom = new QHBoxLayout;
    auto *formats = named(new QGroupBox(QStringLiteral("Формат"), this), "sGroupBox32");
    auto *formatLayout = new QHBoxLayout(formats);
    formatLayout->addWidget(named(new QLabel(QStringLiteral("ИЗ ->"), formats), "sLabelFX3"));
    sComboBox2 = named(new QComboBox(formats), "sComboBox2");
    sComboBox2->addItem(QStringLiteral("Mp3"));
    sComboBox2->setEnabled(false);
    formatLayout->addWidget(sComboBox2);
    formatLayout->addWidget(named(new QLabel(QStringLiteral("В ->"), formats), "sLabelFX4"));
    sComboBox3 = named(new QComboBox(formats), "sComboBox3");
    sComboBox3->addItems({QStringLiteral("WAV"), QStringLiteral("Ogg")});
    sComboBox3->setEnabled(false);
    formatLayout->addWidget(sComboBox3);
    bottom->addWidget(formats);

    auto *run = new QVBoxLayout;
    auto *runButtons = new QHBoxLayout;
    sBitBtn1 = iconButton(this, "sBitBtn1", QStyle::SP_MediaPlay, QStringLiteral("Конвертировать"));
    sBitBtn2 = iconButton(this, "sBitBtn2", QStyle::SP_MediaStop, QStringLiteral("Остановить"));
    runButtons->addWidget(sBitBtn1);
    runButtons->addWidget(sBitBtn2);
    sLabel19 = named(new QLabel(QStringLiteral("Ожидание"), this), "sLabel19");
    runButtons->addWidget(sLabel19, 1);
    run->addLayout(runButtons);
    sProgressBar3 = named(new QProgressBar(this), "sProgressBar3");
    sProgressBar3->setRange(0, 100);
    sProgressBar3->setValue(0);
    run->addWidget(sProgressBar3);
    bottom->addLayout(run, 1);
    outer->addLayout(bottom);

    connect(sBitBtn5, &QPushButton::clicked, this, &AudioConverterPage::sButton5Click);
    connect(sBitBtn6, &QPushButton::clicked, this, &AudioConverterPage::vRepClick);
    connect(cDelItem, &QPushButton::clicked, this, &AudioConverterPage::cDelItemClick);
    connect(cClearList, &QPushButton::clicked, this, &AudioConverterPage::cClearListClick);
    connect(sButton7, &QPushButton::clicked, this, &AudioConverterPage::sButton7Click);
    connect(sBitBtn1, &QPushButton::clicked, this, &AudioConverterPage::sButton4Click);
    connect(sBitBtn2, &QPushButton::clicked, this, &AudioConverterPage::sBitBtn2Click);
    connect(sEdit1, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_converter.OutputFolder = text; });
    connect(sComboBox2, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { m_converter.SourceFormat = text; });
    connect(sComboBox3, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { m_converter.TargetFormat = text; });

    connect(&m_converter, &AudioConverter::rowAdded, this, [this](int index) {
        sListView2->insertTopLevelItem(index, itemFor(m_converter.rows().at(index)));
    });
    connect(&m_converter, &AudioConverter::rowRemoved, this,
            [this](int index) { delete sListView2->takeTopLevelItem(index); });
    connect(&m_converter, &AudioConverter::cleared, sListView2, &QTreeWidget::clear);
    connect(sListView2, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (column == 0)
            m_converter.SetTicked(sListView2->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
    connect(&m_converter, &AudioConverter::stateChanged, sLabel19, &QLabel::setText);
    // The percent goes past 100 when the estimate was short; the bar stays full then.
    connect(&m_converter, &AudioConverter::progressChanged, sProgressBar3,
            [this](int percent) { sProgressBar3->setValue(qBound(0, percent, 100)); });
    // While a press works through the rows, its row numbers must stay put.
    connect(&m_converter, &AudioConverter::pressRunningChanged, this, [this](bool running) {
        for (QPushButton *button : {sBitBtn1, cDelItem, cClearList})
            button->setEnabled(!running);
    });
}

ui::TAddFolderDialog &AudioConverterPage::pathDialog()
{
    if (!sPathDialog1) {
        sPathDialog1 = new ui::TAddFolderDialog(m_context.shell, window());
        sPathDialog1->setObjectName(QStringLiteral("sPathDialog1"));
        sPathDialog1->setWindowTitle(QStringLiteral("Укажите папку:"));
    }
    return *sPathDialog1;
}

void AudioConverterPage::sButton5Click()
{
    const QStringList chosen = ui::Dialogs::openFiles(window(), QStringLiteral("Mp3|*.Mp3"));
    for (const QString &file : chosen) {
        // The chooser walks the host's files; the list keeps Windows paths.
        const QString path = file.startsWith(u'/') ? m_context.machine.windowsPath(file) : file;
        QString error;
        if (!m_converter.AddFile(path, &error)) {
            ui::showErrorBox(window(), error);
            break;
        }
    }
}

void AudioConverterPage::vRepClick()
{
    const std::optional<QString> folder = ui::Dialogs::chooseFolder(pathDialog());
    if (folder && !folder->isEmpty()) m_converter.AddFolder(*folder);
}

void AudioConverterPage::cDelItemClick()
{
    QTreeWidgetItem *item = sListView2->currentItem();
    if (item && item->isSelected()) m_converter.RemoveRow(sListView2->indexOfTopLevelItem(item));
}

void AudioConverterPage::cClearListClick()
{
    m_converter.Clear();
}

void AudioConverterPage::sButton7Click()
{
    const std::optional<QString> folder = ui::Dialogs::chooseFolder(pathDialog());
    if (folder && !folder->isEmpty()) sEdit1->setText(*folder);
}

void AudioConverterPage::sEdit1DblClick()
{
    m_context.shell.openItem(sEdit1->text());
}

void AudioConverterPage::sButton4Click()
{
    // Closing the window ends the press and the file being converted.
    if (QWidget *top = window(); top != m_watchedWindow) {
        if (m_watchedWindow) m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = top;
        top->installEventFilter(this);
    }
    m_converter.OutputFolder = sEdit1->text();
    m_converter.Convert();
}

void AudioConverterPage::sBitBtn2Click()
{
    m_converter.Stop();
}

bool AudioConverterPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sEdit1 && event->type() == QEvent::MouseButtonDblClick)
        sEdit1DblClick();
    else if (watched == m_watchedWindow && event->type() == QEvent::Close)
        m_converter.Abandon();
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvex::converter
