#include "MachineShellServices.h"

#include "Clock.h"
#include "CommandLine.h"
#include "LinkReplacement.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "text/MaskMatcher.h"

#include <QCollator>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimeZone>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tolvex::platform {

namespace {

constexpr quint64 ticksFrom1601To1970 = 116444736000000000ULL;

quint64 fileTimeOf(const struct timespec &t)
{
    return ticksFrom1601To1970 + quint64(t.tv_sec) * 10000000ULL + quint64(t.tv_nsec) / 100;
}

// Host names that Windows could not hold are skipped rather than shown as another name. ASCII
// names, nearly all of them, are converted into `name` without a trip through the codec and,
// when `name` has room, without allocating.
bool windowsName(const char *raw, QString &name)
{
    const size_t length = std::strlen(raw);
    // Windows drops a trailing dot or space from every name it is given: no path reaches such a file.
    const bool dots = raw[0] == '.' && (length == 1 || (length == 2 && raw[1] == '.'));
    if (length > 0 && !dots && (raw[length - 1] == '.' || raw[length - 1] == ' '))
        return false;
    bool ascii = true;
    for (size_t k = 0; k < length; ++k) {
        const auto c = static_cast<unsigned char>(raw[k]);
        if (c >= 0x80) {
            ascii = false;
            break;
        }
        if (c < 32 || std::strchr("\\:*?\"<>|", c))
            return false;
    }
    if (ascii) {
        name.resize(qsizetype(length));
        QChar *out = name.data();
        for (size_t k = 0; k < length; ++k)
            out[k] = QLatin1Char(raw[k]);
        return true;
    }
    const QByteArray bytes = QByteArray::fromRawData(raw, qsizetype(length));
    name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) != bytes)
        return false;
    for (const QChar c : std::as_const(name))
        if (c.unicode() < 32 || QStringView(u"\\/:*?\"<>|").contains(c))
            return false;
    return true;
}

bool isDots(const char *name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

void fillEntry(FoundEntry &entry, int dirFd, const char *name, const struct stat &st)
{
    entry.lastWrite = fileTimeOf(st.st_mtim);
    if (S_ISLNK(st.st_mode)) {
        entry.isLink = true;
        struct stat target {};
        if (::fstatat(dirFd, name, &target, 0) == 0 && S_ISREG(target.st_mode))
            entry.size = quint64(target.st_size);
    } else if (S_ISDIR(st.st_mode)) {
        entry.isFolder = true;
    } else {
        entry.isSpecial = !S_ISREG(st.st_mode);
        entry.size = entry.isSpecial ? 0 : quint64(st.st_size);
    }
    entry.fileId = (quint64(st.st_dev) << 40) ^ quint64(st.st_ino);
}

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd &operator=(Fd &&other) noexcept
    {
        reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

Fd openFolder(const QString &host)
{
    return Fd(::open(QFile::encodeName(host).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// Fails on a link, so a walk never leaves the folder it started in.
Fd openSubfolder(int dirFd, const char *name)
{
    return Fd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Calls `visit` for each entry of an open folder but "." and ".."; `dirFd` stays usable.
template <typename Visit>
void forEachEntry(int dirFd, Visit &&visit)
{
    const int own = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return;
    DIR *dir = ::fdopendir(own);
    if (!dir) {
        ::close(own);
        return;
    }
    while (const dirent *d = ::readdir(dir))
        if (!isDots(d->d_name) && !visit(d))
            break;
    ::closedir(dir);
}

// The host name of `name` in an open folder: as written, else ignoring case, as Wine finds it.
bool findName(int dirFd, const QString &name, QByteArray &raw)
{
    raw = QFile::encodeName(name);
    struct stat st {};
    if (::fstatat(dirFd, raw.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    bool found = false;
    forEachEntry(dirFd, [&](const dirent *d) {
        if (QFile::decodeName(d->d_name).compare(name, Qt::CaseInsensitive) != 0)
            return true;
        raw = d->d_name;
        found = true;
        return false;
    });
    return found;
}

bool isFolderEntry(int dirFd, const dirent *d)
{
    if (d->d_type != DT_UNKNOWN)
        return d->d_type == DT_DIR;
    struct stat st {};
    return ::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// Removes `name` from an open folder: anything but a folder as itself (a link never reaches its
// target), a folder with its contents. A folder is entered without following a link and only on
// `device`, so neither a link nor a mount point leads the deletion out of the tree.
bool removeEntry(int parentFd, const char *name, bool folderHint, dev_t device)
{
    if (!folderHint) {
        if (::unlinkat(parentFd, name, 0) == 0)
            return true;
        if (errno != EISDIR && errno != EPERM)
            return false;
    }
    Fd folder = openSubfolder(parentFd, name);
    if (!folder.valid()) // no longer a folder: a link or a file now takes its place
        return ::unlinkat(parentFd, name, 0) == 0;
    struct stat st {};
    if (::fstat(folder.get(), &st) != 0 || st.st_dev != device)
        return false;
    DIR *dir = ::fdopendir(folder.get());
    if (!dir)
        return false;
    const int fd = folder.release();
    while (const dirent *d = ::readdir(dir))
        if (!isDots(d->d_name))
            removeEntry(fd, d->d_name, isFolderEntry(fd, d), device);
    ::closedir(dir);
    return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0;
}

// Opens the folder that holds `path` and finds the entry's host name in it. With `within`, each
// folder below it is entered without following a link, so a folder that has become a link since
// it was listed stops the walk instead of leading out of the tree.
bool reachEntry(const Machine &machine, const QString &path, const QString &within, Fd &parent,
                QByteArray &raw)
{
    QStringList names;
    if (within.isEmpty()) {
        const QString host = QDir::cleanPath(machine.hostPath(path));
        const qsizetype cut = host.lastIndexOf(u'/');
        if (cut < 0)
            return false;
        parent = openFolder(cut == 0 ? QStringLiteral("/") : host.left(cut));
        names.append(host.mid(cut + 1));
    } else {
        const QString root = within.endsWith(u'\\') ? within : within + u'\\';
        if (!path.startsWith(root, Qt::CaseInsensitive))
            return false;
        names = path.mid(root.size()).split(u'\\', Qt::SkipEmptyParts);
        const QString host = machine.hostPath(root);
        if (host.isEmpty())
            return false;
        parent = openFolder(host);
    }
    if (!parent.valid() || names.isEmpty())
        return false;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/'))
            return false;
        if (!findName(parent.get(), name, raw))
            return false;
        if (i + 1 < names.size()) {
            Fd next = openSubfolder(parent.get(), raw.constData());
            if (!next.valid())
                return false;
            parent = std::move(next);
        }
    }
    return true;
}

// Every file below an open folder, in Windows paths; a link is a file here, never followed.
void collectFiles(int dirFd, const QString &folder, QStringList &files)
{
    QString name;
    forEachEntry(dirFd, [&](const dirent *d) {
        if (!windowsName(d->d_name, name))
            return true;
        const QString path = folder + u'\\' + name;
        if (!isFolderEntry(dirFd, d)) {
            files.append(path);
        } else if (const Fd sub = openSubfolder(dirFd, d->d_name); sub.valid()) {
            collectFiles(sub.get(), path, files);
        }
        return true;
    });
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
    const qint64 secs = qint64((fileTime - ticksFrom1601To1970) / 10000000);
    // The zone's offset, looked up once per quarter hour of file times: a scan asks for tens of
    // thousands of times, and every lookup of the zone reads the system's zone file again.
    thread_local qint64 cachedQuarter = std::numeric_limits<qint64>::min();
    thread_local int cachedOffset = 0;
    const qint64 quarter = secs / 900;
    if (quarter != cachedQuarter) {
        cachedQuarter = quarter;
        cachedOffset = QDateTime::fromSecsSinceEpoch(quarter * 900, Qt::UTC).toLocalTime().offsetFromUtc();
    }
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secs + cachedOffset, Qt::UTC);
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

QList<FoundEntry> MachineShellServices::listFolder(const QString &folder, const QString &mask, Detail detail)
{
    QList<FoundEntry> entries;
    // The path as written first: a walk lists folders by the names it was given.
    DIR *dir = nullptr;
    const QString exact = m_machine.exactHostPath(folder);
    if (!exact.isEmpty())
        dir = ::opendir(QFile::encodeName(exact).constData());
    if (!dir && (exact.isEmpty() || errno == ENOENT || errno == ENOTDIR)) {
        const QString host = m_machine.hostPath(folder);
        if (!host.isEmpty())
            dir = ::opendir(QFile::encodeName(host).constData());
    }
    if (!dir)
        return entries;
    const int dirFd = ::dirfd(dir);
    QString name;
    name.reserve(256);
    while (const dirent *d = ::readdir(dir)) {
        if (!windowsName(d->d_name, name) || !text::matchesMask(name, mask))
            continue;
        FoundEntry entry;
        if (detail == Detail::KindOnly && d->d_type != DT_UNKNOWN) {
            entry.isFolder = d->d_type == DT_DIR;
            entry.isLink = d->d_type == DT_LNK;
        } else {
            struct stat st {};
            if (::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (detail == Detail::Full) {
                fillEntry(entry, dirFd, d->d_name, st);
            } else {
                entry.isFolder = S_ISDIR(st.st_mode);
                entry.isLink = S_ISLNK(st.st_mode);
            }
        }
        entry.name = QString(name.constData(), name.size()); // `name` keeps its buffer for the next
        entries.append(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

bool MachineShellServices::entryAt(const QString &path, FoundEntry &entry)
{
    QByteArray bytes = QFile::encodeName(m_machine.exactHostPath(path));
    struct stat st {};
    if (bytes.isEmpty() || ::lstat(bytes.constData(), &st) != 0) {
        bytes = QFile::encodeName(m_machine.hostPath(path));
        if (bytes.isEmpty() || ::lstat(bytes.constData(), &st) != 0)
            return false;
    }
    if (isRoot(QFile::decodeName(bytes)))
        return false;
    FoundEntry found;
    if (!windowsName(bytes.constData() + bytes.lastIndexOf('/') + 1, found.name) || found.name.isEmpty())
        return false;
    fillEntry(found, AT_FDCWD, bytes.constData(), st);
    entry = found;
    return true;
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

bool MachineShellServices::deleteFile(const QString &path, const QString &within)
{
    Fd parent;
    QByteArray name;
    if (!reachEntry(m_machine, path, within, parent, name))
        return false;
    struct stat st {};
    if (::fstatat(parent.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlinkat(parent.get(), name.constData(), 0) == 0;
}

void MachineShellServices::deleteList(const QStringList &paths, const QString &within)
{
    for (const QString &path : paths) {
        const QString host = m_machine.hostPath(path);
        if (host.isEmpty() || isRoot(host))
            continue;
        Fd parent;
        QByteArray name;
        if (!reachEntry(m_machine, path, within, parent, name))
            continue;
        struct stat folder {}, st {};
        if (::fstat(parent.get(), &folder) != 0 ||
            ::fstatat(parent.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const bool isFolder = S_ISDIR(st.st_mode);
        removeEntry(parent.get(), name.constData(), isFolder, isFolder ? st.st_dev : folder.st_dev);
    }
}

bool MachineShellServices::isRoot(const QString &host) const
{
    const QString clean = QDir::cleanPath(host);
    if (clean == u"/")
        return true;
    for (const Machine::Drive &d : m_machine.drives())
        if (clean == d.hostFolder)
            return true;
    return false;
}

void MachineShellServices::deleteListToRecycleBin(const QStringList &paths)
{
    // The user's trash must exist beforehand: where it cannot be made, Qt puts the "trashed"
    // files into folders named files and info in the current folder instead.
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    if (!QDir().mkpath(trash + QStringLiteral("/files")) || !QDir().mkpath(trash + QStringLiteral("/info")))
        return;
    for (const QString &path : paths) {
        const QString host = m_machine.hostPath(path);
        if (!host.isEmpty() && host != u"/")
            QFile::moveToTrash(host);
    }
}

LinkOutcome MachineShellServices::replaceByLink(const LinkRequest &request, QString *error, quint64 *freed)
{
    Fd folder, keptFolder;
    QByteArray name, keptName;
    if (!reachEntry(m_machine, request.path, request.within, folder, name))
        return LinkOutcome::Gone;
    if (!reachEntry(m_machine, request.keptPath, request.keptWithin, keptFolder, keptName))
        return LinkOutcome::KeptChanged;
    const auto accept = [&](const struct stat &st, bool kept) {
        FoundEntry now;
        const QString &path = kept ? request.keptPath : request.path;
        now.name = path.mid(path.lastIndexOf(u'\\') + 1);
        fillEntry(now, kept ? keptFolder.get() : folder.get(), kept ? keptName.constData() : name.constData(), st);
        return !request.stillListed || request.stillListed(now, kept);
    };
    return replaceEntryByLink(folder.get(), name.constData(), keptFolder.get(), keptName.constData(), request.kind,
                              accept, error, freed);
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
    const QStringList args = programAndArguments(commandLine, [this](const QString &path) { return fileExists(path); });
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
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return fail(QStringLiteral("Не удается запустить «%1».").arg(commandLine));
    // From now on Wine holds the registry, before its server can even be seen.
    m_machine.wineProgramStarted(pid);
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

QStringList MachineShellServices::urlCacheEntries()
{
    QStringList files;
    QString folder = specialFolder(SpecialFolder::Cache);
    while (folder.endsWith(u'\\'))
        folder.chop(1);
    const QString host = folder.isEmpty() ? QString() : m_machine.hostPath(folder);
    if (host.isEmpty())
        return files;
    if (const Fd root = openFolder(host); root.valid())
        collectFiles(root.get(), folder, files);
    return files;
}

bool MachineShellServices::deleteUrlCacheEntry(const QString &sourceUrlName)
{
    const QString folder = specialFolder(SpecialFolder::Cache);
    return !folder.isEmpty() && deleteFile(sourceUrlName, folder);
}

QString MachineShellServices::programFolder() { return m_machine.windowsPath(m_machine.programFolder()); }

} // namespace tolvex::platform
