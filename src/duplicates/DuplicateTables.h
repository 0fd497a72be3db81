#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace tolvex::duplicates {

struct FolderEntry
{
    qint32 Parent = 0; // 0 for a top-level folder
    QString Name;      // a top-level folder: its whole path without the final backslash ("C:")
    // Its files are compared as any other but never ticked, deleted or replaced.
    bool Protected = false;
};

struct FileEntry
{
    qint32 Folder = 0;
    quint32 Double = 0; // the group; 0 outside every group
    qint32 Time = 0;    // MS-DOS date and time, local
    qint32 Size = 0;    // the low 32 bits, as result files hold it
    QString Name;
    quint64 FullSize = 0; // the whole size: what comparisons use
    quint64 FileId = 0;   // one file whatever its name; 0 when unknown (a loaded result)
    quint64 LastWrite = 0; // FILETIME ticks as the scan saw them; 0 when unknown (a loaded result)
    bool Ticked = false;   // chosen for deletion or replacement; never saved
};

} // namespace tolvex::duplicates
// Moved in memory as they are when the tables grow, not copied one by one.
Q_DECLARE_TYPEINFO(tolvex::duplicates::FolderEntry, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(tolvex::duplicates::FileEntry, Q_RELOCATABLE_TYPE);
namespace tolvex::duplicates {

struct DuplicateCriteria
{
    bool SameName = true;
    bool SameSize = true;
    bool SameContent = false;

    bool operator==(const DuplicateCriteria &) const = default;
};

// The duplicate finder's two tables and the criteria in force: what a scan fills, the result
// window shows and a result file holds.
struct DuplicateTables
{
    QList<FolderEntry> FolderTable;
    QList<FileEntry> FileTable;
    DuplicateCriteria criteria;

    // The folder's Windows path ending with a backslash; "" for 0.
    QString FolderPath(qint32 index) const;
    QString filePath(qsizetype row) const { return FolderPath(FileTable[row].Folder) + FileTable[row].Name; }
    bool isProtected(qsizetype row) const
    {
        const qint32 folder = FileTable[row].Folder;
        return folder > 0 && folder < FolderTable.size() && FolderTable[folder].Protected;
    }
    // The path of the listed folder a row lies under ("C:\Data\"), which a deletion never leaves.
    QString topFolderPath(qsizetype row) const;
    // The index of that listed folder: 1 for the first folder of the list.
    qint32 topFolder(qsizetype row) const;
    void RemoveFileEntry(qsizetype index);
    // Stable and ascending by "Double", "Name", "Size", "Time" or "Folder"; names and folders
    // in the locale's order ignoring case, through `compareText`.
    void SortFileTable(const QString &key, const std::function<int(const QString &, const QString &)> &compareText);
    void clear()
    {
        FolderTable.clear();
        FileTable.clear();
    }
};

} // namespace tolvex::duplicates
