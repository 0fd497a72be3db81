#include "MachineShellServices.h"

#include "Clock.h"
#include "CommandLine.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "text/MaskMatcher.h"

#include <QCollator>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimeZone>
#include <QUrl>

#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex::platform {

namespace {

constexpr quint64 ticksFrom1601To1970 = 116444736000000000ULL;

quint64 fileTimeOf(const struct timespec &t)
{
    return ticksFrom1601To1970 + quint64(t.tv_sec) * 10000000ULL + quint64(t.tv_nsec) / 100;
}

// Host names that Windows could not hold are skipped rather than shown as another name.
bool isWindowsName(const QString &name, const QByteArray &raw)
{
    if (QFile::encodeName(name) != raw)
        return false;
    for (const QChar c : name)
        if (c.unicode() < 32 || QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    return true;
}

QString shellFolderValue(Machine &machine, const char *name)
{
    registry::RegistryStore store(machine.registry());
    store.SelectRoot(registry::Root::CurrentUser);
    if (!store.OpenPathForReading("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
        return {};
    try {
        return QString::fromStdString(store.GetText(name));
    } catch (const registry::RegistryError &) {
        return {};
    }
}

} // namespace

quint32 ShellServices::dosDateTime(quint64 fileTime)
{
    const qint64 msecs = qint64((fileTime - ticksFrom1601To1970) / 10000);
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    const quint32 date = quint32(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    const quint32 time = quint32((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    return (date << 16) | time;
}

MachineShellServices::MachineShellServices(Machine &machine, int argumentCount)
    : m_machine(machine), m_argumentCount(argumentCount)
{
}

QString MachineShellServices::hostPath(const QString &path) { return m_machine.hostPath(path); }

QList<FoundEntry> MachineShellServices::listFolder(const QString &folder, const QString &mask)
{
    QList<FoundEntry> entries;
    const QString host = m_machine.hostPath(folder);
    if (host.isEmpty())
        return entries;
    const QByteArray hostBytes = QFile::encodeName(host);
    DIR *dir = ::opendir(hostBytes.constData());
    if (!dir)
        return entries;
    const int dirFd = ::dirfd(dir);
    while (const dirent *d = ::readdir(dir)) {
        const QByteArray raw(d->d_name);
        const QString name = QFile::decodeName(raw);
        if (!isWindowsName(name, raw) || !text::matchesMask(name, mask))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        FoundEntry entry;
        entry.name = name;
        entry.lastWrite = fileTimeOf(st.st_mtim);
        if (S_ISLNK(st.st_mode)) {
            entry.isLink = true;
            struct stat target {};
            if (::fstatat(dirFd, d->d_name, &target, 0) == 0 && S_ISREG(target.st_mode))
                entry.size = quint64(target.st_size);
        } else if (S_ISDIR(st.st_mode)) {
            entry.isFolder = true;
        } else {
            entry.size = quint64(st.st_size);
        }
        entries.append(entry);
    }
    ::closedir(dir);
    return entries;
}

bool MachineShellServices::fileExists(const QString &path)
{
    const QString host = m_machine.hostPath(path);
    if (host.isEmpty())
        return false;
    const QFileInfo info(host);
    return info.exists() && !info.isDir();
}

bool MachineShellServices::folderExists(const QString &path)
{
    const QString host = m_machine.hostPath(path);
    return !host.isEmpty() && QFileInfo(host).isDir();
}

bool MachineShellServices::deleteFile(const QString &path)
{
    const QString host = m_machine.hostPath(path);
    if (host.isEmpty())
        return false;
    struct stat st {};
    const QByteArray bytes = QFile::encodeName(host);
    if (::lstat(bytes.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(bytes.constData()) == 0;
}

void MachineShellServices::deleteList(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString host = m_machine.hostPath(path);
        if (host.isEmpty() || host == u"/")
            continue;
        std::error_code ignored;
        // remove_all removes a symbolic link itself and never descends through one.
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(host).toStdString()), ignored);
    }
}

void MachineShellServices::deleteListToRecycleBin(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString host = m_machine.hostPath(path);
        if (!host.isEmpty() && host != u"/")
            QFile::moveToTrash(host);
    }
}

void MachineShellServices::openItem(const QString &path)
{
    const QString host = m_machine.hostPath(path);
    if (!host.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(host));
}

bool MachineShellServices::runCommandLine(const QString &commandLine, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QStringList args = splitCommandLine(commandLine);
    if (args.isEmpty())
        return fail(QStringLiteral("Командная строка пуста."));
    if (!m_machine.isWinePrefix())
        return fail(QStringLiteral("Не удается запустить «%1»: машина %2 не является префиксом Wine, "
                                   "программы на ней не запускаются.")
                        .arg(commandLine, m_machine.folder()));
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty())
        return fail(QStringLiteral("Не удается запустить «%1»: программа wine не установлена.").arg(commandLine));
    QProcess process;
    process.setProgram(wine);
    process.setArguments(args);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), m_machine.folder());
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        return fail(QStringLiteral("Не удается запустить «%1».").arg(commandLine));
    return true;
}

QString MachineShellServices::typeName(const QString &path)
{
    const QString host = m_machine.hostPath(path);
    if (QFileInfo(host).isDir())
        return QStringLiteral("Папка с файлами");
    return QMimeDatabase().mimeTypeForFile(host).comment().left(80);
}

QString MachineShellServices::iconName(const QString &path)
{
    const QString host = m_machine.hostPath(path);
    if (QFileInfo(host).isDir())
        return QStringLiteral("folder");
    return QMimeDatabase().mimeTypeForFile(host).iconName();
}

QString MachineShellServices::windowsFolder()
{
    const QString root = m_machine.expandEnvironment(QStringLiteral("%SystemRoot%"));
    return root.startsWith(u'%') ? QStringLiteral("C:\\windows") : root;
}

QString MachineShellServices::systemFolder() { return windowsFolder() + QStringLiteral("\\system32"); }

QString MachineShellServices::expandEnvironment(const QString &text) { return m_machine.expandEnvironment(text); }

QString MachineShellServices::specialFolder(SpecialFolder folder)
{
    switch (folder) {
    case SpecialFolder::Desktop: return shellFolderValue(m_machine, "Desktop");
    case SpecialFolder::Personal: return shellFolderValue(m_machine, "Personal");
    case SpecialFolder::AppData: return shellFolderValue(m_machine, "AppData");
    case SpecialFolder::LocalAppData: return shellFolderValue(m_machine, "Local AppData");
    case SpecialFolder::Cache: return shellFolderValue(m_machine, "Cache");
    case SpecialFolder::Cookies: return shellFolderValue(m_machine, "Cookies");
    case SpecialFolder::History: return shellFolderValue(m_machine, "History");
    case SpecialFolder::Recent: return shellFolderValue(m_machine, "Recent");
    case SpecialFolder::Temp: {
        const QString temp = m_machine.expandEnvironment(QStringLiteral("%TEMP%"));
        return temp.startsWith(u'%') ? QString() : temp;
    }
    }
    return {};
}

QList<DriveEntry> MachineShellServices::drives()
{
    QList<DriveEntry> list;
    for (const Machine::Drive &d : m_machine.drives())
        list.append(DriveEntry{QString(d.letter) + QStringLiteral(":\\"), d.type, d.serial});
    return list;
}

int MachineShellServices::driveType(const QString &root)
{
    const Machine::Drive *d = root.isEmpty() ? nullptr : m_machine.drive(root[0]);
    return d ? d->type : 1; // DRIVE_NO_ROOT_DIR
}

quint32 MachineShellServices::volumeSerial(const QString &root)
{
    const Machine::Drive *d = root.isEmpty() ? nullptr : m_machine.drive(root[0]);
    return d ? d->serial : 0;
}

int MachineShellServices::compareText(const QString &a, const QString &b)
{
    thread_local QCollator collator = [] {
        QCollator c(QLocale(QLocale::Russian, QLocale::Russia));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

LocalTime MachineShellServices::localTime()
{
    const QDateTime now = Clock::instance().now();
    return LocalTime{now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
                     now.time().minute()};
}

QString MachineShellServices::programFolder() { return m_machine.windowsPath(m_machine.programFolder()); }

} // namespace tolvex::platform
