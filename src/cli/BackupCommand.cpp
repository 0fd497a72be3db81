// "backup make | list | restore | delete": the tweak backups of the machine's generation.
#include "CliContext.h"

#include "BackupFiles.h"
#include "TweakBackups.h"
#include "TweakCatalogue.h"
#include "vista/VistaLoader.h"
#include "ini/IniFile.h"
#include "shell/MachineShellServices.h"
#include "text/PathParts.h"

#include <QFileInfo>

namespace tolvex::cli {

using namespace backups;

namespace {

constexpr char usage[] = "tolvex-cli backup make CODE... | list | restore FILE | delete FILE\n"
                         "CODE: НРС НП СБ СН К ВвС ПЗ МП П (on Vista: НП СН К ПЗ)\n";

tweaks::ControlStateMap vistaControls()
{
    tweaks::ControlStateMap controls;
    for (const tweaks::TweakPageDef *page : tweaks::vistaPages())
        for (const tweaks::TweakEntry &row : page->rows)
            controls.add(row);
    return controls;
}

// A file named on the command line: a Windows path as it is, a host path made absolute.
QString fileArgument(const QString &arg)
{
    return text::isDrivePath(arg) ? arg : QFileInfo(arg).absoluteFilePath();
}

} // namespace

int runBackupCommand(CliContext &c)
{
    platform::MachineShellServices shell(*c.machine);
    platform::ProgramContext context{*c.machine, shell};
    TweakBackups backups(context);
    const QString verb = c.args.value(0);
    QStringList rest = c.args.mid(1);
    const bool oneFile = verb == u"restore" || verb == u"delete";
    if (verb.isEmpty())
        return badCall(c.err, QStringLiteral("Не указано действие с бекапами."), usage);
    if (verb != u"make" && verb != u"list" && !oneFile)
        return badCall(c.err, QStringLiteral("Неизвестное действие с бекапами: ") + verb, usage);
    if (verb == u"make" && rest.isEmpty())
        return badCall(c.err, QStringLiteral("Не указаны группы бекапа."), usage);
    if (verb == u"list" && !rest.isEmpty())
        return badCall(c.err, extraArgument(rest.first()), usage);
    if (oneFile && rest.size() != 1)
        return badCall(c.err, QStringLiteral("Укажите один файл бекапа."), usage);
    QList<Group> groups;
    if (verb == u"make")
        for (const QString &code : rest) {
            const std::optional<Group> group = groupByCode(code);
            if (!group)
                return badCall(c.err, QStringLiteral("Неизвестная группа: ") + code, usage);
            groups.append(*group);
        }
    // Only a tweak backup is restored from or deleted.
    if (oneFile) {
        rest[0] = fileArgument(rest[0]);
        if (!shell.fileExists(rest[0]))
            return badCall(c.err, QStringLiteral("Файл бекапа %1 не найден.").arg(rest[0]), usage);
        if (!isTweakBackup(backups.read(rest[0])))
            return badCall(c.err, QStringLiteral("%1 не является бекапом настроек.").arg(rest[0]), usage);
    }
    try {
        if (verb == u"make") {
            if (c.machine->vistaGeneration()) {
                tweaks::ControlStateMap controls = vistaControls();
                tweaks::VistaSnapshot snapshot;
                registry::RegistryStore store(c.machine->registry());
                tweaks::VLoadRegedit(store, controls, snapshot);
                c.out << shownPath(shell, backups.makeVista(groups, snapshot)) << '\n';
            } else {
                c.out << shownPath(shell, backups.makeXp(groups)) << '\n';
            }
            return 0;
        }
        if (verb == u"list") {
            for (const platform::FoundEntry &e : shell.listFolder(backups.folder() + u'\\', QStringLiteral("*.ini"))) {
                if (e.isFolder)
                    continue;
                const BackupListing l = listingOf(e.name);
                c.out << l.parameters << '\t' << l.date << '\t' << l.time << '\t' << shownPath(shell, backups.pathOf(e.name)) << '\n';
            }
            return 0;
        }
        if (verb == u"restore") {
            if (!c.machine->vistaGeneration()) {
                MemoryXpPages pages(*c.machine);
                const RestoreReport report = backups.restoreXp(rest[0], pages);
                if (!saveNow(c))
                    return 1;
                c.out << "Востановление завершено\n";
                if (!report.skipped.isEmpty()) {
                    c.err << "Не восстановлено:\n";
                    for (const SkippedValue &value : report.skipped)
                        c.err << RestoreReport::lineOf(value) << '\n';
                }
                // Values this machine has no key for are expected; a refused write is not.
                return report.refused() ? 1 : 0;
            }
            QStringList errors;
            registry::RegistryStore store(c.machine->registry());
            tweaks::ControlStateMap controls = vistaControls();
            tweaks::VistaSnapshot snapshot;
            tweaks::VLoadRegedit(store, controls, snapshot);
            restoreVistaBackup(backups.read(rest[0]), controls, [&](const QString &ok) {
                errors += tweaks::applyPages(tweaks::vistaPages(), {ok}, store, controls);
            });
            for (const QString &e : errors)
                c.err << e << '\n';
            if (!saveNow(c))
                return 1;
            c.out << "Востановление завершено\n";
            return errors.isEmpty() ? 0 : 1;
        }
        if (!backups.remove(rest[0])) {
            c.err << "Не удалось удалить файл бекапа " << rest[0] << ".\n";
            return 1;
        }
        return 0;
    } catch (const std::exception &e) {
        c.err << e.what() << '\n';
        return 1;
    }
}

} // namespace tolvex::cli
