// Replacing duplicate copies by clones through tolvex-cli: on btrfs and XFS, made in image files
// and mounted for the test, a clone shares the kept file's extents yet stays a file of its own;
// where a file system cannot clone, or a copy lies on another file system than the kept file,
// every file stays exactly as it was and is named in the report.
#include "CliRun.h"
#include "TestMachine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvex;

namespace {

// Exit status, with what it printed when that is not 0.
int runTool(const QString &program, const QStringList &args, QString *printed = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return -1;
    if (printed)
        *printed = QString::fromLocal8Bit(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString findTool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : found;
}

// A file system mounted for one test and unmounted when the test ends, however it ends.
class Mount
{
public:
    Mount() = default;
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;
    ~Mount()
    {
        if (!m_at.isEmpty() && runTool("umount", {m_at}) != 0)
            runTool("umount", {"-l", m_at});
    }

    // Empty when mounted on `at`, else why not.
    QString image(const QString &type, qint64 size, const QString &image, const QString &at)
    {
        if (::geteuid() != 0)
            return "mounting a " + type + " image needs root";
        const QString mkfs = findTool("mkfs." + type);
        if (mkfs.isEmpty())
            return "mkfs." + type + " is not installed";
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) // sparse
            return "cannot make the image file " + image;
        file.close();
        QString printed;
        if (runTool(mkfs, {"-q", image}, &printed) != 0)
            return "mkfs." + type + " failed: " + printed;
        return mount({"-o", "loop", "-t", type, image, at}, at);
    }

    QString tmpfs(const QString &at)
    {
        if (::geteuid() != 0)
            return "mounting tmpfs needs root";
        return mount({"-t", "tmpfs", "-o", "size=64m", "tmpfs", at}, at);
    }

private:
    QString mount(QStringList args, const QString &at)
    {
        QDir().mkpath(at);
        QString printed;
        if (runTool("mount", args, &printed) != 0)
            return "mount " + args.join(' ') + " failed: " + printed;
        m_at = at;
        return {};
    }

    QString m_at;
};

struct FileState
{
    ino_t inode = 0;
    nlink_t links = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    struct timespec modified {};
    QByteArray bytes;
};

FileState stateOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_ino, st.st_nlink, st.st_mode, st.st_uid, st.st_gid, st.st_mtim, test::readFile(path)};
}

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void setFile(const QString &path, const QByteArray &bytes, mode_t mode, struct timespec modified)
{
    test::writeFile(path, bytes);
    const QByteArray name = QFile::encodeName(path);
    const struct timespec times[2] = {modified, modified};
    QVERIFY(::chmod(name.constData(), mode) == 0);
    QVERIFY(::utimensat(AT_FDCWD, name.constData(), times, 0) == 0);
}

struct Extent
{
    quint64 logical, physical, length;
    bool shared;
    bool operator==(const Extent &) const = default;
};

// The file's extents as FIEMAP reports them, written out first.
QList<Extent> extentsOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    constexpr int most = 64;
    QByteArray buffer(sizeof(struct fiemap) + most * sizeof(struct fiemap_extent), '\0');
    auto *map = reinterpret_cast<struct fiemap *>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = most;
    QList<Extent> extents;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0)
        for (quint32 i = 0; i < map->fm_mapped_extents; ++i) {
            const struct fiemap_extent &e = map->fm_extents[i];
            extents.append({e.fe_logical, e.fe_physical, e.fe_length, (e.fe_flags & FIEMAP_EXTENT_SHARED) != 0});
        }
    ::close(fd);
    return extents;
}

// Whether two scratch files in `folder` can be cloned one from the other.
bool clonesIn(const QString &folder)
{
    test::writeFile(folder + "/probe-source", QByteArray(8192, 'p'));
    QFile source(folder + "/probe-source"), target(folder + "/probe-target");
    const bool cloned = source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly) &&
                        ::ioctl(target.handle(), FICLONE, source.handle()) == 0;
    source.remove();
    target.remove();
    return cloned;
}

// The lines of the report's paragraph under `title`.
QStringList paragraph(const QString &out, const QString &title)
{
    const qsizetype at = out.indexOf(title + '\n');
    if (at < 0)
        return {};
    const QString rest = out.mid(at + title.size() + 1);
    return rest.left(rest.indexOf(QStringLiteral("\n\n"))).split('\n', Qt::SkipEmptyParts);
}

QStringList leftovers(const QString &folder)
{
    QStringList found;
    for (const QString &name : QDir(folder).entryList(QDir::AllDirs | QDir::NoDotAndDotDot))
        found += leftovers(folder + '/' + name);
    for (const QString &name : QDir(folder).entryList({".tolvex-link-*"}, QDir::AllEntries | QDir::Hidden | QDir::System))
        found.append(folder + '/' + name);
    return found;
}

const QString unsupportedTitle =
    QStringLiteral("Файловая система не умеет клонировать файлы (нужна btrfs или XFS), оставлены:");
const QString otherVolumeTitle = QStringLiteral("Лежат на другой файловой системе, чем оставляемый файл, оставлены:");

} // namespace

class TestCloneReplacement : public QObject
{
    Q_OBJECT

private slots:
    void clonesShareTheKeptFilesExtents_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<qint64>("imageSize"); // each mkfs's smallest, and a little
        QTest::newRow("btrfs") << "btrfs" << qint64(128) * 1048576;
        QTest::newRow("xfs") << "xfs" << qint64(320) * 1048576;
    }
    void clonesShareTheKeptFilesExtents()
    {
        QFETCH(QString, type);
        QFETCH(qint64, imageSize);
        QTemporaryDir dir;
        Mount mount;
        const QString why = mount.image(type, imageSize, dir.path() + "/fs.img", dir.path() + "/fs");
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        const QString machine = dir.path() + "/fs/machine";
        test::writeMachine(machine, {});
        const QString data = machine + "/drive_c/Data";

        // Not a whole number of blocks: the clone's last one is cut short. The small group lies
        // within btrfs's metadata, where a clone is a copy of its own.
        QRandomGenerator random(3);
        QByteArray large(1048576 + 123, Qt::Uninitialized);
        for (char &c : large)
            c = char(random.bounded(256));
        const QByteArray small = "a small file\n";
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        setFile(data + "/kept.bin", large, 0644, {now - 10, 0}); // the newest of its group
        setFile(data + "/Sub/copy.bin", large, 0664, {1500000000, 123456789}); // group-writable, which a umask takes away
        QVERIFY(::chown(QFile::encodeName(data + "/Sub/copy.bin").constData(), 1234, 5678) == 0);
        setFile(data + "/Деревья/copy two.bin", large, 0604, {1400000000, 987654321});
        setFile(data + "/small.txt", small, 0644, {now - 10, 0});
        setFile(data + "/Sub/small.txt", small, 0600, {1300000000, 5});
        const QStringList copies = {"Sub/copy.bin", "Деревья/copy two.bin", "Sub/small.txt"};
        QHash<QString, FileState> before;
        for (const QString &name : copies + QStringList{"kept.bin", "small.txt"})
            before.insert(name, stateOf(data + '/' + name));

        const test::Run run = test::cli(machine, {"dups", "--size", "--content", "--select", "newest", "--clone", "C:\\Data"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(QString("Заменено клонами: %1, освобождено %2 байт.\n")
                                               .arg(copies.size())
                                               .arg(2 * large.size() + small.size())),
                 qPrintable(run.out));

        for (const QString &name : {QString("kept.bin"), QString("small.txt")}) {
            const FileState kept = stateOf(data + '/' + name);
            QCOMPARE(kept.inode, before[name].inode);
            QCOMPARE(kept.bytes, before[name].bytes);
            QVERIFY(sameTime(kept.modified, before[name].modified));
        }
        for (const QString &name : copies) {
            const FileState was = before[name], now = stateOf(data + '/' + name);
            const FileState kept = stateOf(data + (name.endsWith(".bin") ? "/kept.bin" : "/small.txt"));
            QVERIFY2(now.inode != was.inode && now.inode != kept.inode && now.links == 1, qPrintable(name));
            QCOMPARE(now.bytes, was.bytes);
            QCOMPARE(now.mode, was.mode);
            QCOMPARE(now.owner, was.owner);
            QCOMPARE(now.group, was.group);
            QVERIFY2(sameTime(now.modified, was.modified), qPrintable(name));
        }
        const QList<Extent> keptExtents = extentsOf(data + "/kept.bin");
        QVERIFY(!keptExtents.isEmpty());
        for (const QString &name : {QString("Sub/copy.bin"), QString("Деревья/copy two.bin")}) {
            const QList<Extent> extents = extentsOf(data + '/' + name);
            QCOMPARE(extents, keptExtents);
            for (const Extent &extent : extents)
                QVERIFY2(extent.shared, qPrintable(name));
        }
        QCOMPARE(leftovers(data), QStringList());

        // Written to, a clone parts from the others.
        QFile copy(data + "/Sub/copy.bin");
        QVERIFY(copy.open(QIODevice::ReadWrite));
        QVERIFY(copy.seek(500000) && copy.write("changed") == 7);
        copy.close();
        QByteArray changed = large;
        changed.replace(500000, 7, "changed");
        QCOMPARE(test::readFile(data + "/Sub/copy.bin"), changed);
        QCOMPARE(test::readFile(data + "/kept.bin"), large);
        QCOMPARE(test::readFile(data + "/Деревья/copy two.bin"), large);
    }

    // Nothing to clone with: the copies are named, none is touched, and it is no error.
    void refusedWhereFilesCannotBeCloned_data()
    {
        QTest::addColumn<bool>("tmpfs");
        QTest::newRow("the temporary folder's file system") << false;
        QTest::newRow("tmpfs") << true;
    }
    void refusedWhereFilesCannotBeCloned()
    {
        QFETCH(bool, tmpfs);
        QTemporaryDir dir;
        Mount mount;
        QString base = dir.path();
        if (tmpfs) {
            base += "/tmpfs";
            if (const QString why = mount.tmpfs(base); !why.isEmpty())
                QSKIP(qPrintable(why));
        }
        if (clonesIn(base))
            QSKIP("this file system clones files");
        const QString machine = base + "/machine";
        test::writeMachine(machine, {});
        const QString data = machine + "/drive_c/Data";
        const QByteArray bytes(70000, 'c'), other = "other bytes";
        setFile(data + "/kept.bin", bytes, 0644, {1700000000, 0});
        setFile(data + "/Sub/copy.bin", bytes, 0640, {1600000000, 0});
        setFile(data + "/Sub/Deeper/copy.bin", bytes, 0600, {1500000000, 0});
        setFile(data + "/other.txt", other, 0644, {1700000000, 0});
        setFile(data + "/Sub/other.txt", other, 0644, {1600000000, 0});
        const QStringList names = {"kept.bin", "Sub/copy.bin", "Sub/Deeper/copy.bin", "other.txt", "Sub/other.txt"};
        QHash<QString, FileState> before;
        for (const QString &name : names)
            before.insert(name, stateOf(data + '/' + name));

        const test::Run run = test::cli(machine, {"dups", "--size", "--content", "--select", "newest", "--clone", "C:\\Data"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains("Заменено клонами: 0, освобождено 0 байт.\n"), qPrintable(run.out));
        QStringList named = paragraph(run.out, unsupportedTitle);
        named.sort();
        QCOMPARE(named, QStringList({"C:\\Data\\Sub\\Deeper\\copy.bin", "C:\\Data\\Sub\\copy.bin", "C:\\Data\\Sub\\other.txt"}));
        for (const QString &name : names) {
            const FileState now = stateOf(data + '/' + name);
            QCOMPARE(now.inode, before[name].inode);
            QCOMPARE(now.links, nlink_t(1));
            QCOMPARE(now.bytes, before[name].bytes);
            QCOMPARE(now.mode, before[name].mode);
            QVERIFY(sameTime(now.modified, before[name].modified));
        }
        QCOMPARE(leftovers(data), QStringList());
    }

    // A copy on drive D:, a tmpfs of its own, cannot share the kept file's bytes on C:.
    void copyOnAnotherFileSystemStays_data()
    {
        QTest::addColumn<QString>("by");
        QTest::newRow("hard link") << "--link";
        QTest::newRow("clone") << "--clone";
    }
    void copyOnAnotherFileSystemStays()
    {
        QFETCH(QString, by);
        QTemporaryDir dir;
        Mount mount;
        if (const QString why = mount.tmpfs(dir.path() + "/d"); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString machine = dir.path() + "/machine";
        test::writeMachine(machine, {});
        QVERIFY(QFile::link(dir.path() + "/d", machine + "/dosdevices/d:"));
        const QByteArray bytes(5000, 's');
        setFile(machine + "/drive_c/Music/song.mp3", bytes, 0644, {1700000000, 0});
        setFile(dir.path() + "/d/Music/song.mp3", bytes, 0644, {1600000000, 0});
        const FileState kept = stateOf(machine + "/drive_c/Music/song.mp3");
        const FileState copy = stateOf(dir.path() + "/d/Music/song.mp3");

        const test::Run run =
            test::cli(machine, {"dups", "--size", "--content", "--select", "first", by, "C:\\Music", "D:\\Music"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(", освобождено 0 байт.\n"), qPrintable(run.out));
        QCOMPARE(paragraph(run.out, otherVolumeTitle), QStringList{"D:\\Music\\song.mp3"});
        QCOMPARE(stateOf(machine + "/drive_c/Music/song.mp3").inode, kept.inode);
        const FileState now = stateOf(dir.path() + "/d/Music/song.mp3");
        QCOMPARE(now.inode, copy.inode);
        QCOMPARE(now.bytes, bytes);
        QVERIFY(sameTime(now.modified, copy.modified));
        QCOMPARE(leftovers(dir.path() + "/d"), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCloneReplacement)
#include "tst_clone_replacement.moc"
