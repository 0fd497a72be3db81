// "dups [--name] [--size] [--content] [--no-subdirs] [--save FILE.LsD] FOLDER..." and
// "dups --load FILE.LsD": the duplicate finder's scan and its result files.
#include "CliContext.h"

#include "DuplicateScan.h"
#include "LsdFile.h"
#include "shell/MachineShellServices.h"
#include "text/PathParts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace tolvex::cli {

using namespace duplicates;

namespace {

constexpr char usage[] = "tolvex-cli dups [--name] [--size] [--content] [--no-subdirs] [--save FILE.LsD] FOLDER...\n"
                         "tolvex-cli dups --load FILE.LsD\n";

void printTable(CliContext &c, const DuplicateTables &tables)
{
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row) {
        const FileEntry &file = tables.FileTable[row];
        c.out << file.Double << '\t' << tables.filePath(row) << '\t' << file.FullSize << '\n';
    }
}

} // namespace

int runDupsCommand(CliContext &c)
{
    DuplicateCriteria criteria{false, false, false};
    bool anyCriterion = false, subfolders = true;
    QString save, load;
    QStringList folders;
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--name" || arg == u"--size" || arg == u"--content") {
            (arg == u"--name" ? criteria.SameName : arg == u"--size" ? criteria.SameSize : criteria.SameContent) = true;
            anyCriterion = true;
        } else if (arg == u"--no-subdirs") {
            subfolders = false;
        } else if (arg == u"--save" || arg == u"--load") {
            const std::optional<QString> value = switchValue(c.args, i);
            if (!value)
                return badCall(c.err, missingValue(arg), usage);
            (arg == u"--save" ? save : load) = QFileInfo(*value).absoluteFilePath();
        } else if (arg.startsWith(u"--")) {
            return badCall(c.err, unknownSwitch(arg), usage);
        } else if (text::isDrivePath(arg)) {
            folders.append(text::withTrailingBackslash(arg));
        } else {
            return badCall(c.err, QStringLiteral("Папка должна быть путём Windows на букве диска (C:\\...): ") + arg,
                           usage);
        }
    }
    DuplicateTables tables;
    if (!load.isEmpty()) {
        if (!folders.isEmpty() || anyCriterion || !subfolders || !save.isEmpty())
            return badCall(c.err, QStringLiteral("--load показывает сохранённый результат и не сочетается с поиском."),
                           usage);
        QFile file(load);
        if (!file.open(QIODevice::ReadOnly))
            return badCall(c.err, QStringLiteral("Не удалось открыть %1: %2").arg(load, file.errorString()), usage);
        QString error;
        if (!LsdFile::read(file.readAll(), tables, &error))
            return badCall(c.err, QStringLiteral("%1: %2").arg(load, error), usage);
        printTable(c, tables);
        return 0;
    }
    if (folders.isEmpty())
        return badCall(c.err, QStringLiteral("Не указаны папки для сканирования."), usage);
    // The result is written over any file of that name: only a result file may be named.
    if (!save.isEmpty() && !save.endsWith(QStringLiteral(".LsD"), Qt::CaseInsensitive))
        return badCall(c.err, QStringLiteral("Результат сохраняется в файл .LsD: ") + save, usage);
    // Without a criterion named, the page's own start: name and size.
    if (!anyCriterion)
        criteria = DuplicateCriteria{};

    platform::MachineShellServices shell(*c.machine);
    DuplicateScan scan(shell, tables);
    scan.prepare(folders, criteria, subfolders);
    QString status;
    const bool terminal = ::isatty(STDERR_FILENO);
    scan.onOperation = [&](const QString &text) { status = text; };
    scan.onProgressText = [&](const QString &text) {
        if (terminal)
            c.err << "\r\033[K" << status << ' ' << text << " прочитано " << scan.bytesRead() / 1048576 << " Мб"
                  << Qt::flush;
    };
    const DuplicateScan::End end = scan.run();
    if (terminal)
        c.err << "\r\033[K" << Qt::flush;
    printTable(c, tables);
    c.out << status << '\n';
    if (!save.isEmpty() && end == DuplicateScan::End::Found && !tables.FileTable.isEmpty()) {
        QSaveFile file(save);
        const QByteArray bytes = LsdFile::write(tables);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            c.err << "Не удалось записать " << save << ": " << file.errorString() << '\n';
            return 1;
        }
    }
    return 0;
}

} // namespace tolvex::cli
