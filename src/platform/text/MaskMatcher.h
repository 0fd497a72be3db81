#pragma once

#include <QString>
#include <QStringView>

namespace tolvex::text {

// File-name masks as directory searches read them: "*" any run, "?" one character, case
// ignored (Cyrillic included), "*.*" every name; a mask without wildcards matches only that name.
bool matchesMask(QStringView name, QStringView mask);

// The file-name filters of advanced cleaning: "*" any run (backtracking, so "*.txt" matches
// a.b.txt), "?" exactly one character except in a run of "?" that ends the mask, where each
// matches at most one ("A??" matches A, "A?" does not match ABC); only the Latin letters a-z
// compare ignoring case. The empty mask matches nothing.
bool FileMaskEquate(QStringView name, QStringView mask);

} // namespace tolvex::text
