#pragma once

#include <QString>
#include <QStringView>

namespace tolvex::text {

// File-name masks as directory searches read them: "*" any run, "?" one character, case
// ignored (Cyrillic included), "*.*" every name; a mask without wildcards matches only that name.
bool matchesMask(QStringView name, QStringView mask);

} // namespace tolvex::text
