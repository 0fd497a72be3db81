#pragma once

#include "panels/PanelHost.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QStatusBar;

namespace tolvex::platform {
struct ProgramContext;
class MachineWatcher;
}
namespace tolvex::ini {
class IniDocument;
}
namespace tolvex::tweaks {
class TweakPages;
}
namespace tolvex::backups {
class BackupPages;
}
namespace tolvex::cleaning {
class BasicCleaningPage;
}
namespace tolvex::advanced_cleaning {
class AdvancedCleaningPage;
}
namespace tolvex::registry_cleaner {
class RegistryCleanerPage;
}
namespace tolvex::applications {
class ApplicationsPage;
}
namespace tolvex::duplicates {
class DuplicateFinderPage;
}
namespace tolvex::converter {
class AudioConverterPage;
}

namespace tolvex::app {

class FrameBar;
class OptionsPage;

// The one main window: the side bar, the 22 pages with hidden tabs and the status bar. Its
// creation handler FormCreate runs from the constructor, as a form's creation does, so a caller
// gets a window that is ready to show.
class TMainForm : public QMainWindow, public PanelHost
{
    Q_OBJECT

public:
    static constexpr int PageCount = 22;

    explicit TMainForm(platform::ProgramContext &context, QWidget *parent = nullptr);
    ~TMainForm() override;

    void showPage(int index) override;
    bool vistaGeneration() const override { return m_vista; }
    void BuildApplicationTree() override;
    void runCommand(const std::function<void()> &handler) override;

    // Closing is always allowed.
    bool FormCloseQuery();

    FrameBar *sFrameBar1 = nullptr;
    QStackedWidget *sPageControl1 = nullptr;
    QStatusBar *sStatusBar2 = nullptr;
    OptionsPage *optionsPage = nullptr;
    QCheckBox *sCheckBox1 = nullptr;
    QLineEdit *sEdit1 = nullptr;
    // In the status bar while the machine cannot be changed.
    QLabel *machineState = nullptr;
    platform::MachineWatcher *watcher() const { return m_watcher; }

public slots:
    void sFrameBar1Items0CreateFrame();
    void sFrameBar1Items1CreateFrame();
    void sFrameBar1Items2CreateFrame();
    void sFrameBar1Items4CreateFrame();
    void sFrameBar1ConvCreateFrame();
    void sFrameBar1Items3CreateFrame();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void buildSideBar();
    void buildPages();

    void FormCreate();
    void SaveSettings();
    void DecideGeneration();
    void PrepareXpPages();
    void PrepareVistaPages();
    void SetConverterFolder();
    void FillSkinList();
    void TurnOnBrowserCache();
    void OpenFirstItem();
    void GetDrives();
    void LoadNastr();
    void ShareSystemImageLists();
    void StartBackupListing();
    void LoadNAntiD();
    void SaveNastr(ini::IniDocument &config);
    void SaveNAntiD(ini::IniDocument &config);

    void showSaveErrors(const QStringList &errors);

    // Wine took hold of the machine's registry or let go of it; what was read of it may be old.
    void followMachine();
    void showMachineState();
    void refreshIfStale(int pageIndex);

    platform::ProgramContext &m_context;
    std::unique_ptr<tweaks::TweakPages> m_tweaks;
    std::unique_ptr<backups::BackupPages> m_backups;
    cleaning::BasicCleaningPage *m_basicCleaning = nullptr;
    advanced_cleaning::AdvancedCleaningPage *m_advancedCleaning = nullptr;
    registry_cleaner::RegistryCleanerPage *m_registryCleaner = nullptr;
    applications::ApplicationsPage *m_applications = nullptr;
    duplicates::DuplicateFinderPage *m_duplicates = nullptr;
    converter::AudioConverterPage *m_converter = nullptr;
    bool m_vista = false;
    platform::MachineWatcher *m_watcher = nullptr;
    bool m_staleTweaks = false;
    bool m_staleApplications = false;
};

} // namespace tolvex::app
