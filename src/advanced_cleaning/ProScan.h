#pragma once

#include "ProSettings.h"

#include <QLocale>
#include <QString>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::advanced_cleaning {

struct FoundFile
{
    QString path; // the search folder followed by the file's name
    QString root; // the search path it was found under: deleting never leaves it
    quint64 size = 0;
    quint64 lastWrite = 0; // FILETIME ticks, UTC
};

// What a search tells as it goes; the page shows it, tolvex-cli prints it.
class ProScanObserver
{
public:
    virtual ~ProScanObserver() = default;
    // Whether pathStarted needs the number of folders below each search path (a progress bar).
    virtual bool wantsFolderCount() const { return false; }
    virtual void pathStarted(const QString &path, int folderCount) { Q_UNUSED(path) Q_UNUSED(folderCount) }
    virtual void pathEnded() {}
    // A sub-folder of `folder` has been searched.
    virtual void folderDone(const QString &folder) { Q_UNUSED(folder) }
    virtual void enumerationEnded() {}
    virtual void fileFound(const FoundFile &file) = 0;
    // Called at every directory entry: the place to let window events run.
    virtual void letEventsRun() {}
};

// The search of advanced cleaning: every ticked search path, files whose names match a ticked
// filter and whose paths hold no ticked exclusion. Folders are always entered, links never; a
// link to a folder is not a file either.
//
// The settings are read as the search goes, not copied at its start: the lists stay in the
// user's hands while events run, so a path's tick counts when the search reaches that path, and
// the filters' and exclusions' ticks at each file.
class ProScan
{
public:
    ProScan(platform::ShellServices &shell, const ProSettings &settings);
    ProScan(platform::ShellServices &, const ProSettings &&) = delete; // it must outlive the search

    void FindFiles(ProScanObserver &observer);
    void Find(const QString &folder, const QString &root, ProScanObserver &observer);
    // Every folder below `root`, at any depth; a link to a folder is not one.
    int GetQuanFolders(const QString &root, ProScanObserver *observer = nullptr);
    bool InExt(const QString &name) const;
    bool ExlPath(const QString &fullPath) const;

    // Ends each folder's enumeration after the entry at hand.
    bool StopSearch = false;
    quint64 FoundCount = 0;
    quint64 FoundSize = 0;

    // Deletes one found file, looking at it again first and never outside its search path; a
    // link is removed, never its target, and one that leads to a folder by now stays.
    static bool deleteFound(platform::ShellServices &shell, const FoundFile &file);

private:
    platform::ShellServices &m_shell;
    const ProSettings &m_settings;
};

// "1,5 Кб": bytes / 1024 to two decimals, halves to even, in the locale's number form.
QString sizeInKb(quint64 bytes, const QLocale &locale = QLocale());
// The counters' texts: "Найдено файлов: N" and "Общий размер: X Мб".
QString foundCountText(quint64 count);
QString totalSizeText(quint64 bytes, const QLocale &locale = QLocale());
// Local short date and long time, 2-second resolution; the time left out at exactly midnight.
QString modifiedText(quint64 fileTime, const QLocale &locale = QLocale());

} // namespace tolvex::advanced_cleaning
