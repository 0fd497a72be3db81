// What the duplicate finder does to the files of a result: protected folders, the keep rules,
// the look at each file before it goes, and replacing copies by hard links, on real files.
#include "CliRun.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "DuplicateScan.h"
#include "KeepRules.h"
#include "LsdFile.h"
#include "ResultActions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvex;
using namespace tolvex::duplicates;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;
    DuplicateTables tables;
    Fixture()
    {
        test::writeMachine(dir.path(), {});
        program = std::make_unique<test::ProgramSession>(dir.path(), dir.path() + "/program");
    }
    QString host(const QString &relative) const { return dir.path() + "/drive_c/" + relative; }
    void file(const QString &relative, const QByteArray &bytes) { test::writeFile(host(relative), bytes); }
    platform::ShellServices &shell() { return *program->shell; }
    void scan(const QStringList &folders, const QStringList &protectedFolders = {})
    {
        DuplicateScan s(shell(), tables);
        s.prepare(folders, {false, true, true}, true, protectedFolders);
        QCOMPARE(s.run(), DuplicateScan::End::Found);
    }
    qsizetype row(const QString &windowsPath) const
    {
        for (qsizetype r = 0; r < tables.FileTable.size(); ++r)
            if (tables.filePath(r) == windowsPath)
                return r;
        return -1;
    }
    ino_t inode(const QString &relative) const
    {
        struct stat st {};
        return ::lstat(QFile::encodeName(host(relative)).constData(), &st) == 0 ? st.st_ino : 0;
    }
    QStringList leftovers() const
    {
        QStringList found;
        for (const QString &folder : {QString("Data"), QString("Data/Sub")})
            found += QDir(host(folder)).entryList({".tolvex-link-*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
        return found;
    }
};

// Moves a file's modification time without touching its bytes.
void setModified(const QString &path, qint64 seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0);
}

// A result table from rows "group|C:\\folder\\name|time", the folders made as a scan makes
// them: the listed folders C:\\A, C:\\B and C:\\P first, in that order, then their sub-folders.
// Folders named with a trailing "!" are protected, and so is everything below them.
DuplicateTables tablesOf(const QStringList &rows)
{
    DuplicateTables t;
    t.FolderTable = {FolderEntry{}};
    auto child = [&](qint32 parent, QString name) {
        const bool guarded = name.endsWith('!');
        if (guarded)
            name.chop(1);
        for (qint32 k = 1; k < t.FolderTable.size(); ++k)
            if (t.FolderTable[k].Parent == parent && t.FolderTable[k].Name == name) {
                t.FolderTable[k].Protected = t.FolderTable[k].Protected || guarded;
                return k;
            }
        t.FolderTable.append({parent, name, guarded || (parent > 0 && t.FolderTable[parent].Protected)});
        return qint32(t.FolderTable.size() - 1);
    };
    for (const char *listed : {"C:\\A", "C:\\B", "C:\\P"})
        child(0, listed);
    for (const QString &row : rows) {
        const QStringList f = row.split('|');
        QStringList parts = f[1].split('\\');
        FileEntry e;
        e.Double = f[0].toUInt();
        e.Name = parts.takeLast();
        qint32 folder = child(0, parts[0] + '\\' + parts[1]);
        for (qsizetype i = 2; i < parts.size(); ++i)
            folder = child(folder, parts[i]);
        e.Folder = folder;
        e.LastWrite = f[2].toULongLong();
        t.FileTable.append(e);
    }
    return t;
}

QString ticksOf(const DuplicateTables &t)
{
    QString ticks;
    for (const FileEntry &e : t.FileTable)
        ticks += e.Ticked ? 'x' : '.';
    return ticks;
}

} // namespace

class TestDuplicateActions : public QObject
{
    Q_OBJECT

private slots:
    // Listed folders come first in the order given: C:\A is folder 1, C:\B folder 2.
    void keepRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<int>("ties");
        const QStringList three{"1|C:\\A\\x.txt|10", "1|C:\\B\\long name.txt|30", "1|C:\\A\\Sub\\x.txt|20"};
        QTest::newRow("newest") << "newest" << three << "x.x" << 0;
        QTest::newRow("oldest") << "oldest" << three << ".xx" << 0;
        QTest::newRow("shortest") << "shortest" << three << ".xx" << 0;
        QTest::newRow("first folder, two in it: the first of them stays")
            << "first" << QStringList{"1|C:\\B\\x|1", "1|C:\\A\\Sub\\x|2", "1|C:\\A\\x|3"} << "x.x" << 1;
        QTest::newRow("first folder") << "first" << QStringList{"1|C:\\B\\x|1", "1|C:\\A\\x|2"} << "x." << 0;
        QTest::newRow("newest, a tie among the newest")
            << "newest" << QStringList{"1|C:\\A\\a|10", "1|C:\\A\\b|30", "1|C:\\A\\c|30"} << "x.x" << 1;
        QTest::newRow("all alike: the first stays")
            << "oldest" << QStringList{"1|C:\\A\\a|5", "1|C:\\A\\b|5", "1|C:\\A\\c|5"} << ".xx" << 1;
        QTest::newRow("groups interleaved by a sort")
            << "newest" << QStringList{"2|C:\\A\\a|1", "1|C:\\A\\a|9", "2|C:\\B\\a|2", "1|C:\\B\\a|3"} << "x..x" << 0;
        QTest::newRow("a group of one after rows were dropped")
            << "newest" << QStringList{"1|C:\\A\\a|1", "2|C:\\A\\b|1", "2|C:\\B\\b|2"} << ".x." << 0;
        QTest::newRow("a protected file stays, whatever the rule")
            << "newest" << QStringList{"1|C:\\A\\a|90", "1|C:\\P!\\a|1", "1|C:\\B\\a|50"} << "x.x" << 0;
        QTest::newRow("protected inside a listed folder")
            << "oldest" << QStringList{"1|C:\\A\\a|1", "1|C:\\B\\Ref!\\a|2"} << "x." << 0;
        QTest::newRow("a group all protected is never ticked")
            << "newest" << QStringList{"1|C:\\P!\\a|1", "1|C:\\P!\\Sub\\a|2"} << ".." << 0;
    }
    void keepRules()
    {
        QFETCH(QString, rule);
        QFETCH(QStringList, rows);
        QFETCH(QString, ticks);
        QFETCH(int, ties);
        DuplicateTables t = tablesOf(rows);
        for (FileEntry &e : t.FileTable)
            e.Ticked = true; // earlier ticks go
        const Ticking result = tickAllButKept(t, *keepRuleNamed(rule));
        QCOMPARE(ticksOf(t), ticks);
        QCOMPARE(result.ties, ties);
        QCOMPARE(result.ticked, ticks.count('x'));
        QCOMPARE(result.text().contains("оставлен первый из равных"), ties > 0);
    }

    // A loaded result knows only the MS-DOS time; its order still decides.
    void keepRulesOnALoadedResult()
    {
        DuplicateTables t = tablesOf({"1|C:\\A\\a|0", "1|C:\\A\\b|0"});
        t.FileTable[0].Time = qint32(platform::ShellServices::dosDateTime(133000000000000000ULL));
        t.FileTable[1].Time = qint32(platform::ShellServices::dosDateTime(133100000000000000ULL));
        tickAllButKept(t, KeepRule::Newest);
        QCOMPARE(ticksOf(t), QString("x."));
        tickAllButKept(t, KeepRule::Oldest);
        QCOMPARE(ticksOf(t), QString(".x"));
    }

    void windowsFolderWithin_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the drive") << QStringList{"C:\\"} << true << "C:\\windows\\";
        QTest::newRow("itself, another case") << QStringList{"D:\\", "C:\\WINDOWS\\"} << true << "C:\\windows\\";
        QTest::newRow("beside it") << QStringList{"C:\\Data\\", "C:\\windowsOld\\"} << true << "";
        QTest::newRow("inside it") << QStringList{"C:\\windows\\system32\\"} << true << "";
        QTest::newRow("the drive without sub-folders") << QStringList{"C:\\"} << false << "";
    }
    void windowsFolderWithin()
    {
        QFETCH(QStringList, folders);
        QFETCH(bool, subfolders);
        QFETCH(QString, expected);
        QCOMPARE(DuplicateScan::windowsFolderWithin(folders, "C:\\windows", subfolders), expected);
    }

    // Protection reaches every folder below a protected one, also one scanned as part of an
    // earlier folder of the list, and Windows paths match whatever their case.
    void scanMarksProtectedFolders()
    {
        Fixture f;
        for (const char *path : {"Data/a", "Data/Ref/a", "Data/Ref/Deep/a", "Data/Refs/a", "Other/a"})
            f.file(path, "same");
        f.scan({"C:\\Data\\", "C:\\Data\\Ref\\", "C:\\Other\\"}, {"C:\\data\\ref\\", "C:\\Other\\"});
        QCOMPARE(f.tables.FileTable.size(), 5);
        for (const auto &[path, guarded] : {std::pair{"C:\\Data\\a", false}, {"C:\\Data\\Ref\\a", true},
                                            {"C:\\Data\\Ref\\Deep\\a", true}, {"C:\\Data\\Refs\\a", false},
                                            {"C:\\Other\\a", true}}) {
            const qsizetype r = f.row(path);
            QVERIFY2(r >= 0, path);
            QVERIFY2(f.tables.isProtected(r) == guarded, path);
        }
    }

    // Only regular files have contents: a pipe or a socket is no empty file.
    void specialFilesAreNoMembers()
    {
        Fixture f;
        f.file("Data/empty1", "");
        f.file("Data/empty2", "");
        QCOMPARE(::mkfifo(QFile::encodeName(f.host("Data/pipe")).constData(), 0600), 0);
        f.scan({"C:\\Data\\"});
        QStringList names;
        for (const FileEntry &e : f.tables.FileTable)
            names << e.Name;
        names.sort();
        QCOMPARE(names, QStringList({"empty1", "empty2"}));
    }

    // The mark lives in a padding byte: the rest of the file is what an unmarked result gives,
    // so a reader that knows nothing of it reads the same result.
    void lsdKeepsProtection()
    {
        DuplicateTables marked = tablesOf({"1|C:\\A\\a|0", "1|C:\\P!\\Sub\\a|0"});
        DuplicateTables plain = marked;
        for (FolderEntry &folder : plain.FolderTable)
            folder.Protected = false;
        QByteArray bytes = LsdFile::write(marked);
        const QByteArray unmarked = LsdFile::write(plain);
        QCOMPARE(bytes.size(), unmarked.size());
        QList<int> markedAt;
        for (int i = 0; i < bytes.size(); ++i)
            if (bytes[i] != unmarked[i])
                markedAt.append(i);
        // Folders 3 (C:\\P) and 4 (its Sub), at the second padding byte of each record.
        QCOMPARE(markedAt, QList<int>({11 + 136 * 3 + 134, 11 + 136 * 4 + 134}));
        DuplicateTables read;
        QVERIFY(LsdFile::read(bytes, read, nullptr));
        QVERIFY(!read.isProtected(0));
        QVERIFY(read.isProtected(1));
    }

    // A file counts as the one listed while its size and its time are; a file gone is gone.
    void lookBeforeActing()
    {
        Fixture f;
        const QByteArray same(5000, 's');
        for (const char *name : {"untouched", "rewritten", "touched", "deleted", "linked", "guarded"})
            f.file(QString("Data/%1").arg(name), same);
        f.file("Data/Ref/guarded", same);
        f.scan({"C:\\Data\\"}, {"C:\\Data\\Ref\\"});
        QByteArray other = same;
        other[0] = 'o';
        test::writeFile(f.host("Data/rewritten"), other); // same size, other bytes
        setModified(f.host("Data/rewritten"), 1700000000);
        setModified(f.host("Data/touched"), 1700000000); // same bytes, another time
        QFile::remove(f.host("Data/deleted"));
        QFile::remove(f.host("Data/linked"));
        QFile::link(f.host("Data/untouched"), f.host("Data/linked"));

        const QList<std::pair<QString, RowState>> expected = {
            {"untouched", RowState::Same}, {"rewritten", RowState::Changed}, {"touched", RowState::Changed},
            {"deleted", RowState::Gone},   {"linked", RowState::Changed}};
        for (const auto &[name, state] : expected)
            QVERIFY2(rowState(f.shell(), f.tables, f.row("C:\\Data\\" + name)) == state, qPrintable(name));

        QList<qsizetype> all;
        for (qsizetype r = 0; r < f.tables.FileTable.size(); ++r)
            all.append(r);
        const Removal plan = planRemoval(f.shell(), f.tables, all);
        QStringList going = plan.paths;
        going.sort();
        QCOMPARE(going, QStringList({"C:\\Data\\guarded", "C:\\Data\\untouched"}));
        QCOMPARE(plan.protectedKept, 1);
        QCOMPARE(plan.gone, QStringList({"C:\\Data\\deleted"}));
        QCOMPARE(plan.changed.size(), 3);
        QVERIFY(plan.wholeGroups.isEmpty());
        QVERIFY(plan.keptText().contains("защищённых папок не удаляются, оставлено: 1"));
        QVERIFY(plan.keptText().contains("Этих файлов уже нет на диске:\nC:\\Data\\deleted"));
        dropGoneRows(f.shell(), f.tables, all);
        QCOMPARE(f.row("C:\\Data\\deleted"), -1);
        QCOMPARE(f.tables.FileTable.size(), 6);

        // A result read back from its file knows the two-second time only, and that suffices.
        DuplicateTables loaded;
        QVERIFY(LsdFile::read(LsdFile::write(f.tables), loaded, nullptr));
        for (qsizetype r = 0; r < loaded.FileTable.size(); ++r) {
            const QString name = loaded.FileTable[r].Name;
            const RowState state = rowState(f.shell(), loaded, r);
            QVERIFY2(state == (name == "untouched" || name == "guarded" ? RowState::Same : RowState::Changed),
                     qPrintable(name));
        }
    }

    // Replacing each ticked copy by a hard link to the first unticked file of its group; what
    // changed since the scan stays as it is, and no temporary name is left behind.
    void replaceByHardLink_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("nothing") << "" << "replaced";
        QTest::newRow("copy rewritten, same size") << "rewrite copy" << "changed";
        QTest::newRow("copy's bytes changed, its time put back") << "sneak copy" << "differs";
        QTest::newRow("kept file rewritten") << "rewrite kept" << "kept changed";
        QTest::newRow("copy deleted") << "delete copy" << "gone";
        QTest::newRow("copy now a link") << "link copy" << "changed";
        QTest::newRow("copy in a protected folder, ticked by hand") << "protect copy" << "protected";
        QTest::newRow("the whole group ticked") << "tick all" << "no kept";
    }
    void replaceByHardLink()
    {
        QFETCH(QString, change);
        QFETCH(QString, outcome);
        Fixture f;
        QByteArray bytes(300000, 'b');
        bytes[299999] = 'e';
        f.file("Data/kept.bin", bytes);
        f.file("Data/Sub/copy.bin", bytes);
        f.file("Data/unique.bin", QByteArray(300000, 'u'));
        f.scan({"C:\\Data\\"}, change == "protect copy" ? QStringList{"C:\\Data\\Sub\\"} : QStringList{});
        const qsizetype kept = f.row("C:\\Data\\kept.bin"), copy = f.row("C:\\Data\\Sub\\copy.bin");
        QVERIFY(kept >= 0 && copy >= 0);
        f.tables.FileTable[copy].Ticked = true;
        const ino_t copyInode = f.inode("Data/Sub/copy.bin");
        QByteArray other = bytes;
        other[1000] = 'X';
        struct stat before {};
        ::stat(QFile::encodeName(f.host("Data/Sub/copy.bin")).constData(), &before);
        if (change == "rewrite copy") {
            test::writeFile(f.host("Data/Sub/copy.bin"), other);
            setModified(f.host("Data/Sub/copy.bin"), 1700000000);
        } else if (change == "sneak copy") {
            test::writeFile(f.host("Data/Sub/copy.bin"), other);
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(f.host("Data/Sub/copy.bin")).constData(), times, 0) == 0);
        } else if (change == "rewrite kept") {
            test::writeFile(f.host("Data/kept.bin"), other);
            setModified(f.host("Data/kept.bin"), 1700000000);
        } else if (change == "delete copy") {
            QFile::remove(f.host("Data/Sub/copy.bin"));
        } else if (change == "link copy") {
            QFile::remove(f.host("Data/Sub/copy.bin"));
            QFile::link(f.host("Data/kept.bin"), f.host("Data/Sub/copy.bin"));
        } else if (change == "tick all") {
            f.tables.FileTable[kept].Ticked = true;
        }
        const QByteArray copyBefore = QFileInfo(f.host("Data/Sub/copy.bin")).isSymLink()
                                          ? QByteArray()
                                          : test::readFile(f.host("Data/Sub/copy.bin"));

        const Replacement done = replaceTicked(f.shell(), f.tables, platform::LinkKind::HardLink);
        const QMap<QString, qsizetype> counts = {{"replaced", done.replaced},
                                                 {"changed", done.changed.size()},
                                                 {"differs", done.differs.size()},
                                                 {"kept changed", done.keptChanged.size()},
                                                 {"gone", done.gone.size()},
                                                 {"protected", done.protectedKept},
                                                 {"no kept", done.noKept.size()}};
        for (auto it = counts.begin(); it != counts.end(); ++it)
            QVERIFY2((it.value() > 0) == (it.key() == outcome), qPrintable(it.key() + "\n" + done.text(platform::LinkKind::HardLink)));
        QVERIFY(done.failed.isEmpty());
        QVERIFY(f.leftovers().isEmpty());
        QCOMPARE(f.inode("Data/kept.bin") != 0, true);
        if (outcome == "replaced") {
            QCOMPARE(f.inode("Data/Sub/copy.bin"), f.inode("Data/kept.bin"));
            QCOMPARE(done.bytesRegained, quint64(bytes.size()));
            QVERIFY(done.text(platform::LinkKind::HardLink).startsWith("Заменено жёсткими ссылками: 1, освобождено 300000 байт."));
            QVERIFY(!f.tables.FileTable[copy].Ticked);
            QCOMPARE(rowState(f.shell(), f.tables, copy), RowState::Same); // the row follows its file
        } else if (outcome == "gone") {
            QCOMPARE(f.row("C:\\Data\\Sub\\copy.bin"), -1);
        } else {
            QCOMPARE(done.bytesRegained, quint64(0));
            if (change == "link copy")
                QVERIFY(QFileInfo(f.host("Data/Sub/copy.bin")).isSymLink());
            else
                QCOMPARE(f.inode("Data/Sub/copy.bin"), copyInode);
            QCOMPARE(QFileInfo(f.host("Data/Sub/copy.bin")).isSymLink() ? QByteArray() : test::readFile(f.host("Data/Sub/copy.bin")),
                     copyBefore);
        }
        QCOMPARE(test::readFile(f.host("Data/unique.bin")), QByteArray(300000, 'u'));
    }

    // What a crashed run leaves does not stop the next: its temporary names are passed by, in
    // the scan and when choosing a new one. Space counts as regained only when the copy's file
    // went, not when it had another name too.
    void replacementBookkeeping()
    {
        Fixture f;
        const QByteArray bytes(70000, 'k');
        f.file("Data/kept.bin", bytes);
        f.file("Data/Sub/copy.bin", bytes);
        f.file("Data/Sub/twice.bin", bytes);
        QVERIFY(::link(QFile::encodeName(f.host("Data/Sub/twice.bin")).constData(),
                       QFile::encodeName(f.host("Data/Sub/twice again.bin")).constData()) == 0);
        QStringList left;
        for (int n = 0; n <= 40; ++n) {
            left << QString(".tolvex-link-%1-%2").arg(::getpid()).arg(n);
            QVERIFY(::link(QFile::encodeName(f.host("Data/kept.bin")).constData(),
                           QFile::encodeName(f.host("Data/Sub/" + left.last())).constData()) == 0);
        }
        f.scan({"C:\\Data\\"});
        QCOMPARE(f.tables.FileTable.size(), 3); // one name of each file, no temporary name
        for (const FileEntry &e : f.tables.FileTable)
            QVERIFY2(!e.Name.startsWith(".tolvex-link-"), qPrintable(e.Name));
        tickAllButKept(f.tables, KeepRule::FirstFolder);
        const Replacement done = replaceTicked(f.shell(), f.tables, platform::LinkKind::HardLink);
        QVERIFY2(done.failed.isEmpty(), qPrintable(done.failed.join('\n')));
        QCOMPARE(done.replaced, 2);
        QCOMPARE(done.bytesRegained, quint64(bytes.size())); // copy.bin only
        QCOMPARE(f.inode("Data/Sub/copy.bin"), f.inode("Data/kept.bin"));
        QStringList now = f.leftovers();
        now.sort();
        left.sort();
        QCOMPARE(now, left);
    }

    // The command line: protected folders, a rule's marks, and the space a replacement regains.
    void commandLine()
    {
        Fixture f;
        f.file("windows/system32/lib.dll", "library");
        f.file("Games/lib.dll", "library");
        f.file("Games/Copy/lib.dll", "library");
        f.file("Ref/song.mp3", "music!");
        f.file("Music/song.mp3", "music!");
        const test::Run listed = test::cli(f.dir.path(), {"dups", "--content", "--protect", "C:\\Ref", "C:\\"});
        QCOMPARE(listed.status, 0);
        QVERIFY2(listed.out.contains("C:\\windows\\system32\\lib.dll\t7\tзащищён\n"), qPrintable(listed.out));
        QVERIFY(listed.out.contains("C:\\Ref\\song.mp3\t6\tзащищён\n"));
        QVERIFY(listed.out.contains("C:\\Games\\lib.dll\t7\tоставлен\n"));

        const test::Run linked =
            test::cli(f.dir.path(), {"dups", "--content", "--protect", "C:\\Ref", "--select", "shortest", "--link", "C:\\"});
        QCOMPARE(linked.status, 0);
        QVERIFY2(linked.out.contains("C:\\Music\\song.mp3\t6\tотмечен\n"), qPrintable(linked.out));
        QVERIFY(linked.out.contains("Отмечено файлов: 3 в группах: 2.\n"));
        QVERIFY(linked.out.contains("Заменено жёсткими ссылками: 3, освобождено 20 байт.\n"));
        QCOMPARE(f.inode("Music/song.mp3"), f.inode("Ref/song.mp3"));
        QCOMPARE(f.inode("Games/Copy/lib.dll"), f.inode("windows/system32/lib.dll"));

        // Unmarked, the Windows folder is a folder like any other.
        f.file("windows/other.ini", "x=1");
        f.file("Games/other.ini", "x=1");
        const test::Run open =
            test::cli(f.dir.path(), {"dups", "--content", "--unprotect-windows", "--select", "shortest", "C:\\"});
        QVERIFY2(open.out.contains("C:\\windows\\other.ini\t3\tотмечен\n"), qPrintable(open.out));
        QVERIFY(open.out.contains("C:\\Games\\other.ini\t3\tоставлен\n"));
        QVERIFY(!open.out.contains("защищён"));
    }
};

QTEST_MAIN(TestDuplicateActions)
#include "tst_duplicate_actions.moc"
