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
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--phases" || arg == u"--backup") {
            const std::optional<QString> value = switchValue(c.args, i);
            if (!value)
                return badCall(c.err, missingValue(arg), usage);
            if (arg == u"--phases")
                phases = *value;
            else
                backup = QFileInfo(*value).absoluteFilePath();
        } else if (arg == u"--fix") {
            fix = true;
        } else {
            return badCall(c.err, unknownSwitch(arg), usage);
        }
    }
    // The backup is written over any file of that name: only a registry file may be named.
    if (backup && !backup->endsWith(QStringLiteral(".reg"), Qt::CaseInsensitive))
        return badCall(c.err, QStringLiteral("Копия для отката должна быть файлом .reg: ") + *backup, usage);
    if (backup && !fix)
        return badCall(c.err, QStringLiteral("--backup сохраняет разделы перед исправлением и нужен вместе с --fix."),
                       usage);
    QStringList phaseList;
    for (const QString &phase : phases.split(u','))
        phaseList.append(phase.trimmed());
    for (const QString &phase : phaseList)
        if (phase != u"1" && phase != u"2" && phase != u"3")
            return badCall(c.err, QStringLiteral("Неизвестная фаза: \"%1\" (1, 2 или 3)").arg(phase), usage);

    platform::MachineShellServices shell(*c.machine);
    RegistryScan scan(c.machine->registry(), shell);
    scan.ScanExtensions = phaseList.contains(QStringLiteral("1"));
    scan.ScanClassIds = phaseList.contains(QStringLiteral("2"));
    scan.ScanSoftware = phaseList.contains(QStringLiteral("3"));

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
    if (!saveNow(c))
        return 1;
    c.out << RegistryFix::fixedText << ": " << (found.size() - failed) << '\n';
    return failed ? 1 : 0;
}

} // namespace tolvex::cli
