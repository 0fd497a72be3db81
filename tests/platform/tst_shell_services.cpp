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

    void commandLineSplitting()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, args);
        QCOMPARE(platform::splitCommandLine(line), args);
    }
};

QTEST_GUILESS_MAIN(TestShellServices)
#include "tst_shell_services.moc"
