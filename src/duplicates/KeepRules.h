#pragma once

#include "DuplicateTables.h"

#include <optional>

namespace tolvex::duplicates {

// Which file of each group stays when all the others are ticked.
enum class KeepRule { Newest, Oldest, FirstFolder, ShortestPath };

// "newest", "oldest", "first", "shortest", as tolvex-cli names them.
std::optional<KeepRule> keepRuleNamed(const QString &name);

struct Ticking
{
    qsizetype ticked = 0;
    qsizetype groups = 0; // groups of two files or more
    qsizetype ties = 0;   // groups where the rule could not choose one file
    QString text() const;
};

// Ticks every file of each group but one: a protected file when the group has one (those are
// never ticked), else the one the rule picks; where several files are equally good, the first
// of them in the table stays. Earlier ticks are cleared; no group is ever ticked whole.
Ticking tickAllButKept(DuplicateTables &tables, KeepRule rule);

} // namespace tolvex::duplicates
