#pragma once

#include "machine/Machine.h"
#include "shell/ShellServices.h"

namespace tolvex::platform {

// What every subsystem is handed: the machine being tuned and the shell over it.
struct ProgramContext
{
    Machine &machine;
    ShellServices &shell;

    // Ends a command (a handler): the registry files that changed are written. Returns what
    // could not be written.
    QStringList finishCommand() { return machine.saveRegistry(); }
};

} // namespace tolvex::platform
