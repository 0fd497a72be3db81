// Shell services on a machine image: listing, deleting without leaving the tree, running.
#include "TestMachine.h"

#include "machine/Machine.h"
#include "shell/CommandLine.h"
#include "shell/MachineShellServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvex;
using platform::FoundEntry;
using platform::Machine;
using platform::MachineShellServices;

namespace {

QStringList names(const QList<FoundEntry> &entries)
{
    QStringList list;
    for (const FoundEntry &e : entries)
        list.append(e.name + (e.isFolder ? "/" : "") + (e.isLink ? "@" : ""));
    list.sort();
    return list;
}

} // namespace

class TestShellServices : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Machine> m_machine;
    std::unique_ptr<MachineShellServices> m_shell;
    QString m_c;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        test::writeMachine(m_dir.path(), {}, "\n"
"[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]\n"
"\"Cache\"=\"C:\\\\Cache\"\n"
"");
        m_c = m_dir.path() + "/drive_c";
        test::writeFile(m_c + "/Temp/a.tmp", "1234");
        test::writeFile(m_c + "/Temp/B.TMP", "12");
        test::writeFile(m_c + "/Temp/keep.txt", "x");
        test::writeFile(m_c + "/Temp/sub/deep.tmp", "x");
        QDir().mkpath(m_dir.path() + "/outside");
        test::writeFile(m_dir.path() + "/outside/precious.txt", "do not delete");
        QFile::link(m_dir.path() + "/outside", m_c + "/Temp/link-to-outside");
        QFile::link(m_dir.path() + "/outside/precious.txt", m_c + "/Temp/file-link.tmp");
        test::writeFile(m_c + QString("/Temp/bad") + QChar(':') + "name.tmp", "x"); // no Windows form
        m_machine = Machine::open(m_dir.path(), m_dir.path() + "/program");
        m_shell = std::make_unique<MachineShellServices>(*m_machine, 2);
    }

    void listing()
    {
        QCOMPARE(names(m_shell->listFolder("C:\\TEMP\\", "*.tmp")), QStringList({"B.TMP", "a.tmp", "file-link.tmp@"}));
        QCOMPARE(names(m_shell->listFolder("c:\\temp", "*.*")),
                 QStringList({"../", "./", "B.TMP", "a.tmp", "file-link.tmp@", "keep.txt", "link-to-outside@", "sub/"}));
        QCOMPARE(names(m_shell->listFolder("C:\\Temp\\", "KEEP.TXT")), QStringList({"keep.txt"}));
        QVERIFY(m_shell->listFolder("C:\\NoSuchFolder\\", "*").isEmpty());
        QVERIFY(m_shell->listFolder("Q:\\", "*").isEmpty());
        const QList<FoundEntry> one = m_shell->listFolder("C:\\Temp\\", "a.tmp");
        QCOMPARE(one.size(), 1);
        QCOMPARE(one[0].size, 4u);
        const qint64 seconds = QFileInfo(m_c + "/Temp/a.tmp").lastModified().toSecsSinceEpoch();
        QCOMPARE(qint64((one[0].lastWrite - 116444736000000000ULL) / 10000000ULL), seconds);
    }

    void existence()
    {
        QVERIFY(m_shell->fileExists("C:\\Temp\\A.TMP"));
        QVERIFY(!m_shell->fileExists("C:\\Temp"));
        QVERIFY(m_shell->folderExists("C:\\Temp\\"));
        QVERIFY(!m_shell->folderExists("C:\\Temp\\a.tmp"));
        QVERIFY(!m_shell->fileExists("Q:\\a"));
    }

    void deletionStaysInsideTheTree()
    {
        QVERIFY(!m_shell->deleteFile("C:\\Temp\\sub"));
        QVERIFY(m_shell->deleteFile("C:\\Temp\\file-link.tmp"));
        QVERIFY(QFile::exists(m_dir.path() + "/outside/precious.txt"));
        QVERIFY(!m_shell->deleteFile("C:\\Temp\\file-link.tmp"));
        m_shell->deleteList({"C:\\Temp\\a.tmp", "C:\\Temp\\sub", "C:\\Temp\\link-to-outside", "C:\\Temp\\missing"});
        QVERIFY(!QFileInfo::exists(m_c + "/Temp/a.tmp"));
        QVERIFY(!QFileInfo::exists(m_c + "/Temp/sub"));
        QVERIFY(!QFileInfo(m_c + "/Temp/link-to-outside").isSymLink());
        QCOMPARE(test::readFile(m_dir.path() + "/outside/precious.txt"), QByteArray("do not delete"));
        // A whole folder whose tree holds a link out: only the link goes.
        QFile::link(m_dir.path() + "/outside", m_c + "/Temp/again");
        m_shell->deleteList({"C:\\Temp"});
        QVERIFY(!QFileInfo::exists(m_c + "/Temp"));
        QCOMPARE(test::readFile(m_dir.path() + "/outside/precious.txt"), QByteArray("do not delete"));
    }

    void deletionWithinAFolder()
    {
        const QString outside = m_dir.path() + "/outside";
        // A link in the folder to a file outside: the link goes, the file stays.
        QVERIFY(m_shell->deleteFile("C:\\Temp\\file-link.tmp", "C:\\Temp\\"));
        QVERIFY(!QFileInfo(m_c + "/Temp/file-link.tmp").isSymLink());
        QCOMPARE(test::readFile(outside + "/precious.txt"), QByteArray("do not delete"));
        // Names and the folder are found ignoring case.
        test::writeFile(m_c + "/Temp/Sub2/File.tmp", "x");
        QVERIFY(m_shell->deleteFile("c:\\TEMP\\sub2\\FILE.TMP", "C:\\temp"));
        QVERIFY(!QFileInfo::exists(m_c + "/Temp/Sub2/File.tmp"));
        QVERIFY(!m_shell->deleteFile("C:\\Temp\\Sub2", "C:\\Temp"));
        QVERIFY(QFileInfo(m_c + "/Temp/Sub2").isDir());

        // A folder whose tree holds links out, one of them dangling: the tree goes, nothing outside.
        test::writeFile(m_c + "/Temp/tree/a/b/c.txt", "x");
        test::writeFile(m_c + "/Temp/tree/top.txt", "x");
        QVERIFY(QFile::link(outside, m_c + "/Temp/tree/a/out"));
        QVERIFY(QFile::link(outside + "/precious.txt", m_c + "/Temp/tree/a/b/file-out"));
        QVERIFY(QFile::link(m_dir.path() + "/nowhere", m_c + "/Temp/tree/a/b/dangling"));
        m_shell->deleteList({"C:\\Temp\\TREE", "C:\\Temp\\link-to-outside"}, "C:\\Temp");
        QVERIFY(!QFileInfo::exists(m_c + "/Temp/tree"));
        QVERIFY(!QFileInfo(m_c + "/Temp/tree").isSymLink());
        QVERIFY(!QFileInfo(m_c + "/Temp/link-to-outside").isSymLink());
        QCOMPARE(QDir(outside).entryList(QDir::Files), QStringList({"precious.txt"}));
        QCOMPARE(test::readFile(outside + "/precious.txt"), QByteArray("do not delete"));
    }

    void folderBecomesALinkAfterTheListing()
    {
        const QString outside = m_dir.path() + "/outside";
        test::writeFile(outside + "/deep.tmp", "outside");
        QCOMPARE(names(m_shell->listFolder("C:\\Temp\\sub", "*.tmp")), QStringList({"deep.tmp"}));
        QVERIFY(QDir(m_c + "/Temp/sub").removeRecursively());
        QVERIFY(QFile::link(outside, m_c + "/Temp/sub"));
        QVERIFY(QFileInfo::exists(m_c + "/Temp/sub/deep.tmp")); // the listed path now leads outside

        QVERIFY(!m_shell->deleteFile("C:\\Temp\\sub\\deep.tmp", "C:\\Temp\\"));
        m_shell->deleteList({"C:\\Temp\\sub\\deep.tmp"}, "C:\\Temp\\");
        QCOMPARE(test::readFile(outside + "/deep.tmp"), QByteArray("outside"));
        // The link itself is inside and may go.
        m_shell->deleteList({"C:\\Temp\\sub"}, "C:\\Temp\\");
        QVERIFY(!QFileInfo(m_c + "/Temp/sub").isSymLink());
        QCOMPARE(test::readFile(outside + "/deep.tmp"), QByteArray("outside"));
    }

    void refusedDeletions_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("within");
        QTest::addColumn<QString>("survivor"); // under the machine folder
        QTest::newRow("another folder") << "C:\\Temp\\keep.txt" << "C:\\Cache" << "drive_c/Temp/keep.txt";
        QTest::newRow("a name that only starts like the folder")
            << "C:\\Tempest\\f.txt" << "C:\\Temp" << "drive_c/Tempest/f.txt";
        QTest::newRow("back up out of the folder") << "C:\\Temp\\..\\Tempest\\f.txt" << "C:\\Temp"
                                                   << "drive_c/Tempest/f.txt";
        QTest::newRow("the folder itself") << "C:\\Temp\\" << "C:\\Temp" << "drive_c/Temp/keep.txt";
        QTest::newRow("through a link to a folder outside")
            << "C:\\Temp\\link-to-outside\\precious.txt" << "C:\\Temp" << "outside/precious.txt";
        QTest::newRow("a drive root") << "C:\\" << "" << "drive_c/Temp/keep.txt";
        QTest::newRow("a drive root by its letter") << "c:" << "" << "drive_c/Temp/keep.txt";
        QTest::newRow("a drive root reached by ..") << "C:\\Temp\\.." << "" << "drive_c/Temp/keep.txt";
        QTest::newRow("another drive's root") << "Z:\\" << "" << "outside/precious.txt";
        QTest::newRow("a drive root seen from another drive") << "Z:\\drive_c" << "Z:\\"
                                                              << "drive_c/Temp/keep.txt";
    }

    void refusedDeletions()
    {
        QFETCH(QString, path);
        QFETCH(QString, within);
        QFETCH(QString, survivor);
        test::writeFile(m_c + "/Tempest/f.txt", "x");
        QVERIFY(QFile::link(m_dir.path(), m_dir.path() + "/dosdevices/z:")); // the whole image
        m_machine = Machine::open(m_dir.path(), m_dir.path() + "/program");
        m_shell = std::make_unique<MachineShellServices>(*m_machine, 2);

        const QString file = m_dir.path() + '/' + survivor;
        QVERIFY(QFileInfo::exists(file));
        QVERIFY(!m_shell->deleteFile(path, within));
        m_shell->deleteList({path}, within);
        QVERIFY(QFileInfo::exists(file));
    }

    void entryKinds()
    {
        const QString kinds = m_c + "/Kinds";
        test::writeFile(kinds + "/file.txt", "12345");
        QDir().mkpath(kinds + "/folder");
        QVERIFY(QFile::link("file.txt", kinds + "/link-to-file"));
        QVERIFY(QFile::link("folder", kinds + "/link-to-folder"));
        QVERIFY(QFile::link("nowhere", kinds + "/dangling"));
        // Names no Windows path can reach are not listed at all.
        for (const char *name : {"a:b.txt", "trailing.", "space ", "star*"})
            test::writeFile(kinds + "/" + name, "x");

        const QList<FoundEntry> full = m_shell->listFolder("C:\\Kinds", "*");
        const auto kindOnly = platform::ShellServices::Detail::KindOnly;
        const QList<FoundEntry> kind = m_shell->listFolder("C:\\Kinds", "*", kindOnly);
        QCOMPARE(names(kind), names(full));
        QCOMPARE(names(full), QStringList({"../", "./", "dangling@", "file.txt", "folder/", "link-to-file@",
                                           "link-to-folder@"}));
        for (const FoundEntry &e : kind)
            QVERIFY(e.size == 0 && e.lastWrite == 0);
        QCOMPARE(names(m_shell->listFolder("C:\\Kinds", "*.TXT", kindOnly)), QStringList({"file.txt"}));

        for (const FoundEntry &e : full) {
            if (e.name == "." || e.name == "..")
                continue;
            FoundEntry one;
            QVERIFY2(m_shell->entryAt("C:\\KINDS\\" + e.name.toUpper(), one), qPrintable(e.name));
            QCOMPARE(one.name, e.name);
            QCOMPARE(one.isFolder, e.isFolder);
            QCOMPARE(one.isLink, e.isLink);
            QCOMPARE(one.size, e.size);
            QCOMPARE(one.lastWrite, e.lastWrite);
            QVERIFY(one.lastWrite != 0);
        }
        for (const FoundEntry &e : full)
            QVERIFY(!e.isSpecial);
        QVERIFY(::mkfifo(QFile::encodeName(kinds + "/folder/pipe").constData(), 0600) == 0);
        const QList<FoundEntry> pipes = m_shell->listFolder("C:\\Kinds\\folder", "pipe");
        QVERIFY(pipes.size() == 1 && pipes[0].isSpecial && !pipes[0].isFolder && !pipes[0].isLink);
        FoundEntry linked;
        QVERIFY(m_shell->entryAt("C:\\Kinds\\link-to-file", linked));
        QCOMPARE(linked.size, 5u); // the file it leads to
        FoundEntry none;
        QVERIFY(!m_shell->entryAt("C:\\Kinds\\missing", none));
        QVERIFY(!m_shell->entryAt("C:\\Kinds\\folder\\..\\missing", none));
        QVERIFY(!m_shell->entryAt("C:\\", none));
        QVERIFY(!m_shell->entryAt("Q:\\x", none));
    }

    void urlCache()
    {
        const QString outside = m_dir.path() + "/outside";
        test::writeFile(m_c + "/Cache/index.dat", "x");
        test::writeFile(m_c + "/Cache/Content.IE5/AB12CD34/page[1].htm", "x");
        test::writeFile(m_c + "/Cache/Content.IE5/AB12CD34/deeper/pic.gif", "x");
        QDir().mkpath(m_c + "/Cache/Content.IE5/empty");
        QVERIFY(QFile::link(outside, m_c + "/Cache/Content.IE5/out"));
        QVERIFY(QFile::link(outside + "/precious.txt", m_c + "/Cache/file-out"));
        QStringList entries = m_shell->urlCacheEntries();
        entries.sort();
        QCOMPARE(entries, QStringList({"C:\\Cache\\Content.IE5\\AB12CD34\\deeper\\pic.gif",
                                       "C:\\Cache\\Content.IE5\\AB12CD34\\page[1].htm",
                                       "C:\\Cache\\Content.IE5\\out", "C:\\Cache\\file-out",
                                       "C:\\Cache\\index.dat"}));

        for (const QString &entry : entries)
            QVERIFY2(m_shell->deleteUrlCacheEntry(entry), qPrintable(entry));
        QVERIFY(m_shell->urlCacheEntries().isEmpty());
        QCOMPARE(test::readFile(outside + "/precious.txt"), QByteArray("do not delete"));
        QVERIFY(!m_shell->deleteUrlCacheEntry("C:\\Temp\\keep.txt"));
        QVERIFY(!m_shell->deleteUrlCacheEntry("C:\\Cache\\..\\Temp\\keep.txt"));
        QVERIFY(QFileInfo::exists(m_c + "/Temp/keep.txt"));

        QVERIFY(QDir(m_c + "/Cache").removeRecursively());
        QVERIFY(m_shell->urlCacheEntries().isEmpty());
    }

    void urlCacheWithoutTheValue()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {});
        test::writeFile(dir.path() + "/drive_c/Cache/index.dat", "x");
        auto machine = Machine::open(dir.path(), dir.path());
        MachineShellServices shell(*machine);
        QVERIFY(shell.urlCacheEntries().isEmpty());
        QVERIFY(!shell.deleteUrlCacheEntry("C:\\Cache\\index.dat"));
        QVERIFY(QFileInfo::exists(dir.path() + "/drive_c/Cache/index.dat"));
    }

    void folders()
    {
        QCOMPARE(m_shell->windowsFolder(), QString("C:\\windows"));
        QCOMPARE(m_shell->systemFolder(), QString("C:\\windows\\system32"));
        QCOMPARE(m_shell->specialFolder(platform::SpecialFolder::Cache), QString("C:\\Cache"));
        QCOMPARE(m_shell->programFolder(), m_dir.path() + "/program");
        QCOMPARE(m_shell->argumentCount(), 2);
        const QList<platform::DriveEntry> drives = m_shell->drives();
        QCOMPARE(drives.size(), 1);
        QCOMPARE(drives[0].root, QString("C:\\"));
        QCOMPARE(m_shell->driveType("C:\\"), 3);
        QCOMPARE(m_shell->driveType("X:\\"), 1);
        QVERIFY(m_shell->volumeSerial("C:\\") != 0);
        QCOMPARE(m_shell->volumeSerial("X:\\"), 0u);
    }

    void compareTextIgnoresCase()
    {
        QCOMPARE(m_shell->compareText("ЁЛКА", "ёлка"), 0);
        QVERIFY(m_shell->compareText("апельсин", "Яблоко") < 0);
        QVERIFY(m_shell->compareText("Zebra", "apple") > 0);
    }

    void dosDateTime()
    {
        // 2007-03-15 13:45:30 local time.
        const QDateTime local(QDate(2007, 3, 15), QTime(13, 45, 30));
        const quint64 fileTime = quint64(local.toMSecsSinceEpoch()) * 10000ULL + 116444736000000000ULL;
        const quint32 dos = platform::ShellServices::dosDateTime(fileTime);
        QCOMPARE(dos >> 16, quint32(((2007 - 1980) << 9) | (3 << 5) | 15));
        QCOMPARE(dos & 0xFFFF, quint32((13 << 11) | (45 << 5) | 15));
    }

    void runningNeedsAWinePrefix()
    {
        QString error;
        QVERIFY(!m_shell->runCommandLine("C:\\windows\\notepad.exe", &error));
        QVERIFY2(error.contains("не является префиксом Wine"), qPrintable(error));
        QVERIFY(!m_shell->runCommandLine("   ", &error));
    }

    void commandLineSplitting_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("plain") << "a b  c" << QStringList{"a", "b", "c"};
        QTest::newRow("quoted path") << "\"C:\\Program Files\\App\\un.exe\" /S"
                                     << QStringList{"C:\\Program Files\\App\\un.exe", "/S"};
        QTest::newRow("backslashes not before a quote") << "C:\\a\\\\b" << QStringList{"C:\\a\\\\b"};
        QTest::newRow("escaped quote") << "a\\\"b" << QStringList{"a\"b"};
        QTest::newRow("even backslashes then quote") << "\"a\\\\\" b" << QStringList{"a\\", "b"};
        QTest::newRow("empty quoted argument") << "x \"\" y" << QStringList{"x", "", "y"};
        QTest::newRow("quote inside a word") << "/D=\"C:\\x y\"" << QStringList{"/D=C:\\x y"};
    }

    // An unquoted program path with spaces, as many uninstall entries hold one.
    void programOfACommandLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("spaces in the path") << "C:\\Program Files\\7-Zip\\Uninstall.exe"
                                            << QStringList{"C:\\Program Files\\7-Zip\\Uninstall.exe"};
        QTest::newRow("with arguments") << "C:\\Program Files\\7-Zip\\Uninstall.exe /S /D=C:\\x y"
                                        << QStringList{"C:\\Program Files\\7-Zip\\Uninstall.exe", "/S", "/D=C:\\x", "y"};
        QTest::newRow(".exe left out") << "C:\\Program Files\\7-Zip\\Uninstall /S"
                                       << QStringList{"C:\\Program Files\\7-Zip\\Uninstall.exe", "/S"};
        QTest::newRow("quoted") << "\"C:\\Program Files\\7-Zip\\Uninstall.exe\" /S"
                                << QStringList{"C:\\Program Files\\7-Zip\\Uninstall.exe", "/S"};
        QTest::newRow("no such file: the plain split") << "MsiExec.exe /X{AC76}" << QStringList{"MsiExec.exe", "/X{AC76}"};
    }
    void programOfACommandLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, args);
        const auto exists = [](const QString &path) { return path == "C:\\Program Files\\7-Zip\\Uninstall.exe"; };
        QCOMPARE(platform::programAndArguments(line, exists), args);
    }

    void commandLineSplitting()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, args);
        QCOMPARE(platform::splitCommandLine(line), args);
    }
};

QTEST_GUILESS_MAIN(TestShellServices)
#include "tst_shell_services.moc"
