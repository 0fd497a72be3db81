// "find [--filter MASK]... [--exclude TEXT]... [--delete] [PATH...]": the advanced-cleaning
// search, as the page runs it with the given or the saved settings.
#include "CliContext.h"

#include "ProScan.h"
#include "ProSettings.h"
#include "ini/IniDocument.h"
#include "shell/MachineShellServices.h"
#include "text/PathParts.h"

#include <QElapsedTimer>

#include <unistd.h>

namespace tolvex::cli {

using namespace advanced_cleaning;

namespace {

constexpr char usage[] = "tolvex-cli find [--filter MASK]... [--exclude TEXT]... [--delete] [PATH...]\n";

// Prints each file as it is found; on a terminal, the folder being searched on stderr.
class Printer final : public ProScanObserver
{
public:
    Printer(CliContext &c, bool keep) : m_c(c), m_keep(keep), m_terminal(::isatty(STDERR_FILENO)) { m_clock.start(); }
    ~Printer() override
    {
        if (m_terminal)
            m_c.err << "\r\033[K" << Qt::flush;
    }

    void fileFound(const FoundFile &file) override
    {
        m_c.out << file.path << '\t' << file.size << '\n';
        ++m_found;
        if (m_keep)
            found.append(file);
    }
    void folderDone(const QString &folder) override
    {
        if (!m_terminal || m_clock.elapsed() < 100)
            return;
        m_clock.restart();
        m_c.err << "\r\033[KНайдено: " << m_found << "  Поиск: " << folder.left(100) << Qt::flush;
    }

    QList<FoundFile> found;

private:
    CliContext &m_c;
    bool m_keep;
    bool m_terminal;
    quint64 m_found = 0;
    QElapsedTimer m_clock;
};

} // namespace

int runFindCommand(CliContext &c)
{
    QStringList filters, exclusions, paths;
    bool remove = false;
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--filter" || arg == u"--exclude") {
            const std::optional<QString> value = switchValue(c.args, i);
            if (!value)
                return badCall(c.err, missingValue(arg), usage);
            (arg == u"--filter" ? filters : exclusions).append(*value);
        } else if (arg == u"--delete") {
            remove = true;
        } else if (arg.startsWith(u"--")) {
            return badCall(c.err, unknownSwitch(arg), usage);
        } else if (text::isDrivePath(arg)) {
            paths.append(text::withTrailingBackslash(arg));
        } else {
            return badCall(c.err, QStringLiteral("Путь поиска должен быть путём Windows на букве диска (C:\\...): ") + arg,
                           usage);
        }
    }

    platform::MachineShellServices shell(*c.machine);
    // As the page starts: the drive roots, then what Config.ini holds.
    ProSettings settings;
    settings.GetDrives(shell);
    settings.LoadNastr(readConfig(shell));
    if (!paths.isEmpty()) {
        settings.paths.clear();
        for (const QString &p : paths)
            settings.paths.append({p, true});
    }
    if (!filters.isEmpty()) {
        settings.filters.clear();
        for (const QString &f : filters)
            settings.filters.append({f, {}, true});
    }
    if (!exclusions.isEmpty()) {
        settings.exclusions.clear();
        for (const QString &e : exclusions)
            settings.exclusions.append({e, {}, true});
    }

    ProScan scan(shell, settings);
    Printer printer(c, remove);
    scan.FindFiles(printer);
    int status = 0;
    for (const FoundFile &file : printer.found)
        if (!ProScan::deleteFound(shell, file)) {
            c.err << "Не могу удалить " << file.path << '\n';
            status = 1;
        }
    return status;
}

} // namespace tolvex::cli
