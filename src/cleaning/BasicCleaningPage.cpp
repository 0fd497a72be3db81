#include "BasicCleaningPage.h"

#include "Named.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex::cleaning {

using ui::named;

BasicCleaningPage::BasicCleaningPage(platform::ShellServices &shell, QWidget *parent)
    : QWidget(parent), m_cleaning(shell)
{
    setObjectName(QStringLiteral("sTabSheet1"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);

    auto *top = new QHBoxLayout;
    auto *choices = named(new QGroupBox(QStringLiteral("Выберите:"), this), "sGroupBox2");
    auto *choiceLayout = new QVBoxLayout(choices);
    sCheckBox1 = named(new QCheckBox(QStringLiteral("Internet Explorer"), choices), "sCheckBox1");
    sCheckBox1->setToolTip(QStringLiteral("Сканирует и удаляет все временные файлы любой версии IE"));
    // The main window's start-up ticks it.
    // A right click ticks the box; no menu is shown.
    sCheckBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sCheckBox1, &QWidget::customContextMenuRequested, sCheckBox1, [this] { sCheckBox1->setChecked(true); });
    sCheckBox3 = named(new QCheckBox(QStringLiteral("Система"), choices), "sCheckBox3");
    sCheckBox3->setToolTip(QStringLiteral("Сканирует и удаляет все временные файлы в системе"));
    sCheckBox3->setChecked(true);
    choiceLayout->addWidget(sCheckBox1);
    choiceLayout->addWidget(sCheckBox3);
    choiceLayout->addStretch(1);
    top->addWidget(choices);

    auto *info = named(new QGroupBox(QStringLiteral("Информация"), this), "sGroupBox12");
    info->setToolTip(QStringLiteral("Выводить общую информацию о сканируемых обьетах"));
    auto *grid = new QGridLayout(info);
    auto addPair = [&](int line, const char *captionName, const QString &caption, const char *valueName) {
        grid->addWidget(named(new QLabel(caption, info), captionName), line, 0);
        auto *value = named(new QLabel(info), valueName);
        grid->addWidget(value, line, 1);
        return value;
    };
    STProv = addPair(0, "sLabel1", QStringLiteral("Статус:"), "STProv");
    IESize = addPair(1, "IEFiles", QStringLiteral("Internet Explorer:"), "IESize");
    sLabel4 = addPair(2, "sLabel5", QStringLiteral("Система:"), "sLabel4");
    grid->setColumnStretch(1, 1);
    top->addWidget(info, 1);
    outer->addLayout(top);

    auto *details = named(new QGroupBox(QStringLiteral("Подробно"), this), "sGroupBox1");
    auto *detailsLayout = new QVBoxLayout(details);
    sMemo1 = named(new QPlainTextEdit(details), "sMemo1");
    sMemo1->setReadOnly(true);
    sMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    sMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sMemo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sMemo1->setToolTip(QStringLiteral("Показывает подробное местоположение временных файлов"));
    detailsLayout->addWidget(sMemo1);
    outer->addWidget(details, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(named(new QLabel(QStringLiteral("Прогресс"), this), "sLabelFX1"));
    sProgressBar1 = named(new QProgressBar(this), "sProgressBar1");
    sProgressBar1->setRange(0, BasicCleaning::progressMaximum);
    sProgressBar1->setValue(0);
    sProgressBar1->setTextVisible(false);
    bottom->addWidget(sProgressBar1, 1);
    sButton1 = named(new QPushButton(QStringLiteral("Анализ"), this), "sButton1");
    sButton2 = named(new QPushButton(QStringLiteral("Очистить"), this), "sButton2");
    sButton2->setEnabled(false);
    bottom->addWidget(sButton1);
    bottom->addWidget(sButton2);
    outer->addLayout(bottom);

    connect(sButton1, &QPushButton::clicked, this, &BasicCleaningPage::sButton1Click);
    connect(sButton2, &QPushButton::clicked, this, &BasicCleaningPage::sButton2Click);
    connect(&m_cleaning, &BasicCleaning::analysisStarted, this, [this] {
        m_cleanAllowed = true;
        sMemo1->clear();
        // Until its passes end, the analysis holds both commands.
        sButton1->setEnabled(false);
        sButton2->setEnabled(false);
    });
    connect(&m_cleaning, &BasicCleaning::browserCountChanged, IESize,
            [this](int count) { IESize->setText(QString::number(count)); });
    connect(&m_cleaning, &BasicCleaning::systemCountChanged, sLabel4,
            [this](int count) { sLabel4->setText(QString::number(count)); });
    connect(&m_cleaning, &BasicCleaning::statusChanged, STProv, &QLabel::setText);
    connect(&m_cleaning, &BasicCleaning::listed, sMemo1, &QPlainTextEdit::appendPlainText);
    connect(&m_cleaning, &BasicCleaning::progressChanged, sProgressBar1, &QProgressBar::setValue);
    connect(&m_cleaning, &BasicCleaning::passEnded, this, &BasicCleaningPage::updateButtons);
    connect(&m_cleaning, &BasicCleaning::cleaned, this, [this] {
        m_cleanAllowed = false;
        updateButtons();
    });
}

// While a pass of the last analysis runs, neither command can start.
void BasicCleaningPage::updateButtons()
{
    const bool idle = !m_cleaning.busy();
    sButton1->setEnabled(idle);
    sButton2->setEnabled(idle && m_cleanAllowed);
}

void BasicCleaningPage::sButton1Click()
{
    m_cleaning.Scan(sCheckBox1->isChecked(), sCheckBox3->isChecked());
    updateButtons();
}

void BasicCleaningPage::sButton2Click() { m_cleaning.Clear(sCheckBox1->isChecked(), sCheckBox3->isChecked()); }

} // namespace tolvex::cleaning
