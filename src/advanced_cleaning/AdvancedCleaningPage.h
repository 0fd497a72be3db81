#pragma once

#include "ProScan.h"
#include "ProSettings.h"

#include <QHash>
#include <QWidget>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tolvex::ui {
class StatusPanels;
class TAddFolderDialog;
}

namespace tolvex::advanced_cleaning {

// The page sTabSheet16 ("Очистка(Pro)"): the search paths, filters and exclusions, the search
// and its results. The six commands of the side panel act on the notebook page shown; their
// enabled states live here, so that a panel made anew shows them as they were.
class AdvancedCleaningPage : public QWidget
{
    Q_OBJECT

public:
    AdvancedCleaningPage(platform::ShellServices &shell, QWidget *parent = nullptr);
    ~AdvancedCleaningPage() override;

    ProSettings &settings() { return m_settings; }

    // Start-up and closing steps of the main window.
    void GetDrives();
    void LoadNastr(const ini::IniDocument &config);
    void SaveNastr(ini::IniDocument &config) const;

    // The side panel's commands, top to bottom.
    void SpeedButton7Click(); // "Добавить"
    void SpeedButton8Click(); // "Редактировать"
    void SpeedButton5Click(); // "Удалить"
    void SpeedButton6Click(); // "Удалить все"
    void SpeedButton3Click(); // "Исключить все"
    void SpeedButton4Click(); // "Выбрать все"
    // Enabled state of a side-panel button by its name ("SpeedButton3" ... "SpeedButton8").
    bool buttonEnabled(const QString &name) const { return m_buttons.value(name, false); }
    static QStringList buttonNames();

    void SpeedButton1Click(); // "Начать поиск"
    void SpeedButton2Click(); // "Остановить поиск"
    bool searching() const { return m_scan != nullptr; }

    void TabbedNotebook1Change(int page);
    void EnabledButtons(bool enabled);
    void CheckAll(bool tick);
    void DeleteFileSelected();
    void DeleteAll();
    void ShowText(quint64 count, quint64 size);

    QTabWidget *TabbedNotebook1 = nullptr;
    QListWidget *CheckListBox1 = nullptr;
    QTreeWidget *ListView2 = nullptr;
    QTreeWidget *ListView3 = nullptr;
    QTreeWidget *ListView4 = nullptr;
    QPushButton *SpeedButton1 = nullptr;
    QPushButton *SpeedButton2 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    ui::StatusPanels *StatusBar1 = nullptr;

signals:
    void buttonsChanged();

private:
    class SearchView;
    void showPaths();
    void showFilters();
    void showExclusions();
    void addFoundRow(const FoundFile &file);
    QString typeNameOf(const QString &path);
    void setButton(const char *name, bool enabled);

    platform::ShellServices &m_shell;
    ProSettings m_settings;
    ui::TAddFolderDialog *m_folderDialog = nullptr; // made on first use
    ProScan *m_scan = nullptr;                       // while a search runs
    QHash<QString, bool> m_buttons;
    QHash<QString, QString> m_typeNames; // by extension: the shell names types by it
    int m_tag = 0;                       // the notebook page the commands act on
    bool m_showing = false;              // views being refilled: their changes are not the user's
};

} // namespace tolvex::advanced_cleaning
