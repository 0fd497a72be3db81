// "clean [--delete]": the basic cleaning analysis with both boxes ticked, and its clean.
#include "CliContext.h"

#include "BasicCleaning.h"
#include "shell/MachineShellServices.h"

#include <unistd.h>

namespace tolvex::cli {

int runCleanCommand(CliContext &c)
{
    bool remove = false;
    for (const QString &arg : c.args) {
        if (arg == u"--delete") {
            remove = true;
        } else {
            return badCall(c.err, unknownSwitch(arg), "tolvex-cli clean [--delete]\n");
        }
    }
    platform::MachineShellServices shell(*c.machine);
    cleaning::BasicCleaning cleaning(shell);
    QString status;
    int browser = 0, listed = 0;
    const bool terminal = ::isatty(STDERR_FILENO);
    auto progress = [&] {
        if (terminal)
            c.err << "\rInternet Explorer: " << browser << ", система: " << listed << Qt::flush;
    };
    QObject::connect(&cleaning, &cleaning::BasicCleaning::statusChanged, [&](const QString &s) { status = s; });
    QObject::connect(&cleaning, &cleaning::BasicCleaning::browserCountChanged, [&](int n) {
        browser = n;
        progress();
    });
    QObject::connect(&cleaning, &cleaning::BasicCleaning::systemCountChanged, [&](int n) {
        if (cleaning.ListingPass)
            listed = n;
        progress();
    });
    cleaning.Scan(true, true);
    cleaning.waitUntilIdle();
    if (terminal)
        c.err << '\n';

    c.out << "Статус: " << status << '\n'
          << "Internet Explorer: " << browser << '\n'
          << "Система: " << listed << '\n';
    const QStringList names = cleaning.collected();
    for (const QString &name : names)
        c.out << name << '\n';
    if (remove)
        cleaning.Clear(true, true);
    return 0;
}

} // namespace tolvex::cli
