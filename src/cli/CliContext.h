#pragma once

#include "machine/Machine.h"
#include "shell/ShellServices.h"

#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

namespace tolvex::cli {

// What every command gets: the chosen machine, its arguments and the two output streams.
struct CliContext
{
    std::unique_ptr<platform::Machine> machine;
    QStringList args; // after the command's name
    QTextStream &out;
    QTextStream &err;
};

// Writes what the command changed, before it says that it succeeded. False, with the reasons on
// stderr, when the files could not be written.
inline bool saveNow(CliContext &c)
{
    const QStringList errors = c.machine->saveRegistry();
    for (const QString &e : errors)
        c.err << e << '\n';
    return errors.isEmpty();
}

// The exit status of a call with a bad argument, which has changed nothing.
inline constexpr int badCallStatus = 2;

// Says in one line what is wrong with the call, then how the command is called; returns
// badCallStatus. `usage` is one or more lines, each ending in a newline.
inline int badCall(QTextStream &err, const QString &problem, const char *usage)
{
    err << problem << '\n' << "Вызов: " << usage;
    return badCallStatus;
}

// The value after the switch at args[i], with i moved onto it; nullopt when the switch ends the
// call or is followed by another switch.
inline std::optional<QString> switchValue(const QStringList &args, qsizetype &i)
{
    if (i + 1 >= args.size() || args[i + 1].startsWith(u"--"))
        return std::nullopt;
    return args[++i];
}

// A path as a script can hand it back: a Windows path as it is; one outside the machine's drives,
// which the shell carries as a host path with '\' separators, as the host path.
inline QString shownPath(platform::ShellServices &shell, const QString &path)
{
    return path.startsWith(u'/') ? shell.hostPath(path) : path;
}

inline QString missingValue(const QString &switchName)
{
    return QStringLiteral("После %1 не указано значение.").arg(switchName);
}

inline QString unknownSwitch(const QString &arg) { return QStringLiteral("Неизвестный параметр: ") + arg; }

inline QString extraArgument(const QString &arg) { return QStringLiteral("Лишний параметр: ") + arg; }

int runMachineCommand(CliContext &context);
int runRegCommand(CliContext &context);
int runTweaksCommand(CliContext &context);
int runBackupCommand(CliContext &context);
int runCleanCommand(CliContext &context);
int runFindCommand(CliContext &context);
int runRegscanCommand(CliContext &context);
int runDupsCommand(CliContext &context);
int runAppsCommand(CliContext &context);
int runStartupCommand(CliContext &context);
int runConvertCommand(CliContext &context);

} // namespace tolvex::cli
