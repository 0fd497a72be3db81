#pragma once

#include "DuplicateTables.h"
#include "TProgressThread.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;

namespace tolvex::platform {
struct ProgramContext;
}
namespace tolvex::ini {
class IniDocument;
}
namespace tolvex::ui {
class TAddFolderDialog;
}

namespace tolvex::duplicates {

class TResultForm;

// The page AntiDouble: the folder list, the options, the scan's start and stop and its status,
// and the button that shows the result window. It owns the duplicate finder's tables.
class DuplicateFinderPage : public QWidget
{
    Q_OBJECT

public:
    DuplicateFinderPage(platform::ProgramContext &context, QWidget *parent = nullptr);
    ~DuplicateFinderPage() override;

    DuplicateTables &tables() { return m_tables; }
    TResultForm *resultForm() const { return m_result; }
    bool scanning() const;

    void AddButtonClick();
    void RemoveButtonClick();
    void StartButtonClick();
    void ResultButtonClick();
    void LoadNAntiD(const ini::IniDocument &config);
    void SaveNAntiD(ini::IniDocument &config) const;

    QListWidget *FoldersListBox = nullptr;
    QPushButton *AddButton = nullptr;
    QPushButton *RemoveButton = nullptr;
    QCheckBox *ScanSubfoldersCheckBox = nullptr;
    // Shown while a listed folder holds the machine's Windows folder, whose files stay protected
    // unless it is unticked.
    QCheckBox *ProtectWindowsCheckBox = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QPushButton *StartButton = nullptr;
    QPushButton *ResultButton = nullptr;
    QLabel *OperationName = nullptr;
    QLabel *ProgressStaus = nullptr;
    QProgressBar *sProgressBar2 = nullptr;

signals:
    void scanEnded();

private:
    void scanFinished();
    QStringList folders() const;
    // The folders of the list whose check box is ticked, and the Windows folder while it counts.
    QStringList protectedFolders() const;
    void setFolders(const QStringList &list, const QStringList &protectedList);
    void toggleProtected(QListWidgetItem *item);
    void updateWindowsProtection();

    platform::ProgramContext &m_context;
    DuplicateTables m_tables;
    QPointer<TProgressThread> m_thread;
    ui::TAddFolderDialog *m_folderDialog = nullptr; // made on first use
    TResultForm *m_result = nullptr;
    bool m_sorted = false; // sorted from the first add on
};

} // namespace tolvex::duplicates
