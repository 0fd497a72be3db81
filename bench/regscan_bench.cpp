// The registry scan (phases 1 and 3, as "Начать" runs them) over a Wine prefix, and over a
// generated hive of 1 000 000 keys; then how soon a cancel takes effect.
#include "RegistryScan.h"
#include "machine/Machine.h"
#include "shell/MachineShellServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

using namespace tolvex;

namespace {

struct Figures
{
    double ms;
    quint64 keys, rows;
};

Figures scanOnce(platform::Machine &machine, platform::ShellServices &shell)
{
    registry_cleaner::RegistryScan scan(machine.registry(), shell);
    scan.ScanExtensions = true;
    scan.ScanSoftware = true;
    QElapsedTimer clock;
    clock.start();
    scan.Run();
    return {clock.nsecsElapsed() / 1e6, scan.keysExamined(), scan.rowsFound()};
}

void report(const char *what, platform::Machine &machine, platform::ShellServices &shell, int runs)
{
    std::vector<double> ms;
    Figures f{};
    for (int i = 0; i < runs; ++i) {
        f = scanOnce(machine, shell);
        ms.push_back(f.ms);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-34s %9.1f ms (min %.1f), %llu keys examined, %.0f keys/s, %llu rows\n", what, median, ms.front(),
                (unsigned long long)f.keys, f.keys / (median / 1000), (unsigned long long)f.rows);
}

// 100 x 100 x 100 keys below Software\Bench, one text value each; one in a hundred names a file
// on C:, half of those missing.
void writeMillionKeys(const QString &folder)
{
    QDir().mkpath(folder + "/dosdevices");
    QDir().mkpath(folder + "/drive_c/windows");
    QFile::link("../drive_c", folder + "/dosdevices/c:");
    QFile file(folder + "/system.reg");
    file.open(QIODevice::WriteOnly);
    QByteArray out = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n";
    int n = 0;
    char line[160];
    for (int a = 0; a < 100; ++a)
        for (int b = 0; b < 100; ++b) {
            for (int c = 0; c < 100; ++c, ++n) {
                std::snprintf(line, sizeof line, "\n[Software\\\\Bench\\\\k%02d\\\\k%02d\\\\k%02d] 1700000000\n", a, b, c);
                out += line;
                if (n % 100 == 0)
                    std::snprintf(line, sizeof line, "\"Path\"=\"C:\\\\windows\\\\%s%d.dll\"\n", n % 200 ? "gone" : "", n);
                else
                    std::snprintf(line, sizeof line, "\"Value\"=\"text %d\"\n", n);
                out += line;
            }
            file.write(out);
            out.clear();
        }
    for (const char *hive : {"/user.reg", "/userdef.reg"}) {
        QFile f(folder + hive);
        f.open(QIODevice::WriteOnly);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "regscan_bench PREFIX WORK-FOLDER\n");
        return 1;
    }
    {
        auto prefix = platform::Machine::open(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
        platform::MachineShellServices shell(*prefix);
        report("Wine prefix, phases 1 and 3:", *prefix, shell, 9);
    }

    const QString big = QString::fromLocal8Bit(argv[2]) + "/million";
    writeMillionKeys(big);
    QElapsedTimer loading;
    loading.start();
    auto machine = platform::Machine::open(big, QString::fromLocal8Bit(argv[2]));
    std::printf("Generated hive of 1 000 000 keys: %.1f MB, loaded in %.0f ms\n",
                QFileInfo(big + "/system.reg").size() / 1e6, loading.nsecsElapsed() / 1e6);
    platform::MachineShellServices shell(*machine);
    report("1 000 000 keys, phases 1 and 3:", *machine, shell, 3);

    // Cancel: the flag is cleared while phase 3 runs; the time until the scan has returned.
    std::vector<double> latencies;
    for (int i = 0; i < 5; ++i) {
        registry_cleaner::RegistryScan scan(machine->registry(), shell);
        scan.ScanExtensions = true;
        scan.ScanSoftware = true;
        QElapsedTimer sinceCancel;
        std::thread worker([&] { scan.Run(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + 200 * i));
        sinceCancel.start();
        scan.Running = false;
        worker.join();
        latencies.push_back(sinceCancel.nsecsElapsed() / 1e6);
    }
    std::printf("Cancel to the end of the scan: worst %.2f ms of 5 cancels\n",
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
