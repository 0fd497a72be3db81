#pragma once

#include "TweakBackups.h"

#include "ProgramContext.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QPushButton;
class QTreeWidget;

namespace tolvex::cleaning {
class TmFileScan;
}
namespace tolvex::tweaks {
class TweakPages;
}

namespace tolvex::backups {

// The backup files as both backup pages list them: one row per file, in the order the folder
// search finds them, the same rows in every list.
class BackupList : public QObject
{
    Q_OBJECT

public:
    BackupList(platform::ProgramContext &context, TweakBackups &backups, QObject *parent = nullptr);
    ~BackupList() override;

    void addView(QTreeWidget *view);
    // Lists the folder anew. While a listing runs, the new one waits for its end, so no file is
    // listed twice and the folder is searched once at a time.
    void refresh();
    bool busy() const;
    // The file of a row; empty when there is no such row.
    QString fileAt(int row) const;
    const QStringList &names() const { return m_names; }

signals:
    void listed();

private:
    void mFileScan3FileFound(const QString &fileName);
    void mFileScan3Ready();

    std::unique_ptr<cleaning::TmFileScan> m_scan;
    TweakBackups &m_backups;
    QStringList m_names; // BackupNames: every file, however many
    QList<QTreeWidget *> m_views;
    bool m_refreshPending = false;
};

// The XP backup page sTabSheet15 and the Vista backup page sTabSheet22.
class BackupPages
{
public:
    BackupPages(platform::ProgramContext &context, tweaks::TweakPages &tweakPages, QWidget *parent);
    ~BackupPages();

    QWidget *page(const QString &component) const;
    BackupList &list() { return *m_list; }
    TweakBackups &backups() { return m_backups; }

    // Both pages' delete command, on the row selected in that page's list.
    void deleteSelected(QWidget *page, QTreeWidget *view);

    // The main window's start-up step: list the existing backups.
    void startListing() { m_list->refresh(); }

private:
    class XpPage;
    class VistaPage;
    TweakBackups m_backups;
    std::unique_ptr<BackupList> m_list;
    XpPage *m_xp = nullptr;
    VistaPage *m_vista = nullptr;
    QPointer<QWidget> m_xpGuard, m_vistaGuard; // gone when something else freed the page
};

} // namespace tolvex::backups
