#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::cleaning {

class TmFileScan;

// How much junk an analysis found, in the words the page shows.
QString statusForBrowserCache(int count); // the browser cache alone
QString statusForAll(int count);          // the cache and the system entries together

// Basic cleaning: counts the browser cache and lists the system's temporary files (the
// temporary folder and the Prefetch folder of the Windows folder), then deletes what the last
// analysis found. Knows no widget: the page and tolvex-cli both drive it and show its signals.
class BasicCleaning : public QObject
{
    Q_OBJECT

public:
    explicit BasicCleaning(platform::ShellServices &shell, QObject *parent = nullptr);
    ~BasicCleaning() override;

    // A folder by its code, ending with a backslash (empty when it has no path): 35 the
    // temporary folder, 36 the Windows folder, 37 the system folder, 38 Program Files, 43 its
    // Common Files, any other the shell's special folder of that number.
    QString GetSystemPath(int code);

    // The analysis. Returns once the listing pass has ended (events run meanwhile); the
    // collecting pass goes on afterwards. Not started while a pass of an earlier one runs.
    void Scan(bool browserCache, bool system);
    // Deletes the browser cache, then the entries the last analysis collected. Not started while
    // a pass runs.
    void Clear(bool browserCache, bool system);
    // A pass of the last analysis is still running.
    bool busy() const;
    // Runs events until no pass runs.
    void waitUntilIdle();

    int ScanIECache();
    void DeleteIECache();

    int IECount = 0;
    int SystemCount = 0;
    bool ListingPass = false;
    // The top-level entries collected by the last analysis that had the system box ticked; the
    // first SystemCount are valid. It grows as needed.
    QStringList DeletionList;

    // The names a clean would delete now.
    QStringList collected() const { return DeletionList.mid(0, SystemCount); }
    // The two folders an analysis lists, each ending with a backslash.
    QStringList systemFolders();

signals:
    void analysisStarted();
    void browserCountChanged(int count);
    void systemCountChanged(int count);
    void statusChanged(const QString &status);
    // A line of the listing: every entry at any depth.
    void listed(const QString &fileName);
    void progressChanged(int value); // 0 to progressMaximum
    void cleaned();
    // A pass ended; busy() may have changed.
    void passEnded();

public:
    static constexpr int progressMaximum = 3;

private:
    void startPass(bool subDirs);
    void fsFileFound(const QString &fileName);
    void fsReady(TmFileScan *scanner);
    void advance();

    platform::ShellServices &m_shell;
    QList<QPointer<TmFileScan>> m_passes;
    int m_progress = 0;
};

} // namespace tolvex::cleaning
