#include "DuplicateTables.h"

#include <algorithm>

namespace tolvex::duplicates {

QString DuplicateTables::FolderPath(qint32 index) const
{
    QString path;
    // Parents come before their children, so the walk up always ends; the bound guards a table
    // read from a file that was checked for exactly that.
    for (int steps = 0; index > 0 && index < FolderTable.size() && steps < FolderTable.size(); ++steps) {
        path.prepend(FolderTable[index].Name + u'\\');
        index = FolderTable[index].Parent;
    }
    return path;
}

qint32 DuplicateTables::topFolder(qsizetype row) const
{
    qint32 index = FileTable[row].Folder;
    for (int steps = 0; index > 0 && index < FolderTable.size() && FolderTable[index].Parent > 0 &&
                        steps < FolderTable.size();
         ++steps)
        index = FolderTable[index].Parent;
    return index;
}

QString DuplicateTables::topFolderPath(qsizetype row) const { return FolderPath(topFolder(row)); }

void DuplicateTables::RemoveFileEntry(qsizetype index)
{
    if (index >= 0 && index < FileTable.size())
        FileTable.removeAt(index);
}

void DuplicateTables::SortFileTable(const QString &key,
                                    const std::function<int(const QString &, const QString &)> &compareText)
{
    if (FileTable.size() < 2)
        return;
    auto sortBy = [this](auto less) { std::stable_sort(FileTable.begin(), FileTable.end(), less); };
    if (key == u"Double") {
        sortBy([](const FileEntry &a, const FileEntry &b) { return a.Double < b.Double; });
    } else if (key == u"Name") {
        sortBy([&](const FileEntry &a, const FileEntry &b) { return compareText(a.Name, b.Name) < 0; });
    } else if (key == u"Size") {
        sortBy([](const FileEntry &a, const FileEntry &b) { return a.Size < b.Size; });
    } else if (key == u"Time") {
        sortBy([](const FileEntry &a, const FileEntry &b) { return a.Time < b.Time; });
    } else if (key == u"Folder") {
        // Each folder's path once, not once per comparison.
        QList<QString> paths(FolderTable.size());
        for (qsizetype i = 0; i < FolderTable.size(); ++i)
            paths[i] = FolderPath(qint32(i));
        auto pathOf = [&](qint32 folder) { return folder >= 0 && folder < paths.size() ? paths[folder] : QString(); };
        sortBy([&](const FileEntry &a, const FileEntry &b) { return compareText(pathOf(a.Folder), pathOf(b.Folder)) < 0; });
    }
}

} // namespace tolvex::duplicates
