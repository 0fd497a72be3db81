#pragma once

#include "DuplicateTables.h"

#include "shell/ShellServices.h"

#include <QStringList>

namespace tolvex::duplicates {

// What the result window and tolvex-cli do to the files of a result: each file is looked at
// again first, protected files are never touched, and a row whose file is gone leaves the list.

// Whether `now` is still the file `entry` was listed as: its size and its modification time (to
// the tick after a scan, to the two seconds a result file keeps), and after a scan its identity.
bool stillListed(const FileEntry &entry, const platform::FoundEntry &now);

enum class RowState { Same, Changed, Gone };
RowState rowState(platform::ShellServices &shell, const DuplicateTables &tables, qsizetype row);

// The rows a command acts on: the ticked ones when any is ticked, else the selected ones.
QList<qsizetype> chosenRows(const DuplicateTables &tables, const QList<qsizetype> &selected);

struct Removal
{
    QStringList paths; // to go
    QList<qsizetype> rows;
    QStringList changed, gone;
    qsizetype protectedKept = 0;
    QStringList wholeGroups; // groups every member of which is among the chosen rows
    QString keptText() const; // the Russian account of what stays, empty when nothing does
};
Removal planRemoval(platform::ShellServices &shell, const DuplicateTables &tables, const QList<qsizetype> &rows);

// Rows among `rows` whose files no longer exist leave the table; the others stay in order.
void dropGoneRows(platform::ShellServices &shell, DuplicateTables &tables, QList<qsizetype> rows);

struct Replacement
{
    qsizetype replaced = 0;
    quint64 bytesRegained = 0;
    qsizetype protectedKept = 0;
    QStringList gone, changed, keptChanged, differs, otherVolume, unsupported, noKept, failed;
    QString text(platform::LinkKind kind) const; // the Russian summary
};
// Each ticked file becomes a link to (or a clone of) the first unticked file of its group.
Replacement replaceTicked(platform::ShellServices &shell, DuplicateTables &tables, platform::LinkKind kind);

} // namespace tolvex::duplicates
