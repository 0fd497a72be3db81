#include "Machine.h"

#include "WineServerProbe.h"
#include "registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

namespace tolvex::platform {

using registry::RegistryStore;
using registry::Root;

namespace {

QString readText(RegistryStore &store, const char *name)
{
    try {
        return QString::fromStdString(store.GetText(name));
    } catch (const registry::RegistryError &) {
        return {};
    }
}

// 0 when the text names no type Tolvex knows, so the drive keeps the one its folder gives.
int driveTypeFromWine(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"floppy")
        return 2;
    if (t == u"hd")
        return 3;
    if (t == u"network")
        return 4;
    if (t == u"cdrom")
        return 5;
    return 0;
}

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// ExpandEnvironmentStrings: a known %NAME% is replaced; an unknown one stays as written, and
// its closing '%' may open the next name.
QString expandWith(const QHash<QString, QString> &env, const QString &text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = text.indexOf(u'%', i);
        const qsizetype end = start < 0 ? -1 : text.indexOf(u'%', start + 1);
        if (end < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, start - i);
        const QString name = text.mid(start + 1, end - start - 1).toUpper();
        if (!name.isEmpty() && env.contains(name)) {
            out += env.value(name);
            i = end + 1;
        } else {
            out += text.mid(start, end - start);
            i = end;
        }
    }
    return out;
}

} // namespace

QString Machine::chooseFolder(const QString &programFolder, Origin *origin)
{
    auto chosen = [&](Origin o, const QString &folder) {
        if (origin)
            *origin = o;
        return QDir::cleanPath(folder);
    };
    const QString explicitFolder = qEnvironmentVariable("TOLVEX_MACHINE");
    if (!explicitFolder.isEmpty())
        return chosen(Origin::Chosen, explicitFolder);
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (!prefix.isEmpty())
        return chosen(Origin::WinePrefix, prefix);
    const QString home = QDir::homePath() + QStringLiteral("/.wine");
    if (QFileInfo::exists(home + QStringLiteral("/system.reg")))
        return chosen(Origin::HomeWine, home);
    return chosen(Origin::Sample, programFolder + QStringLiteral("/machine"));
}

Machine::Machine(QString folder, QString programFolder)
    : m_folder(std::move(folder)), m_programFolder(std::move(programFolder))
{
}

std::unique_ptr<Machine> Machine::open(const QString &folder, const QString &programFolder)
{
    // Absolute, so that the drive links resolve from the image wherever the caller stands.
    std::unique_ptr<Machine> machine(
        new Machine(QFileInfo(folder).absoluteFilePath(), QFileInfo(programFolder).absoluteFilePath()));
    machine->m_registry.load(QFile::encodeName(machine->m_folder).toStdString());
    machine->takeWriterLock();
    machine->m_registry.setReadOnly(machine->m_inUse);
    Machine *self = machine.get();
    machine->m_registry.setHolderCheck([self](bool fresh) { return self->heldByWine(fresh); });
    if (machine->m_lockFd >= 0)
        machine->m_registry.removeLeftSaves();
    machine->loadDrives();
    return machine;
}

bool Machine::isWinePrefix() const
{
    return QFileInfo::exists(m_folder + QStringLiteral("/.update-timestamp"));
}

QStringList Machine::saveRegistry()
{
    if (!m_registry.hasUnsavedChanges())
        return {};
    const auto refused = [this] {
        // The user was told the write failed: what the pages show must be what the files hold.
        m_registry.discardPending();
        return QStringList{readOnlyNotice()};
    };
    if (heldByWine())
        return refused();
    QStringList errors;
    for (const std::string &e : m_registry.flush())
        errors.append(QString::fromStdString(e));
    if (!errors.isEmpty() && heldByWine())
        return refused();
    return errors;
}

bool Machine::heldByWine(bool fresh) const
{
    using namespace std::chrono;
    std::lock_guard lock(m_holdMutex);
    const auto now = steady_clock::now();
    if (!fresh && m_holdCheckedAt != steady_clock::time_point{} && now - m_holdCheckedAt < milliseconds(250))
        return m_held;
    // Started programs are not our children (they are started detached): a signal 0 tells
    // whether each still runs.
    std::erase_if(m_winePrograms, [](qint64 pid) { return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH; });
    m_held = !m_winePrograms.empty() || wineServerRunning(m_folder);
    m_holdCheckedAt = now;
    return m_held;
}

void Machine::wineProgramStarted(qint64 pid)
{
    std::lock_guard lock(m_holdMutex);
    if (pid > 0)
        m_winePrograms.push_back(pid);
    m_held = true;
    m_holdCheckedAt = std::chrono::steady_clock::now();
}

bool Machine::reloadRegistry(QStringList &errors)
{
    std::vector<std::string> failed;
    const bool reread = m_registry.reloadChanged(failed);
    for (const std::string &e : failed)
        errors.append(QString::fromStdString(e));
    return reread;
}

QStringList Machine::loadErrors() const
{
    QStringList errors;
    for (const std::string &e : m_registry.loadErrors())
        errors.append(QString::fromStdString(e));
    return errors;
}

Machine::~Machine()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

// One writer per machine: a lock on a file of the machine folder, taken without waiting. An open
// file description's lock, so that two openings in one process exclude each other as well.
void Machine::takeWriterLock()
{
    m_lockFd = ::open(QFile::encodeName(m_folder + QStringLiteral("/.tolvex-lock")).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lockFd < 0)
        return; // a folder we cannot write to is read-only for other reasons
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(m_lockFd, F_OFD_SETLK, &lock) != 0) {
        m_inUse = true;
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

QString Machine::readOnlyNotice() const
{
    const bool held = heldByWine(false);
    if (m_inUse && !held)
        return QStringLiteral("Машина %1 уже открыта другим экземпляром Tolvex, поэтому здесь она открыта только "
                              "для чтения: так ничего из того, что он записывает, не потеряется. Закройте другой "
                              "экземпляр и запустите Tolvex снова, чтобы изменять настройки.")
            .arg(m_folder);
    if (!held)
        return {};
    return QStringLiteral("Реестр машины %1 сейчас открыт только для чтения: для неё работает wineserver "
                          "(запущены программы Wine), и он перезапишет файлы реестра при выходе. Завершите "
                          "программы Wine (wineserver -k): как только wineserver завершится, настройки снова "
                          "можно будет изменять.")
        .arg(m_folder);
}

QString Machine::buildNumberText()
{
    RegistryStore store(m_registry);
    store.SelectRoot(Root::LocalMachine);
    if (!store.OpenPathForReading("Software\\Microsoft\\Windows NT\\CurrentVersion"))
        return {};
    return readText(store, "CurrentBuildNumber");
}

int Machine::buildNumber() { return buildNumberText().trimmed().toInt(); }

void Machine::loadDrives()
{
    m_drives.clear();
    QHash<QChar, QString> wineTypes;
    {
        RegistryStore store(m_registry);
        store.SelectRoot(Root::LocalMachine);
        if (store.OpenPathForReading("Software\\Wine\\Drives"))
            for (const std::string &name : store.ValueNames()) {
                const QString n = QString::fromStdString(name);
                if (n.size() == 2 && n[1] == u':')
                    wineTypes.insert(n[0].toUpper(), readText(store, name.c_str()));
            }
    }
    // A folder outside the image is a host folder shared with the machine, as a network drive
    // is on Windows; nothing that walks "every fixed drive" then reaches the host's own files.
    const QString canonicalFolder = QFileInfo(m_folder).canonicalFilePath();
    auto insideImage = [&](const QString &target) {
        const QString canonical = QFileInfo(target).canonicalFilePath();
        if (canonical.isEmpty() || canonicalFolder.isEmpty())
            return isUnder(target, QFileInfo(m_folder).absoluteFilePath()); // a missing target: by its name
        return isUnder(canonical, canonicalFolder);
    };
    const QDir devices(m_folder + QStringLiteral("/dosdevices"));
    static const QRegularExpression letterName(QStringLiteral("^[a-zA-Z]:$"));
    for (const QFileInfo &entry : devices.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                                        QDir::Name)) {
        if (!letterName.match(entry.fileName()).hasMatch())
            continue;
        Drive drive;
        drive.letter = entry.fileName()[0].toUpper();
        QString target = entry.isSymLink() ? entry.symLinkTarget() : entry.absoluteFilePath();
        drive.hostFolder = QDir::cleanPath(target);
        const int wineType = driveTypeFromWine(wineTypes.value(drive.letter));
        drive.type = wineType ? wineType : insideImage(drive.hostFolder) ? 3 : 4;
        if (QFileInfo(drive.hostFolder).isDir()) {
            QFile serialFile(drive.hostFolder + QStringLiteral("/.windows-serial"));
            bool ok = false;
            if (serialFile.open(QIODevice::ReadOnly))
                drive.serial = QString::fromLatin1(serialFile.readAll()).trimmed().toUInt(&ok, 16);
            if (!ok || drive.serial == 0)
                drive.serial = quint32(qHash(drive.hostFolder)) | 1u;
        }
        m_drives.append(drive);
    }
    std::sort(m_drives.begin(), m_drives.end(), [](const Drive &a, const Drive &b) { return a.letter < b.letter; });
}

const Machine::Drive *Machine::drive(QChar letter) const
{
    for (const Drive &d : m_drives)
        if (d.letter == letter.toUpper())
            return &d;
    return nullptr;
}

QString Machine::hostPath(const QString &windowsPath) const
{
    if (windowsPath.startsWith(u'/')) {
        QString host = windowsPath;
        host.replace(u'\\', u'/');
        return host;
    }
    if (windowsPath.size() < 2 || windowsPath[1] != u':' || !windowsPath[0].isLetter())
        return {};
    const Drive *d = drive(windowsPath[0]);
    if (!d)
        return {};
    QString host = d->hostFolder;
    if (host == u"/")
        host.clear();
    const QStringList names = windowsPath.mid(2).split(u'\\', Qt::SkipEmptyParts);
    // Most paths exist as written: one lstat instead of a look at every component.
    if (!names.isEmpty() && !names.contains(QStringLiteral(".")) && !names.contains(QStringLiteral(".."))) {
        const QString exact = host + u'/' + names.join(u'/');
        struct stat st {};
        if (::lstat(QFile::encodeName(exact).constData(), &st) == 0)
            return exact;
    }
    for (const QString &name : names) {
        if (name == u".")
            continue;
        if (name == u"..") {
            // Never above the drive's root, as on Windows.
            const qsizetype cut = host.lastIndexOf(u'/');
            if (cut >= d->hostFolder.size() && d->hostFolder != u"/")
                host.truncate(cut);
            else if (d->hostFolder == u"/" && cut >= 0)
                host.truncate(cut);
            continue;
        }
        const QString exact = host + u'/' + name;
        QFileInfo info(exact);
        if (info.exists() || info.isSymLink()) {
            host = exact;
            continue;
        }
        QString found;
        const QDir dir(host.isEmpty() ? QStringLiteral("/") : host);
        for (const QString &candidate :
             dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (candidate.compare(name, Qt::CaseInsensitive) == 0) {
                found = candidate;
                break;
            }
        }
        host += u'/' + (found.isEmpty() ? name : found);
    }
    return host.isEmpty() ? QStringLiteral("/") : host;
}

QString Machine::exactHostPath(const QString &windowsPath) const
{
    if (windowsPath.startsWith(u'/'))
        return hostPath(windowsPath);
    if (windowsPath.size() < 2 || windowsPath[1] != u':' || !windowsPath[0].isLetter())
        return {};
    const Drive *d = drive(windowsPath[0]);
    if (!d)
        return {};
    QString host = d->hostFolder == u"/" ? QString() : d->hostFolder;
    for (QStringView name : QStringView(windowsPath).mid(2).split(u'\\', Qt::SkipEmptyParts)) {
        if (name == u"." || name == u"..")
            return {};
        host += u'/';
        host += name;
    }
    return host.isEmpty() ? QStringLiteral("/") : host;
}

QString Machine::windowsPath(const QString &hostPath) const
{
    const QString clean = QDir::cleanPath(hostPath);
    const Drive *best = nullptr;
    for (const Drive &d : m_drives) {
        const QString root = d.hostFolder;
        const bool under = root == u"/" || clean == root || clean.startsWith(root + u'/');
        if (under && (!best || root.size() > best->hostFolder.size()))
            best = &d;
    }
    if (!best)
        return clean;
    QString rest = best->hostFolder == u"/" ? clean.mid(1) : clean.mid(best->hostFolder.size() + 1);
    rest.replace(u'/', u'\\');
    return QString(best->letter) + QStringLiteral(":\\") + rest;
}

QHash<QString, QString> Machine::environment()
{
    QHash<QString, QString> env; // upper-case names
    auto define = [&](const QString &name, const QString &value) {
        if (!value.isEmpty())
            env.insert(name.toUpper(), value);
    };
    define(QStringLiteral("SystemRoot"), QStringLiteral("C:\\windows"));
    define(QStringLiteral("windir"), QStringLiteral("C:\\windows"));
    define(QStringLiteral("SystemDrive"), QStringLiteral("C:"));

    auto expand = [&](const QString &text) { return expandWith(env, text); };

    RegistryStore store(m_registry);
    auto readKey = [&](Root root, const char *path) {
        store.SelectRoot(root);
        if (!store.OpenPathForReading(path))
            return;
        for (const std::string &name : store.ValueNames()) {
            const QString value = readText(store, name.c_str());
            define(QString::fromStdString(name), expand(value));
        }
        store.ClosePath();
    };
    auto readValue = [&](Root root, const char *path, const char *value, const char *as) {
        store.SelectRoot(root);
        if (store.OpenPathForReading(path))
            define(QString::fromLatin1(as), expand(readText(store, value)));
        store.ClosePath();
    };

    readKey(Root::LocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Environment");
    readValue(Root::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "ProgramFiles");
    readValue(Root::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
              "CommonProgramFiles");
    const std::string profile =
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + m_registry.userSid();
    readValue(Root::LocalMachine, profile.c_str(), "ProfileImagePath", "USERPROFILE");
    readKey(Root::CurrentUser, "Volatile Environment");
    readKey(Root::CurrentUser, "Environment");
    return env;
}

QString Machine::expandEnvironment(const QString &text)
{
    if (!text.contains(u'%'))
        return text;
    return expandWith(environment(), text);
}

} // namespace tolvex::platform
