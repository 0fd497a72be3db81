#pragma once

#include "InstalledApplications.h"
#include "StartupManager.h"

#include <QWidget>

#include <functional>

class QMenu;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace tolvex::platform {
struct ProgramContext;
}

namespace tolvex::applications {

// The page sTabSheet3 ("Приложения"): the installed programs ("Удаление") and the programs
// started at logon ("Автозагрузка"), thin views over InstalledApplications and StartupManager.
class ApplicationsPage : public QWidget
{
    Q_OBJECT

public:
    ApplicationsPage(platform::ProgramContext &context, QWidget *parent = nullptr);

    InstalledApplications &applications() { return m_applications; }
    StartupManager &startup() { return m_startup; }

    // "Удаление"
    void BuildApplicationTree();
    std::optional<QString> FindSelectedEntryKey();
    void sButton12Click(); // "Удалить приложение"
    void sButton11Click(); // "Обновить"
    void sButton13Click(); // "Удалить из списка"

    // "Автозагрузка": the grid from the registry; also run whenever its tab paints.
    void FormPaint();
    void sButton22Click(); // "Удалить"
    void sButton23Click(); // "Добавить"
    // The row the commands take: the selection's top row, the header row when the grid is empty.
    StartupRow selectedRow() const;

    QTabWidget *tabs = nullptr; // "Удаление", "Автозагрузка"
    QWidget *sTabSheet13 = nullptr;
    QWidget *sTabSheet14 = nullptr;
    QTreeWidget *sTreeView1 = nullptr;
    QPushButton *sButton11 = nullptr;
    QPushButton *sButton12 = nullptr;
    QPushButton *sButton13 = nullptr;
    QMenu *PopupMenu3 = nullptr;
    QTableWidget *SG = nullptr;
    QPushButton *sButton22 = nullptr;
    QPushButton *sButton23 = nullptr;
    QMenu *PopupMenu4 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildUninstallTab();
    QWidget *buildStartupTab();
    void showCategories(const ApplicationTree &tree);
    // A handler as the user starts it: an escaping error goes to the error box, and the registry
    // files that changed are written.
    void command(const std::function<void()> &handler);

    platform::ProgramContext &m_context;
    InstalledApplications m_applications;
    StartupManager m_startup;
    bool m_paintRebuildQueued = false;
};

} // namespace tolvex::applications
