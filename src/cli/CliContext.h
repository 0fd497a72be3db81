#pragma once

#include "machine/Machine.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

namespace tolvex::cli {

// What every command gets: the chosen machine, its arguments and the two output streams.
struct CliContext
{
    std::unique_ptr<platform::Machine> machine;
    QStringList args; // after the command's name
    QTextStream &out;
    QTextStream &err;
};

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
