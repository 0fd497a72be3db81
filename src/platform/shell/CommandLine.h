#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace tolvex::platform {

// Splits a Windows command line into its arguments by the rules of CommandLineToArgvW: quotes
// group, 2n backslashes before a quote give n and a quote that toggles, 2n+1 give n and a quote.
QStringList splitCommandLine(const QString &commandLine);

// The program and its arguments as CreateProcess without an application name finds them: an
// unquoted program path may hold spaces, and the shortest run of leading words that names a file
// (with ".exe" added when needed) is the program; failing that, the plain split.
QStringList programAndArguments(const QString &commandLine, const std::function<bool(const QString &)> &isFile);

} // namespace tolvex::platform
