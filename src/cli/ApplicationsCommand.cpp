// "apps" and "startup": the applications page's two tabs, with its messages as output.
#include "CliContext.h"

#include "InstalledApplications.h"
#include "StartupManager.h"
#include "registry/RegistryTypes.h"
#include "shell/MachineShellServices.h"

namespace tolvex::cli {

using applications::Category;

namespace {

const char appsUsage[] = "tolvex-cli apps [uninstall DISPLAYNAME | delete DISPLAYNAME]\n";
const char startupUsage[] = "tolvex-cli startup list [--with-load] | add NAME PATH | delete LABEL NAME\n";

int usage(CliContext &c, const char *text)
{
    const QString problem = c.args.isEmpty() ? QStringLiteral("Не указано действие.")
                                             : QStringLiteral("Неверные параметры: ") + c.args.join(u' ');
    return badCall(c.err, problem, text);
}

} // namespace

int runAppsCommand(CliContext &c)
{
    if (!c.args.isEmpty() && (c.args.size() != 2 || (c.args[0] != u"uninstall" && c.args[0] != u"delete")))
        return usage(c, appsUsage);
    platform::MachineShellServices shell(*c.machine);
    applications::InstalledApplications apps(c.machine->registry(), shell);
    const applications::ApplicationTree tree = apps.BuildApplicationTree();
    if (c.args.isEmpty()) {
        for (int i = 0; i < applications::CategoryCount; ++i)
            for (const applications::UninstallEntry &entry : tree.categories[size_t(i)])
                c.out << applications::categoryText(Category(i)) << '\t' << entry.displayName << '\t'
                      << entry.pathText() << '\n';
        return 0;
    }

    // As a click on the entry's node: a name that no node shows selects nothing.
    std::optional<QString> selected;
    for (const applications::UninstallEntry &entry : tree.categories[size_t(Category::All)])
        if (entry.displayName == c.args[1]) selected = entry.displayName;
    const std::optional<QString> key = apps.FindSelectedEntryKey(selected);
    const applications::Outcome outcome =
        c.args[0] == u"uninstall" ? apps.Uninstall(key) : apps.DeleteEntry(key);
    if (outcome.ok && !saveNow(c)) return 1;
    if (!outcome.message.isEmpty()) c.out << outcome.message << '\n';
    if (!outcome.ok && c.machine->readOnly()) c.err << c.machine->readOnlyNotice() << '\n';
    return outcome.ok ? 0 : 1;
}

int runStartupCommand(CliContext &c)
{
    const QString verb = c.args.value(0);
    if (verb == u"list" && (c.args.size() == 1 || (c.args.size() == 2 && c.args[1] == u"--with-load"))) {
        // --with-load stands for the program's command-line argument.
        platform::MachineShellServices shell(*c.machine, c.args.size() == 2 ? 1 : 0);
        applications::StartupManager startup(c.machine->registry(), shell);
        for (const applications::StartupRow &row : startup.FormPaint())
            c.out << row.name << '\t' << row.command << '\t' << row.label << '\n';
        return 0;
    }
    platform::MachineShellServices shell(*c.machine);
    applications::StartupManager startup(c.machine->registry(), shell);
    if (verb == u"add" && c.args.size() == 3) {
        try {
            startup.Add(c.args[1], c.args[2]);
        } catch (const registry::RegistryError &e) {
            c.err << e.what() << '\n';
            if (c.machine->readOnly()) c.err << c.machine->readOnlyNotice() << '\n';
            return 1;
        }
        return 0;
    }
    if (verb == u"delete" && c.args.size() == 3) {
        if (!applications::locationByLabel(c.args[1]))
            return badCall(c.err, QStringLiteral("Неизвестное место автозагрузки: ") + c.args[1], startupUsage);
        // The page is silent when nothing goes; a script is told.
        if (!startup.DeleteRow({c.args[2], QString(), c.args[1]})) {
            c.err << "Запись \"" << c.args[2] << "\" в " << c.args[1] << " не удалена.\n";
            if (c.machine->readOnly()) c.err << c.machine->readOnlyNotice() << '\n';
            return 1;
        }
        return 0;
    }
    return usage(c, startupUsage);
}

} // namespace tolvex::cli
