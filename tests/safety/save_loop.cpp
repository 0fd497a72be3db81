// Saves one of Tolvex's files over and over, each time as a new generation, and prints each
// generation once it is in place, until it is killed. KIND is hive, config or backup; the machine
// folder holds the program folder at drive_c/Tolvex.
//
// hive:   HKCU\Software\Tolvex Crash Test "Generation" in user.reg, saved with the whole hive
// config: Config.ini with the filter rows "g<N>-<row>.tmp"
// backup: a tweak backup of every group, with the start menu's MenuShowDelay set to N
#include "CrashGenerations.h"

#include "ProSettings.h"
#include "ProgramContext.h"
#include "TweakBackups.h"
#include "machine/Machine.h"
#include "shell/Clock.h"
#include "shell/MachineShellServices.h"

#include <QCoreApplication>

#include <cstdio>

using namespace tolvex;

namespace {

// One backup file name for every generation: the name carries the minute.
class StoppedClock : public platform::Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 10), QTime(12, 0)); }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QString kind = args[1], folder = args[2];
    StoppedClock clock;
    platform::Clock::setInstance(&clock);
    const std::unique_ptr<platform::Machine> machine =
        platform::Machine::open(folder, folder + QStringLiteral("/drive_c/Tolvex"));
    if (machine->readOnly()) {
        std::fprintf(stderr, "read-only: %s\n", qPrintable(machine->readOnlyNotice()));
        return 1;
    }
    platform::MachineShellServices shell(*machine);
    platform::ProgramContext context{*machine, shell};
    backups::TweakBackups backups(context);
    registry::RegistryStore store(machine->registry());

    for (quint32 generation = test::crash::currentGeneration(kind, folder) + 1;; ++generation) {
        if (kind == u"hive") {
            store.SelectRoot(registry::Root::CurrentUser);
            store.OpenPath(test::crash::hiveKey, true);
            store.SetDword(test::crash::hiveValue, generation);
            if (!machine->saveRegistry().isEmpty())
                return 1;
        } else if (kind == u"config") {
            advanced_cleaning::ProSettings settings;
            for (int row = 0; row < test::crash::configRows; ++row)
                settings.filters.append({test::crash::configFilter(generation, row), {}, true});
            ini::IniDocument config;
            settings.SaveNastr(config);
            advanced_cleaning::writeConfig(shell, config);
        } else if (kind == u"backup") {
            const backups::BackupKey &marker = test::crash::backupMarker();
            store.SelectRoot(marker.root);
            store.OpenPath(std::string("\\") + marker.keyPath, true);
            store.SetText(marker.value, std::to_string(generation));
            store.ClosePath();
            backups.makeXp(test::crash::allGroups());
        } else {
            return 2;
        }
        std::printf("%u\n", generation);
        std::fflush(stdout);
    }
}
