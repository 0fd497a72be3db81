#pragma once

#include "registry/HiveRegistry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace tolvex::platform {

// Everything Tolvex calls "the system": the registry, drives, environment and Windows build of
// one machine image (a Wine prefix, or the sample machine beside the program).
class Machine
{
public:
    enum class Origin { Chosen, WinePrefix, HomeWine, Sample };

    struct Drive
    {
        QChar letter;       // upper case
        QString hostFolder; // where the drive's root is on the host
        int type = 3;       // GetDriveType: 2 removable, 3 fixed, 4 network, 5 CD-ROM
        quint32 serial = 0; // 0 when the drive is not ready
    };

    // TOLVEX_MACHINE, then WINEPREFIX, then ~/.wine when it holds system.reg, then the sample
    // machine in <programFolder>/machine.
    static QString chooseFolder(const QString &programFolder, Origin *origin = nullptr);
    static std::unique_ptr<Machine> open(const QString &folder, const QString &programFolder);
    ~Machine();
    Machine(const Machine &) = delete;
    Machine &operator=(const Machine &) = delete;

    const QString &folder() const { return m_folder; }
    const QString &programFolder() const { return m_programFolder; }
    // A prefix made by wineboot; programs can be run in it with wine.
    bool isWinePrefix() const;

    registry::HiveRegistry &registry() { return m_registry; }
    // Writes the hives that changed; returns what failed. While Wine holds the registry nothing
    // is written: the changes are dropped and the read-only notice is what failed.
    QStringList saveRegistry();
    QStringList loadErrors() const;
    bool readOnly() const { return m_registry.readOnly(); }
    // Said once in the main window when the registry cannot be changed.
    QString readOnlyNotice() const;

    // Whether Wine holds the registry in memory now, so that it would write over the files when
    // it lets go: a wineserver of the prefix runs, or a Wine program that Tolvex started is still
    // running (its server may not be up yet). Without `fresh`, an answer a moment old will do.
    bool heldByWine(bool fresh = true) const;
    // A Wine program that Tolvex started in this machine; it holds the machine while it runs.
    void wineProgramStarted(qint64 pid);
    // After Wine let go: reads again the hive files that it (or any program) wrote. True when
    // anything was read again; what could not be read is added to `errors`.
    bool reloadRegistry(QStringList &errors);
    // Whether a hive file changed on disk since it was read or written.
    bool registryFilesChanged() const { return m_registry.filesChanged(); }

    QString buildNumberText();
    int buildNumber();
    bool vistaGeneration() { return buildNumber() >= 6000; }

    const QList<Drive> &drives() const { return m_drives; }
    const Drive *drive(QChar letter) const;

    // A Windows path ("C:\users\me\Temp\x.txt") as a host path, each name looked up ignoring case
    // when the exact case is absent. An absolute host path ("/home/...") is taken as it is, with
    // '\' read as '/'. Empty when the path has no mapped drive.
    QString hostPath(const QString &windowsPath) const;
    // The host path the Windows path names when every name is written in the case it has on
    // disk: no look at the disk at all. A caller that opens it tries hostPath() after ENOENT.
    // Empty when the path has no mapped drive or holds "." or "..".
    QString exactHostPath(const QString &windowsPath) const;
    // The Windows name of a host path under a mapped drive; otherwise the host path itself, which
    // hostPath() takes back (the sample machine's program folder lies outside its drives).
    QString windowsPath(const QString &hostPath) const;

    // %NAME% from the machine's own environment, never the host process's.
    QString expandEnvironment(const QString &text);
    QHash<QString, QString> environment();

private:
    Machine(QString folder, QString programFolder);
    void loadDrives();
    void takeWriterLock();

    QString m_folder;
    QString m_programFolder;
    registry::HiveRegistry m_registry;
    QList<Drive> m_drives;
    // The last look at Wine's hold, for the many checks of one command.
    mutable std::mutex m_holdMutex;
    mutable std::chrono::steady_clock::time_point m_holdCheckedAt;
    mutable bool m_held = false;
    mutable std::vector<qint64> m_winePrograms;
    // Held while this program has the machine: a second one opens it read-only. The kernel lets
    // go of it when the process ends, however it ends.
    int m_lockFd = -1;
    bool m_inUse = false;
};

} // namespace tolvex::platform
