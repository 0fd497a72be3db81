#pragma once

#include "DuplicateTables.h"

#include <QElapsedTimer>
#include <QStringList>

#include <atomic>
#include <functional>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::duplicates {

// The duplicate scan: collects every file of the folder list, then puts the files that agree on
// the criteria into groups numbered in the order of their first member, drops the rest and
// orders the table by group. The groups are exactly those of comparing every file with every
// later one, found without that quadratic work: candidates are split by size and by name class,
// contents by a hash of a first block, then of the whole file, and every pair is confirmed byte
// for byte before it is judged equal. Files of a size no other file has are never opened.
class DuplicateScan
{
public:
    enum class End { Found, NothingToCompare, Stopped };

    DuplicateScan(platform::ShellServices &shell, DuplicateTables &tables);
    ~DuplicateScan() { closeFolders(); }

    std::atomic<bool> StopRequested{false};

    // The start press: the top-level folders from the folder list. False with an empty list.
    // Folders at or below one of `protectedFolders` are marked protected.
    bool prepare(const QStringList &folderList, const DuplicateCriteria &criteria, bool scanSubfolders,
                 const QStringList &protectedFolders = {});
    // The four phases, on whatever thread calls it; the tables are the scan's until it returns.
    End run();

    // Told as the scan goes; progress at most every few tens of milliseconds.
    std::function<void(const QString &)> onOperation; // the phase, then the end text
    std::function<void(const QString &)> onProgressText;
    std::function<void(qint64 position, qint64 maximum)> onProgress;

    quint64 bytesRead() const { return m_bytesRead.load(); }
    bool scanSubfolders() const { return m_subfolders; }

    static QString endText(End end, qsizetype found);
    // The machine's Windows folder, with its backslash, when the scan of `folderList` reaches it;
    // empty otherwise. Windows and Wine keep identical copies of system files on purpose, so it is
    // protected unless the user says otherwise.
    static QString windowsFolderWithin(const QStringList &folderList, const QString &windowsFolder, bool scanSubfolders);

private:
    bool collect();
    void group();
    QList<QList<qsizetype>> splitByContent(const QList<qsizetype> &rows, quint64 size);
    QList<QList<qsizetype>> splitInMemory(const QList<qsizetype> &rows, quint64 size);
    QList<QList<qsizetype>> confirm(const QList<qsizetype> &rows, quint64 size);
    bool readAll(qsizetype row, QByteArray &into, quint64 size);
    int openRow(qsizetype row);
    void closeFolders();
    void operation(const QString &text);
    void progress(qint64 position, qint64 maximum, bool now = false);
    End abort();

    platform::ShellServices &m_shell;
    DuplicateTables &m_tables;
    bool isProtectedPath(const QString &folder) const;

    bool m_subfolders = true;
    QStringList m_protected;
    std::atomic<quint64> m_bytesRead{0};
    QElapsedTimer m_lastReport;
    quint64 m_scanId = 0;
};

} // namespace tolvex::duplicates
