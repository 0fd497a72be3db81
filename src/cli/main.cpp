#include "CliContext.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

#include <cstdio>

using namespace tolvex;

namespace {

const char usage[] = R"(tolvex-cli [--machine DIR] COMMAND ...

  machine                    the machine folder, generation, build, read-only state and drives
  reg query KEY [/v NAME | /ve] [/s]
  reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/d DATA] [/f]
  reg delete KEY [/v NAME | /ve] [/f]
  tweaks                     every tweak row of the machine's generation as it loads (reads only):
                             control, checked/unchecked/text:..., enabled/greyed
  backup make CODE...        a tweak backup of the groups (НРС НП СБ СН К ВвС ПЗ МП П) in Backups
  backup list                one line per backup file: groups, date, time, path
  backup restore FILE        the backup's values into the registry, then the pages applied again
  backup delete FILE
  clean [--delete]           basic cleaning: the status, the browser cache and system counts and
                             the collected names; --delete then cleans what was printed
  find [--filter MASK]... [--exclude TEXT]... [--delete] [PATH...]
                             advanced cleaning's search: one found file per line, its Windows
                             path, a tab and its size; without PATH, --filter or --exclude the
                             drive roots and the settings of Config.ini; --delete deletes them
  regscan [--phases 1,2,3] [--fix] [--backup FILE.reg]
                             the registry cleaner's scan (phases 1 and 3 unless told): one row a
                             line, error type, parameter, hive, key path and value name, tab-
                             separated, then the end status; --fix fixes every row found, after
                             --backup has saved them to a .reg file that regedit imports
  dups [--name] [--size] [--content] [--no-subdirs] [--save FILE.LsD] FOLDER...
  dups --load FILE.LsD       the duplicate finder: one file a line, its group, its Windows path
                             and its size, tab-separated, then the status (name and size unless
                             a criterion is named)
  convert --out DIR FILE.mp3...
                             MP3 to 16-bit WAV as the converter page does (gapless, see README):
                             one line per file, the output path, a tab and the sample frames
                             written; DIR and FILE are Windows paths of the machine or host paths
  convert --list FILE.mp3... the converter's list, converting nothing: one file a line, its
                             Windows path, title and album, tab-separated
  apps                       the installed programs' tree: one entry node a line, its category,
                             DisplayName and path child ("Путь:..." or "Путь не подписан"),
                             tab-separated; a 64-bit machine's 32-bit entries follow its own
  apps uninstall DISPLAYNAME starts the uninstaller of the first entry of that name
  apps delete DISPLAYNAME    deletes that entry's uninstall key; both print the page's message
                             and exit with 1 on "Ошибка" or "UninstallString не найденно"
  startup list [--with-load] the startup rows: name, command, location label, tab-separated;
                             --with-load stands for Tolvex's command-line argument (load rows)
  startup add NAME PATH      PATH under NAME in HKCU's Run key, over any value of that name
  startup delete LABEL NAME  the value NAME of the location LABEL ("HKEY_CU\Run", ...); exit 1
                             when nothing was deleted

A bad call (an unknown command or switch, a missing value, a path or file of the wrong kind)
changes nothing: one line says what is wrong, the next how the command is called; the exit
status is 2. A failure while the command runs exits with 1.

KEY is a root and a path, as HKCU\Software\X. The machine is TOLVEX_MACHINE, WINEPREFIX,
~/.wine or the sample machine, as for Tolvex itself, unless --machine names one.
)";

const char shortUsage[] = "tolvex-cli [--machine DIR] COMMAND ... (все команды: tolvex-cli --help)\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvex-cli"));
    QTextStream out(stdout), err(stderr);

    const QList<std::pair<QString, int (*)(cli::CliContext &)>> commands{
        {QStringLiteral("machine"), cli::runMachineCommand}, {QStringLiteral("reg"), cli::runRegCommand},
        {QStringLiteral("tweaks"), cli::runTweaksCommand},   {QStringLiteral("backup"), cli::runBackupCommand},
        {QStringLiteral("clean"), cli::runCleanCommand},     {QStringLiteral("find"), cli::runFindCommand},
        {QStringLiteral("regscan"), cli::runRegscanCommand}, {QStringLiteral("dups"), cli::runDupsCommand},
        {QStringLiteral("apps"), cli::runAppsCommand},       {QStringLiteral("startup"), cli::runStartupCommand},
        {QStringLiteral("convert"), cli::runConvertCommand},
    };

    // The call is checked before the machine is opened: a bad one must not touch it.
    QStringList args = app.arguments().mid(1);
    QString folder;
    if (args.value(0) == u"--machine") {
        if (args.size() < 2 || args.at(1).isEmpty())
            return cli::badCall(err, QStringLiteral("После --machine не указана папка машины."), shortUsage);
        folder = args.at(1);
        args = args.mid(2);
    }
    if (args.value(0) == u"--help" || args.value(0) == u"-h") {
        out << usage;
        return 0;
    }
    if (args.isEmpty())
        return cli::badCall(err, QStringLiteral("Не указана команда."), shortUsage);
    const QString command = args.first();
    const auto known = std::find_if(commands.begin(), commands.end(), [&](const auto &c) { return c.first == command; });
    if (known == commands.end())
        return cli::badCall(err, QStringLiteral("Неизвестная команда: ") + command, shortUsage);

    const QString programFolder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        folder = platform::Machine::chooseFolder(programFolder);
    if (!QFileInfo(folder).isDir())
        return cli::badCall(err, QStringLiteral("Папка машины %1 не найдена.").arg(folder), shortUsage);
    cli::CliContext context{platform::Machine::open(folder, programFolder), args.mid(1), out, err};
    for (const QString &e : context.machine->loadErrors())
        err << e << '\n';
    // Said once, as the window says it: why nothing will be written.
    if (const QString notice = context.machine->readOnlyNotice(); !notice.isEmpty())
        err << notice << '\n';

    const int status = known->second(context);

    const QStringList saveErrors = context.machine->saveRegistry();
    for (const QString &e : saveErrors)
        err << e << '\n';
    out.flush();
    err.flush();
    return saveErrors.isEmpty() ? status : 1;
}
