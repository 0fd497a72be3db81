#pragma once

#include "ProgramContext.h"
#include "machine/Machine.h"
#include "shell/MachineShellServices.h"

#include <QString>

#include <memory>

namespace tolvex::test {

// What the program holds while it runs on one machine: the machine, its shell and the context
// the subsystems are handed.
struct ProgramSession
{
    ProgramSession(const QString &machineFolder, const QString &programFolder, bool readOnly = false)
        : machine(platform::Machine::open(machineFolder, programFolder)),
          shell(std::make_unique<platform::MachineShellServices>(*machine)),
          context(std::make_unique<platform::ProgramContext>(platform::ProgramContext{*machine, *shell}))
    {
        machine->registry().setReadOnly(readOnly);
    }

    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<platform::MachineShellServices> shell;
    std::unique_ptr<platform::ProgramContext> context;
};

} // namespace tolvex::test
