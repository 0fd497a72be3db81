// "dups [--name] [--size] [--content] [--no-subdirs] [--protect FOLDER]... [--select RULE [--link|--clone]]
// [--save FILE.LsD] FOLDER..." and "dups --load FILE.LsD [--select RULE [--link|--clone]]": the
// duplicate finder's scan, its keep rules, replacing copies by links, and its result files.
#include "CliContext.h"

#include "DuplicateScan.h"
#include "KeepRules.h"
#include "LsdFile.h"
#include "ResultActions.h"
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

constexpr char usage[] =
    "tolvex-cli dups [--name] [--size] [--content] [--no-subdirs] [--protect FOLDER]... [--unprotect-windows]\n"
    "                [--select newest|oldest|first|shortest [--link|--clone]] [--save FILE.LsD] FOLDER...\n"
    "tolvex-cli dups --load FILE.LsD [--select RULE [--link|--clone]]\n";

// With marks, a fourth field says what becomes of each file.
void printTable(CliContext &c, const DuplicateTables &tables, bool marks)
{
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row) {
        const FileEntry &file = tables.FileTable[row];
        c.out << file.Double << '\t' << tables.filePath(row) << '\t' << file.FullSize;
        if (marks)
            c.out << '\t'
                  << (tables.isProtected(row) ? "защищён" : file.Ticked ? "отмечен" : "оставлен");
        c.out << '\n';
    }
}

bool anyProtected(const DuplicateTables &tables)
{
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row)
        if (tables.isProtected(row))
            return true;
    return false;
}

} // namespace

int runDupsCommand(CliContext &c)
{
    DuplicateCriteria criteria{false, false, false};
    bool anyCriterion = false, subfolders = true, protectWindows = true;
    QString save, load;
    QStringList folders, protectedFolders;
    std::optional<KeepRule> rule;
    std::optional<platform::LinkKind> replaceBy;
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--name" || arg == u"--size" || arg == u"--content") {
            (arg == u"--name" ? criteria.SameName : arg == u"--size" ? criteria.SameSize : criteria.SameContent) = true;
            anyCriterion = true;
        } else if (arg == u"--no-subdirs") {
            subfolders = false;
        } else if (arg == u"--unprotect-windows") {
            protectWindows = false;
        } else if (arg == u"--link" || arg == u"--clone") {
            replaceBy = arg == u"--link" ? platform::LinkKind::HardLink : platform::LinkKind::Clone;
        } else if (arg == u"--select") {
            const std::optional<QString> value = switchValue(c.args, i);
            if (!value)
                return badCall(c.err, missingValue(arg), usage);
            rule = keepRuleNamed(*value);
            if (!rule)
                return badCall(c.err, QStringLiteral("Правило --select: newest, oldest, first или shortest, а не ") + *value,
                               usage);
        } else if (arg == u"--protect") {
            const std::optional<QString> value = switchValue(c.args, i);
            if (!value)
                return badCall(c.err, missingValue(arg), usage);
            if (!text::isDrivePath(*value))
                return badCall(c.err, QStringLiteral("Папка должна быть путём Windows на букве диска (C:\\...): ") + *value,
                               usage);
            protectedFolders.append(text::withTrailingBackslash(*value));
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
    if (replaceBy && !rule)
        return badCall(c.err, QStringLiteral("--link и --clone заменяют файлы, отмеченные правилом: укажите --select."),
                       usage);
    DuplicateTables tables;
    platform::MachineShellServices shell(*c.machine);
    // The rule's ticks, the table with its marks, then the replacement of the ticked files.
    // False when a file could not be replaced.
    auto finish = [&](const QString &status) {
        const std::optional<Ticking> ticking = rule ? std::optional(tickAllButKept(tables, *rule)) : std::nullopt;
        printTable(c, tables, rule || anyProtected(tables));
        if (!status.isEmpty())
            c.out << status << '\n';
        if (ticking)
            c.out << ticking->text() << '\n';
        if (!ticking || !replaceBy)
            return true;
        c.out << Qt::flush;
        const Replacement done = replaceTicked(shell, tables, *replaceBy);
        c.out << done.text(*replaceBy) << '\n';
        return done.failed.isEmpty();
    };
    if (!load.isEmpty()) {
        if (!folders.isEmpty() || !protectedFolders.isEmpty() || anyCriterion || !subfolders || !save.isEmpty())
            return badCall(c.err, QStringLiteral("--load показывает сохранённый результат и не сочетается с поиском."),
                           usage);
        QFile file(load);
        if (!file.open(QIODevice::ReadOnly))
            return badCall(c.err, QStringLiteral("Не удалось открыть %1: %2").arg(load, file.errorString()), usage);
        QString error;
        if (!LsdFile::read(file.readAll(), tables, &error))
            return badCall(c.err, QStringLiteral("%1: %2").arg(load, error), usage);
        return finish({}) ? 0 : 1;
    }
    // A protected folder is one of the list, marked.
    for (const QString &folder : std::as_const(protectedFolders))
        if (!folders.contains(folder, Qt::CaseInsensitive))
            folders.append(folder);
    if (folders.isEmpty())
        return badCall(c.err, QStringLiteral("Не указаны папки для сканирования."), usage);
    // The result is written over any file of that name: only a result file may be named.
    if (!save.isEmpty() && !save.endsWith(QStringLiteral(".LsD"), Qt::CaseInsensitive))
        return badCall(c.err, QStringLiteral("Результат сохраняется в файл .LsD: ") + save, usage);
    // Without a criterion named, the page's own start: name and size.
    if (!anyCriterion)
        criteria = DuplicateCriteria{};

    if (protectWindows)
        if (const QString windows = DuplicateScan::windowsFolderWithin(folders, shell.windowsFolder(), subfolders);
            !windows.isEmpty())
            protectedFolders.append(windows);
    DuplicateScan scan(shell, tables);
    scan.prepare(folders, criteria, subfolders, protectedFolders);
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
    // Saved as found: ticks are not part of a result file.
    if (!save.isEmpty() && end == DuplicateScan::End::Found && !tables.FileTable.isEmpty()) {
        QSaveFile file(save);
        const QByteArray bytes = LsdFile::write(tables);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            c.err << "Не удалось записать " << save << ": " << file.errorString() << '\n';
            printTable(c, tables, anyProtected(tables));
            c.out << status << '\n';
            return 1;
        }
    }
    if (end != DuplicateScan::End::Found)
        rule.reset();
    return finish(status) ? 0 : 1;
}

} // namespace tolvex::cli
