#include "MainForm.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "FrameBar.h"
#include "OptionsPage.h"
#include "ProgramContext.h"
#include "AdvancedCleaningPage.h"
#include "ApplicationsPage.h"
#include "AudioConverter.h"
#include "AudioConverterPage.h"
#include "BackupPages.h"
#include "BasicCleaningPage.h"
#include "DuplicateFinderPage.h"
#include "RegistryCleanerPage.h"
#include "ini/IniDocument.h"
#include "machine/MachineWatcher.h"
#include "TweakPages.h"
#include "panels/TFrame1.h"
#include "panels/TFrame2.h"
#include "panels/TFrame3.h"
#include "panels/TFrame4.h"
#include "panels/TFrame5.h"
#include "panels/TFrame6.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <array>

namespace tolvex::app {

namespace {

// The page control's pages by index: the side bar sets pages by these indices.
constexpr std::array<const char *, TMainForm::PageCount> pageComponents = {
    "sTabSheet1",  "sTabSheet2",  "sTabSheet3",  "SystemSettings", "sTabSheet5",  "sTabSheet4",
    "sTabSheet6",  "sTabSheet7",  "sTabSheet8",  "sTabSheet9",     "sTabSheet10", "sTabSheet11",
    "AntiDouble",  "sTabSheet12", "sTabSheet15", "sTabSheet16",    "sTabSheet17", "sTabSheet18",
    "sTabSheet19", "sTabSheet20", "sTabSheet21", "sTabSheet22",
};

constexpr int OptionsPageIndex = 13;

} // namespace

TMainForm::TMainForm(platform::ProgramContext &context, QWidget *parent)
    : QMainWindow(parent), m_context(context)
{
    buildWindow();
    FormCreate();
    followMachine();
}

// The tweak pages go first: whatever they own of the page widgets leaves the page control cleanly.
TMainForm::~TMainForm()
{
    m_backups.reset();
    m_tweaks.reset();
}

void TMainForm::buildWindow()
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("Tolvex beta v 0.4"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont tahoma(QStringLiteral("Tahoma"));
    // Without Tahoma, a face of Arial's metrics keeps the side bar's titles within its width.
    tahoma.setFamilies(
        {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    tahoma.setStyleHint(QFont::SansSerif);
    tahoma.setPixelSize(11);
    setFont(tahoma);
    // Also the program's default: views with a style sheet, dialogs and boxes take it from there.
    QApplication::setFont(tahoma);
    setFixedSize(627, 460);
    move(329, 150);

    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    sFrameBar1 = new FrameBar(central);
    sFrameBar1->setObjectName(QStringLiteral("sFrameBar1"));
    sFrameBar1->setFixedWidth(195);
    sPageControl1 = new QStackedWidget(central);
    sPageControl1->setObjectName(QStringLiteral("sPageControl1"));
    layout->addWidget(sFrameBar1);
    layout->addWidget(sPageControl1, 1);
    setCentralWidget(central);

    sStatusBar2 = new QStatusBar(this);
    sStatusBar2->setObjectName(QStringLiteral("sStatusBar2"));
    sStatusBar2->setFixedHeight(22);
    sStatusBar2->setSizeGripEnabled(false);
    setStatusBar(sStatusBar2);
    machineState = new QLabel(sStatusBar2);
    machineState->setObjectName(QStringLiteral("machineState"));
    sStatusBar2->addWidget(machineState, 1);

    buildSideBar();
    buildPages();
}

void TMainForm::buildSideBar()
{
    sFrameBar1->addItem(QStringLiteral("Очистка"), [this] { sFrameBar1Items0CreateFrame(); });
    sFrameBar1->addItem(QStringLiteral("Очистка(Расширенные функции)"),
                        [this] { sFrameBar1Items1CreateFrame(); });
    sFrameBar1->addItem(QStringLiteral("Параметры MS Windows XP"), [this] { sFrameBar1Items2CreateFrame(); });
    sFrameBar1->addItem(QStringLiteral("Параметры MS Windows Vista"),
                        [this] { sFrameBar1Items4CreateFrame(); });
    sFrameBar1->addItem(QStringLiteral("Мультимедия"), [this] { sFrameBar1ConvCreateFrame(); });
    sFrameBar1->addItem(QStringLiteral("Опции"), [this] { sFrameBar1Items3CreateFrame(); });
}

void TMainForm::buildPages()
{
    m_tweaks = std::make_unique<tweaks::TweakPages>(m_context, sPageControl1);
    m_backups = std::make_unique<backups::BackupPages>(m_context, *m_tweaks, sPageControl1);
    m_basicCleaning = new cleaning::BasicCleaningPage(m_context.shell, sPageControl1);
    m_advancedCleaning = new advanced_cleaning::AdvancedCleaningPage(m_context.shell, sPageControl1);
    m_registryCleaner = new registry_cleaner::RegistryCleanerPage(m_context, sPageControl1);
    m_applications = new applications::ApplicationsPage(m_context, sPageControl1);
    m_duplicates = new duplicates::DuplicateFinderPage(m_context, sPageControl1);
    m_converter = new converter::AudioConverterPage(m_context, sPageControl1);
    for (int i = 0; i < PageCount; ++i) {
        const QString name = QString::fromLatin1(pageComponents[i]);
        QWidget *page = nullptr;
        if (i == OptionsPageIndex)
            page = optionsPage = new OptionsPage(sPageControl1);
        else if (name == m_basicCleaning->objectName())
            page = m_basicCleaning;
        else if (name == m_advancedCleaning->objectName())
            page = m_advancedCleaning;
        else if (name == m_registryCleaner->objectName())
            page = m_registryCleaner;
        else if (name == m_applications->objectName())
            page = m_applications;
        else if (name == m_duplicates->objectName())
            page = m_duplicates;
        else if (name == m_converter->objectName())
            page = m_converter;
        else
            page = m_tweaks->page(name);
        if (!page)
            page = m_backups->page(name);
        if (!page) {
            page = new QWidget(sPageControl1);
            page->setObjectName(name);
        }
        sPageControl1->addWidget(page);
    }
    sCheckBox1 = m_basicCleaning->sCheckBox1;

    sEdit1 = m_converter->sEdit1;
}

void TMainForm::showPage(int index)
{
    sPageControl1->setCurrentIndex(index);
}

void TMainForm::runCommand(const std::function<void()> &handler)
{
    ui::guarded(this, handler);
    showSaveErrors(m_context.finishCommand());
}

void TMainForm::showSaveErrors(const QStringList &errors)
{
    if (!errors.isEmpty()) ui::showErrorBox(this, errors.join(u'\n'));
}

void TMainForm::followMachine()
{
    m_watcher = new platform::MachineWatcher(m_context.machine, this);
    showMachineState();
    connect(m_watcher, &platform::MachineWatcher::holdStarted, this, [this] {
        showMachineState();
        // Said once, as at start-up; from its own event, since a box shown from inside the
        // watcher's look would stop it looking while the box is open.
        QTimer::singleShot(0, this, [this] {
            if (m_watcher->held())
                ui::Dialogs::message(this, ui::Dialogs::Icon::Warning, QStringLiteral("Tolvex"),
                                     m_context.machine.readOnlyNotice());
        });
    });
    connect(m_watcher, &platform::MachineWatcher::holdEnded, this, &TMainForm::showMachineState);
    connect(m_watcher, &platform::MachineWatcher::reloadFailed, this,
            [this](const QStringList &errors) { ui::showErrorBox(this, errors.join(u'\n')); });
    connect(m_watcher, &platform::MachineWatcher::registryReloaded, this, [this] {
        m_staleTweaks = m_staleApplications = true;
        refreshIfStale(sPageControl1->currentIndex());
    });
    connect(sPageControl1, &QStackedWidget::currentChanged, this, &TMainForm::refreshIfStale);
}

void TMainForm::showMachineState()
{
    machineState->setText(m_watcher->held() ? QStringLiteral("Только чтение: реестр машины держит wineserver")
                                            : QString());
}

// A page shows the registry afresh when it is next shown: the tweak pages as after a restore,
// so that their undo still writes back the state captured at start-up.
void TMainForm::refreshIfStale(int pageIndex)
{
    QWidget *page = sPageControl1->widget(pageIndex);
    if (!page)
        return;
    if (m_staleApplications && page == m_applications) {
        m_staleApplications = false;
        runCommand([this] {
            m_applications->BuildApplicationTree();
            m_applications->FormPaint();
        });
        return;
    }
    if (!m_staleTweaks || m_tweaks->page(page->objectName()) != page)
        return;
    m_staleTweaks = false;
    runCommand([this] {
        if (m_vista)
            m_tweaks->VLoadRegedit();
        else
            m_tweaks->LoadRegedit(0);
    });
}

// Side bar: each handler makes its item's panel, hands it to the bar and shows the item's page.

void TMainForm::sFrameBar1Items0CreateFrame()
{
    auto *frame = new TFrame1(*this);
    sFrameBar1->setFrame(0, frame);
    showPage(0);
    frame->sBitBtn1->setChecked(true);
}

void TMainForm::sFrameBar1Items1CreateFrame()
{
    sFrameBar1->setFrame(1, new TFrame5(*m_advancedCleaning));
    QCoreApplication::processEvents();
    showPage(15);
}

void TMainForm::sFrameBar1Items2CreateFrame()
{
    sFrameBar1->setFrame(2, new TFrame3(*this));
    QCoreApplication::processEvents();
    showPage(4);
}

void TMainForm::sFrameBar1Items4CreateFrame()
{
    sFrameBar1->setFrame(3, new TFrame2(*this));
    showPage(17);
}

void TMainForm::sFrameBar1ConvCreateFrame()
{
    sFrameBar1->setFrame(4, new TFrame6(*this));
    showPage(16);
}

void TMainForm::sFrameBar1Items3CreateFrame()
{
    sFrameBar1->setFrame(5, new TFrame4(*this));
    showPage(TFrame4::backupPage(*this));
}

// An error escaping a step skips the steps after it; the window opens all the same.
void TMainForm::FormCreate()
{
    runCommand([this] {
        DecideGeneration();
        SetConverterFolder();
        FillSkinList();
        m_tweaks->SCancelSystemSett();
        TurnOnBrowserCache();
        OpenFirstItem();
        // The Qt style is in effect from the start: the skinning engine has nothing to switch on.
        GetDrives();
        LoadNastr();
        ShareSystemImageLists();
        StartBackupListing();
        LoadNAntiD();
    });
}

void TMainForm::DecideGeneration()
{
    m_vista = m_context.machine.vistaGeneration();
    if (m_vista)
        PrepareVistaPages();
    else
        PrepareXpPages();
}

void TMainForm::PrepareXpPages()
{
    sFrameBar1->setItemHidden(3, true);
    const QStringList failed = m_tweaks->CreateKeys();
    if (!failed.isEmpty())
        ui::Dialogs::message(this, ui::Dialogs::Icon::Error, QStringLiteral("Ошибка"), failed.join(u'\n'));
    m_tweaks->LoadRegedit(0);
}

// Qt shows windows without an opening animation and styles dialogs like every other window, so
// the skinning options of this generation need nothing here.
void TMainForm::PrepareVistaPages()
{
    sFrameBar1->setItemHidden(2, true);
    m_tweaks->VLoadRegedit();
}

void TMainForm::SetConverterFolder()
{
    sEdit1->setText(converter::AudioConverter::defaultOutputFolder(m_context.shell));
}

void TMainForm::FillSkinList()
{
    QComboBox *combo = optionsPage->ComboSkin;
    combo->clear();
    combo->addItems(QStyleFactory::keys());
    combo->setCurrentIndex(combo->findText(QApplication::style()->name(), Qt::MatchFixedString));
}

void TMainForm::TurnOnBrowserCache()
{
    sCheckBox1->setChecked(true);
}

void TMainForm::OpenFirstItem()
{
    sFrameBar1->openItem(0);
}

void TMainForm::GetDrives() { m_advancedCleaning->GetDrives(); }

void TMainForm::LoadNastr() { m_advancedCleaning->LoadNastr(advanced_cleaning::readConfig(m_context.shell)); }

void TMainForm::ShareSystemImageLists() { m_registryCleaner->ShareSystemImageLists(); }

void TMainForm::StartBackupListing() { m_backups->startListing(); }

void TMainForm::LoadNAntiD() { m_duplicates->LoadNAntiD(advanced_cleaning::readConfig(m_context.shell)); }

void TMainForm::BuildApplicationTree() { m_applications->BuildApplicationTree(); }

bool TMainForm::FormCloseQuery()
{
    ui::guarded(this, [this] { SaveSettings(); });
    return true;
}

// Config.ini is written anew, whole, and put in place at once: the advanced-cleaning sections
// first, then the duplicate finder's; a crash leaves the old file or the new one.
void TMainForm::SaveSettings()
{
    const ini::IniDocument old = advanced_cleaning::readConfig(m_context.shell);
    ini::IniDocument config;
    SaveNastr(config);
    SaveNAntiD(config);
    // Sections of other owners stay as they were.
    for (const QString &section : old.sections())
        if (config.keys(section).isEmpty())
            for (const QString &key : old.keys(section))
                config.setValue(section, key, old.value(section, key));
    advanced_cleaning::writeConfig(m_context.shell, config);
}

void TMainForm::SaveNastr(ini::IniDocument &config) { m_advancedCleaning->SaveNastr(config); }

void TMainForm::SaveNAntiD(ini::IniDocument &config) { m_duplicates->SaveNAntiD(config); }

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

} // namespace tolvex::app
