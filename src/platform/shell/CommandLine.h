#pragma once

#include <QString>
#include <QStringList>

namespace tolvex::platform {

// Splits a Windows command line into its arguments by the rules of CommandLineToArgvW: quotes
// group, 2n backslashes before a quote give n and a quote that toggles, 2n+1 give n and a quote.
QStringList splitCommandLine(const QString &commandLine);

} // namespace tolvex::platform
