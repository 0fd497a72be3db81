#pragma once

#include <QString>

namespace tolvex::platform {

// Whether a wineserver holds this prefix's registry in memory. It would rewrite the hive files
// when it exits, so edits made to them meanwhile would be lost.
bool wineServerRunning(const QString &prefixFolder);

} // namespace tolvex::platform
