// tolvex-cli killed with SIGKILL at random moments while it replaces duplicate copies by hard
// links: whatever the moment, every file still holds its own bytes under its own name, a copy is
// itself or a link to the file its group keeps, and a temporary name left behind is a link to
// that file too. Run to its end, or again after a kill, the command leaves one file per group.
#include "TestMachine.h"
#include "shell/LinkReplacement.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

using namespace tolvex;

namespace {

constexpr int rounds = 40;

struct Member
{
    QString path; // below the tree, with '/'
    qint64 modified;
};

struct Group
{
    QByteArray bytes;
    QList<Member> members;
};

// A tree of duplicate groups and unique files, made again the same for every round. Some groups
// share their size with other groups and some unique files are a group's bytes but for one, so
// that only the contents tell them apart.
struct Tree
{
    QList<Group> groups;
    QList<Group> uniques; // one member each
    QStringList folders;

    explicit Tree(quint32 seed)
    {
        QRandomGenerator random(seed);
        folders = {"", "docs", "docs/old", "Музыка", "Музыка/альбом 1", "games", "games/save", "games/save/slot 2",
                   "a", "a/b", "a/b/c", "a/b/c/d"};
        QSet<QByteArray> used;
        auto randomBytes = [&](qsizetype size) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (qsizetype i = 0; i < size; ++i)
                bytes[i] = char(random.bounded(256));
            return bytes;
        };
        auto fresh = [&](QByteArray bytes) {
            // A changed byte keeps it apart from everything made so far.
            while (used.contains(bytes))
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            used.insert(bytes);
            return bytes;
        };
        // No two files of one time: the newest of a group is one file.
        QSet<qint64> times;
        auto modified = [&] {
            qint64 t;
            do
                t = 1500000000 + qint64(random.bounded(100000000));
            while (times.contains(t));
            times.insert(t);
            return t;
        };
        auto place = [&](const QString &name) {
            const QString folder = folders[random.bounded(folders.size())];
            return folder.isEmpty() ? name : folder + '/' + name;
        };
        // Sizes across the scan's first block and the replacement's read chunk, and up to a megabyte.
        const QList<qsizetype> edges = {0, 1, 1, 2, 4095, 4096, 4097, 262143, 262144, 262145, 1 << 20};
        for (int g = 0; g < 150; ++g) {
            QByteArray bytes;
            if (g < edges.size())
                bytes = randomBytes(edges[g]);
            else if (g % 10 == 0)
                bytes = groups[random.bounded(qsizetype(edges.size()), groups.size())].bytes; // another's size
            else
                bytes = randomBytes(qsizetype(std::exp(random.bounded(std::log(double(1 << 20))))));
            Group group{fresh(bytes), {}};
            const int count = 3 + random.bounded(2);
            for (int m = 0; m < count; ++m)
                group.members.append({place(QString("g%1-%2.bin").arg(g, 3, 10, QChar('0')).arg(m)), modified()});
            groups.append(group);
        }
        for (int u = 0; u < 40; ++u) {
            QByteArray bytes = u % 2 == 0 ? groups[random.bounded(1, groups.size())].bytes
                                          : randomBytes(1 + random.bounded(300000));
            if (u % 2 == 0 && !bytes.isEmpty())
                bytes[random.bounded(bytes.size())] ^= char(1 + random.bounded(255));
            uniques.append({fresh(bytes), {{place(QString("unique-%1.dat").arg(u)), modified()}}});
        }
    }

    qsizetype copies() const
    {
        qsizetype n = 0;
        for (const Group &group : groups)
            n += group.members.size() - 1;
        return n;
    }
    quint64 copiedBytes() const
    {
        quint64 n = 0;
        for (const Group &group : groups)
            n += quint64(group.bytes.size()) * quint64(group.members.size() - 1);
        return n;
    }
};

struct Look
{
    bool exists = false, regular = false;
    ino_t inode = 0;
    nlink_t links = 0;
};

Look look(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, S_ISREG(st.st_mode), st.st_ino, st.st_nlink};
}

// The tree written again from scratch; the inode of each file as written.
QHash<QString, ino_t> restore(const Tree &tree, const QString &root)
{
    QDir(root).removeRecursively();
    for (const QString &folder : tree.folders)
        QDir().mkpath(root + '/' + folder);
    QHash<QString, ino_t> inodes;
    for (const QList<Group> *list : {&tree.groups, &tree.uniques})
        for (const Group &group : *list)
            for (const Member &member : group.members) {
                const QString path = root + '/' + member.path;
                test::writeFile(path, group.bytes);
                const struct timespec times[2] = {{member.modified, 0}, {member.modified, 0}};
                if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
                    qFatal("cannot set the time of %s", qPrintable(path));
                inodes.insert(member.path, look(path).inode);
            }
    return inodes;
}

struct State
{
    QStringList faults;
    qsizetype replaced = 0; // copies that are links now
    qsizetype leftovers = 0;
};

// What a killed run may leave: each file of a group is as written or a link to one of its group
// that is as written, the same one for the whole group; unique files are as written; the only new
// names are temporary links, each to a file of a group with a member in its folder.
State inspect(const Tree &tree, const QString &root, const QHash<QString, ino_t> &written, bool newestKept)
{
    State state;
    auto fault = [&](const QString &text) { state.faults.append(text); };
    QSet<QString> known(tree.folders.begin(), tree.folders.end());
    QHash<ino_t, qsizetype> groupOfInode;
    QHash<QString, QList<qsizetype>> groupsInFolder;
    for (qsizetype g = 0; g < tree.groups.size(); ++g) {
        const Group &group = tree.groups[g];
        QSet<ino_t> targets;
        const Member *newest = &group.members.first();
        for (const Member &member : group.members)
            if (member.modified > newest->modified)
                newest = &member;
        for (const Member &member : group.members) {
            known.insert(member.path);
            groupOfInode.insert(written[member.path], g);
            groupsInFolder[QFileInfo(member.path).path()].append(g);
            const Look now = look(root + '/' + member.path);
            if (!now.exists || !now.regular) {
                fault(member.path + (now.exists ? " is no longer a regular file" : " is gone"));
                continue;
            }
            if (test::readFile(root + '/' + member.path) != group.bytes)
                fault(member.path + " holds other bytes");
            if (now.inode == written[member.path])
                continue;
            ++state.replaced;
            const auto target = std::find_if(group.members.begin(), group.members.end(), [&](const Member &other) {
                return written[other.path] == now.inode;
            });
            if (target == group.members.end())
                fault(member.path + " is a file of no member of its group");
            else if (look(root + '/' + target->path).inode != now.inode)
                fault(member.path + " is a link to " + target->path + ", which was replaced itself");
            else if (newestKept && &*target != newest)
                fault(member.path + " is a link to " + target->path + ", not to the newest " + newest->path);
            targets.insert(now.inode);
        }
        if (targets.size() > 1)
            fault(QString("the files of group %1 are links to %2 different files").arg(g).arg(targets.size()));
    }
    for (const Group &unique : tree.uniques) {
        const QString &path = unique.members.first().path;
        known.insert(path);
        const Look now = look(root + '/' + path);
        if (now.inode != written[path] || now.links != 1 || test::readFile(root + '/' + path) != unique.bytes)
            fault(path + ", a unique file, was touched");
    }
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next().mid(root.size() + 1);
        if (known.contains(path))
            continue;
        if (!it.fileName().startsWith(platform::linkTempPrefix)) {
            fault(path + " appeared");
            continue;
        }
        ++state.leftovers;
        const Look now = look(it.filePath());
        const qsizetype g = groupOfInode.value(now.inode, -1);
        const QString folder = QFileInfo(path).path();
        if (!now.regular || g < 0 || !groupsInFolder.value(folder).contains(g) ||
            test::readFile(it.filePath()) != tree.groups[g].bytes)
            fault(path + ", left behind, is no link to a file of a group in its folder");
    }
    return state;
}

QStringList command(const QString &machine, const QString &rule)
{
    return {"--machine", machine, "dups", "--size", "--content", "--select", rule, "--link", "C:\\tree"};
}

QString cliPath() { return qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli"; }

// Reads the output until the line before the replacements has come; false when the run ends first.
bool waitForTicks(QProcess &p, QByteArray &out)
{
    while (!out.contains("Отмечено файлов: ")) {
        if (!p.waitForReadyRead(30000))
            return false;
        out += p.readAllStandardOutput();
    }
    return true;
}

} // namespace

class TestKillWhileLinking : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Tree m_tree{20240611};
    QString m_root;

    // A run left to finish on the tree as it stands: afterwards each group is one file, and the
    // space it reports is that of the files that went, one for each inode of a group but the kept.
    void runToTheEnd(const QString &rule, const QHash<QString, ino_t> &written, qint64 *scanMs = nullptr,
                     qint64 *totalMs = nullptr)
    {
        const State was = inspect(m_tree, m_root, written, rule == u"newest");
        QVERIFY2(was.faults.isEmpty(), qPrintable(was.faults.join('\n')));
        qsizetype copies = 0, groups = 0;
        quint64 bytes = 0;
        for (const Group &group : m_tree.groups) {
            QSet<ino_t> inodes;
            for (const Member &member : group.members)
                inodes.insert(look(m_root + '/' + member.path).inode);
            copies += inodes.size() - 1;
            groups += inodes.size() > 1;
            bytes += quint64(group.bytes.size()) * quint64(inodes.size() - 1);
        }
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(cliPath(), command(m_dir.path(), rule));
        QByteArray out;
        if (copies > 0)
            QVERIFY2(waitForTicks(p, out), p.readAllStandardError().constData());
        if (scanMs)
            *scanMs = clock.elapsed();
        QVERIFY(p.waitForFinished(60000));
        if (totalMs)
            *totalMs = clock.elapsed();
        out += p.readAllStandardOutput();
        const QString text = QString::fromUtf8(out);
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 qPrintable(text + p.readAllStandardError()));
        if (copies > 0) {
            QVERIFY2(text.contains(QString("Отмечено файлов: %1 в группах: %2.").arg(copies).arg(groups)),
                     qPrintable(text));
            QVERIFY2(text.contains(QString("Заменено жёсткими ссылками: %1, освобождено %2 байт.\n").arg(copies).arg(bytes)),
                     qPrintable(text));
        }

        const State state = inspect(m_tree, m_root, written, rule == u"newest");
        QVERIFY2(state.faults.isEmpty(), qPrintable(state.faults.join('\n')));
        QVERIFY(state.leftovers <= was.leftovers);
        QCOMPARE(state.replaced, m_tree.copies());
        for (const Group &group : m_tree.groups) {
            const Look first = look(m_root + '/' + group.members.first().path);
            if (state.leftovers == 0)
                QCOMPARE(first.links, nlink_t(group.members.size()));
            for (const Member &member : group.members)
                QCOMPARE(look(m_root + '/' + member.path).inode, first.inode);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        test::writeMachine(m_dir.path(), {});
        m_root = m_dir.path() + "/drive_c/tree";
    }

    void killAtRandomMoments()
    {
        // The quickest of a few runs: a kill meant for the replacements must not come after them.
        qint64 totalMs = 0, replaceMs = 0;
        for (const char *rule : {"newest", "first", "newest"}) {
            qint64 scan = 0, total = 0;
            runToTheEnd(rule, restore(m_tree, m_root), &scan, &total);
            if (QTest::currentTestFailed())
                return;
            totalMs = totalMs == 0 ? total : qMin(totalMs, total);
            replaceMs = qMax<qint64>(1, replaceMs == 0 ? total - scan : qMin(replaceMs, total - scan));
        }

        // The same moments on every run of the test. Every other kill comes at any moment of the
        // run; the rest once the replacements have begun, where a kill can cut one in the middle.
        QRandomGenerator random(7);
        int before = 0, during = 0, after = 0, leftOver = 0;
        qsizetype leftovers = 0, lastReplaced = 0;
        QString rule;
        QHash<QString, ino_t> written;
        for (int round = 0; round < rounds; ++round) {
            rule = round % 3 == 2 ? "newest" : "first";
            written = restore(m_tree, m_root);
            QProcess p;
            p.start(cliPath(), command(m_dir.path(), rule));
            QVERIFY(p.waitForStarted());
            QByteArray out;
            if (round % 2 == 0) {
                QThread::usleep(random.bounded(quint32(totalMs * 1000)));
            } else {
                QVERIFY2(waitForTicks(p, out), p.readAllStandardError().constData());
                QThread::usleep(random.bounded(quint32(replaceMs * 1000)));
            }
            p.kill();
            QVERIFY(p.waitForFinished(30000));
            out += p.readAllStandardOutput();
            // Done before the kill came: then it succeeded.
            if (p.exitStatus() == QProcess::NormalExit)
                QVERIFY2(p.exitCode() == 0 && out.contains("Заменено жёсткими ссылками"),
                         (out + p.readAllStandardError()).constData());

            const State state = inspect(m_tree, m_root, written, rule == u"newest");
            if (!state.faults.isEmpty())
                QFAIL(qPrintable(QString("round %1 (%2): ").arg(round).arg(rule) + state.faults.join('\n')));
            (state.replaced == 0 ? before : state.replaced < m_tree.copies() ? during : after)++;
            leftovers += state.leftovers;
            leftOver += state.leftovers > 0;
            lastReplaced = state.replaced;
        }
        qInfo("%d rounds on %lld files (%lld copies); a run takes %lld ms, %lld of them replacing; killed before "
              "any replacement %d, in the middle %d, after the last %d; %d rounds left %lld temporary links; the last "
              "kill left %lld copies replaced",
              rounds, qint64(m_tree.copies() + m_tree.groups.size() + m_tree.uniques.size()),
              qint64(m_tree.copies()), totalMs, replaceMs, before, during, after, leftOver, leftovers,
              qint64(lastReplaced));
        // Else the kills missed what they are here for.
        QVERIFY(during >= rounds / 4);

        // Run again by the same rule, the command finishes what the last killed one began.
        runToTheEnd(rule, written);
    }
};

QTEST_GUILESS_MAIN(TestKillWhileLinking)
#include "tst_kill_while_linking.moc"
