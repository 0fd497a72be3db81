#include "CliContext.h"

namespace tolvex::cli {

int runMachineCommand(CliContext &context)
{
    if (!context.args.isEmpty())
        return badCall(context.err, extraArgument(context.args.first()), "tolvex-cli machine\n");
    platform::Machine &machine = *context.machine;
    QTextStream &out = context.out;
    out << "folder: " << machine.folder() << '\n';
    out << "generation: " << (machine.vistaGeneration() ? "Vista" : "XP") << '\n';
    out << "build: " << machine.buildNumber() << '\n';
    out << "read-only: " << (machine.readOnly() ? "yes" : "no") << '\n';
    if (machine.readOnly())
        out << "notice: " << machine.readOnlyNotice() << '\n';
    for (const platform::Machine::Drive &d : machine.drives())
        out << "drive: " << d.letter << ":\t" << d.type << '\t' << d.hostFolder << '\n';
    return 0;
}

} // namespace tolvex::cli
