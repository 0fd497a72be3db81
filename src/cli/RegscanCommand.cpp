// "regscan [--phases 1,2,3] [--fix] [--backup FILE.reg]": the registry cleaner's scan, printed a
// row a line, and its fix.
#include "CliContext.h"

#include "RegistryFix.h"
#include "RegistryScan.h"
#include "shell/MachineShellServices.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <unistd.h>

namespace tolvex::cli {

using namespace registry_cleaner;

namespace {
constexpr char usage[] = "tolvex-cli regscan [--phases 1,2,3] [--fix] [--backup FILE.reg]\n";
}

int runRegscanCommand(CliContext &c)
{
    QString phases = QStringLiteral("1,3");
    bool fix = false;
    std::optional<QString> backup;
    for (int i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--phases" && i + 1 < c.args.size()) {
            phases = c.args[++i];
        } else if (arg == u"--fix") {
            fix = true;
        } else if (arg == u"--backup" && i + 1 < c.args.size()) {
            backup = QFileInfo(c.args[++i]).absoluteFilePath();
        } else {
            c.err << "Неизвестный параметр: " << arg << '\n' << usage;
            return 1;
        }
    }
    platform::MachineShellServices shell(*c.machine);
    RegistryScan scan(c.machine->registry(), shell);
    for (const QString &phase : phases.split(u',', Qt::SkipEmptyParts)) {
        if (phase.trimmed() == u"1")
            scan.ScanExtensions = true;
        else if (phase.trimmed() == u"2")
            scan.ScanClassIds = true;
        else if (phase.trimmed() == u"3")
            scan.ScanSoftware = true;
        else {
            c.err << "Неизвестная фаза: " << phase << " (1, 2 или 3)\n" << usage;
            return 1;
        }
    }

    QList<RegistryErrorRow> found;
    const bool terminal = ::isatty(STDERR_FILENO);
    QElapsedTimer clock;
    clock.start();
    QString phaseText;
    scan.onStatus = [&](const QString &status) { phaseText = status; };
    scan.onRow = [&](const RegistryErrorRow &row) {
        found.append(row);
        c.out << row.ErrorType << '\t' << row.Parameter << '\t' << row.Hive << '\t' << row.KeyPath << '\t'
              << row.ValueName << '\n';
        if (terminal && clock.elapsed() >= 100) {
            clock.restart();
            c.err << "\r\033[K" << phaseText << " Разделов: " << scan.keysExamined() << Qt::flush;
        }
    };
    const QString status = scan.Run();
    if (terminal)
        c.err << "\r\033[K" << Qt::flush;
    c.out << status << '\n';
    if (!fix)
        return 0;

    RegistryFix fixer(c.machine->registry());
    const RegistryFix::Outcome outcome = fixer.fixRows(found, backup);
    if (!outcome.backupError.isEmpty()) {
        c.err << outcome.backupError << '\n';
        return 1;
    }
    int failed = 0;
    for (int i = 0; i < found.size(); ++i)
        if (!outcome.fixed.value(i)) {
            c.err << "Не исправлено: " << found[i].Hive << found[i].KeyPath << ' ' << found[i].ValueName << '\n';
            ++failed;
        }
    c.out << RegistryFix::fixedText << ": " << (found.size() - failed) << '\n';
    return failed ? 1 : 0;
}

} // namespace tolvex::cli
