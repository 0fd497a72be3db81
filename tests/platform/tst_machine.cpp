// Choosing the machine, its drives, Windows paths and its own environment.
#include "TestMachine.h"

#include "machine/Machine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QTest>

using namespace tolvex;
using platform::Machine;

namespace {

QByteArray versionKey(const QByteArray &build)
{
    return "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion]\n\"CurrentBuildNumber\"=\"" + build + "\"\n";
}

const QByteArray environmentBody = R"(
[Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-0-0-0-1000]
"ProfileImagePath"=str(2):"%SystemDrive%\\Documents and Settings\\user"

[Software\\Microsoft\\Windows\\CurrentVersion]
"ProgramFilesDir"="C:\\Program Files"

[Software\\Wine\\Drives]
"d:"="cdrom"
"e:"="network"

[System\\CurrentControlSet\\Control\\Session Manager\\Environment]
"TEMP"=str(2):"%SystemRoot%\\TEMP"
"windir"=str(2):"%SystemRoot%"
)";

const QByteArray userEnvironment = R"(
[Environment]
"TEMP"=str(2):"%USERPROFILE%\\Local Settings\\Temp"
"Loop"=str(2):"%Loop%x"
)";

} // namespace

class TestMachine : public QObject
{
    Q_OBJECT

private slots:
    void chooseFolderOrder()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("TOLVEX_MACHINE");
        qunsetenv("WINEPREFIX");
        Machine::Origin origin{};
        QCOMPARE(Machine::chooseFolder("/opt/tolvex", &origin), QString("/opt/tolvex/machine"));
        QCOMPARE(origin, Machine::Origin::Sample);
        QDir().mkpath(home.path() + "/.wine");
        QCOMPARE(Machine::chooseFolder("/opt/tolvex", &origin), QString("/opt/tolvex/machine")); // no system.reg
        test::writeFile(home.path() + "/.wine/system.reg", test::hiveText("Machine", {}));
        QCOMPARE(Machine::chooseFolder("/opt/tolvex", &origin), home.path() + "/.wine");
        QCOMPARE(origin, Machine::Origin::HomeWine);
        qputenv("WINEPREFIX", "/srv/prefix/");
        QCOMPARE(Machine::chooseFolder("/opt/tolvex", &origin), QString("/srv/prefix"));
        QCOMPARE(origin, Machine::Origin::WinePrefix);
        qputenv("TOLVEX_MACHINE", "/srv/other");
        QCOMPARE(Machine::chooseFolder("/opt/tolvex", &origin), QString("/srv/other"));
        qunsetenv("TOLVEX_MACHINE");
        qunsetenv("WINEPREFIX");
        qputenv("HOME", oldHome);
    }

    void generation_data()
    {
        QTest::addColumn<QByteArray>("build");
        QTest::addColumn<bool>("vista");
        QTest::newRow("XP") << QByteArray("2600") << false;
        QTest::newRow("XP x64 (winecfg winxp64)") << QByteArray("3790") << false;
        QTest::newRow("last XP") << QByteArray("5999") << false;
        QTest::newRow("first Vista") << QByteArray("6000") << true;
        QTest::newRow("Wine 8 default") << QByteArray("7601") << true;
    }

    void generation()
    {
        QFETCH(QByteArray, build);
        QTemporaryDir dir;
        test::writeMachine(dir.path(), versionKey(build));
        auto machine = Machine::open(dir.path(), dir.path());
        QCOMPARE(machine->buildNumber(), build.toInt());
        QFETCH(bool, vista);
        QCOMPARE(machine->vistaGeneration(), vista);
    }

    void drivesAndPaths()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), environmentBody);
        QDir().mkpath(dir.path() + "/drive_c/Documents and Settings/User/Local Settings");
        QDir().mkpath(dir.path() + "/cd");
        QDir().mkpath(dir.path() + "/share");
        QFile::link("../cd", dir.path() + "/dosdevices/d:");
        QFile::link(dir.path() + "/share", dir.path() + "/dosdevices/e:");
        QFile::link("../nowhere", dir.path() + "/dosdevices/f:");
        QFile::link("/dev/ttyS0", dir.path() + "/dosdevices/com1");
        test::writeFile(dir.path() + "/cd/.windows-serial", "1234abcd\n");
        auto machine = Machine::open(dir.path(), dir.path());

        QCOMPARE(machine->drives().size(), 4);
        const Machine::Drive *c = machine->drive(u'c');
        QVERIFY(c);
        QCOMPARE(c->hostFolder, dir.path() + "/drive_c");
        QCOMPARE(c->type, 3);
        QVERIFY(c->serial != 0);
        QCOMPARE(machine->drive(u'D')->type, 5);
        QCOMPARE(machine->drive(u'D')->serial, 0x1234abcdu);
        QCOMPARE(machine->drive(u'E')->type, 4);
        QCOMPARE(machine->drive(u'F')->serial, 0u); // target missing: not ready

        const QString c_ = dir.path() + "/drive_c";
        QCOMPARE(machine->hostPath("C:\\DOCUMENTS AND SETTINGS\\user\\local settings\\new.txt"),
                 c_ + "/Documents and Settings/User/Local Settings/new.txt");
        QCOMPARE(machine->hostPath("c:\\"), c_);
        QCOMPARE(machine->hostPath("C:\\..\\..\\etc"), c_ + "/etc"); // never above the root
        QCOMPARE(machine->hostPath("C:\\a\\.\\b\\..\\c"), c_ + "/a/c");
        QCOMPARE(machine->hostPath("Q:\\x"), QString());
        QCOMPARE(machine->hostPath("relative\\x"), QString());
        QCOMPARE(machine->hostPath("/opt/tolvex\\Backups\\a.ini"), QString("/opt/tolvex/Backups/a.ini"));

        QCOMPARE(machine->windowsPath(c_ + "/Documents and Settings"), QString("C:\\Documents and Settings"));
        QCOMPARE(machine->windowsPath(c_), QString("C:\\"));
        QCOMPARE(machine->windowsPath(dir.path() + "/share/x"), QString("E:\\x"));
        QCOMPARE(machine->windowsPath("/opt/tolvex"), QString("/opt/tolvex"));
    }

    void driveTypes_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<int>("type");
        QTest::newRow("drive_c inside the image") << "C" << 3;
        QTest::newRow("the host's root") << "Z" << 4;
        QTest::newRow("a host folder") << "Y" << 4;
        QTest::newRow("inside, named by an absolute path") << "G" << 3;
        QTest::newRow("outside, through a link that leads back inside") << "H" << 3;
        QTest::newRow("inside, through a link that leads outside") << "I" << 4;
        QTest::newRow("outside, but Wine calls it a hard disk") << "D" << 3;
        QTest::newRow("inside, but Wine calls it a floppy") << "F" << 2;
        QTest::newRow("Wine names no type Tolvex knows") << "J" << 4;
        QTest::newRow("missing folder inside") << "K" << 3;
    }

    void driveTypes()
    {
        QTemporaryDir dir, host;
        // The image is opened through a link, so only canonical paths show what lies inside it.
        const QString real = dir.path() + "/real", image = dir.path() + "/image";
        test::writeMachine(real, R"(
[Software\\Wine\\Drives]
"d:"="hd"
"f:"="floppy"
"j:"="something"
)");
        QVERIFY(QFile::link(real, image));
        QDir().mkpath(real + "/g");
        QDir().mkpath(real + "/floppy");
        QDir().mkpath(real + "/i-target");
        QVERIFY(QFile::link(real + "/g", host.path() + "/back-inside"));
        QVERIFY(QFile::link(host.path(), real + "/leads-out"));
        const QString devices = real + "/dosdevices/";
        QVERIFY(QFile::link("/", devices + "z:"));
        QVERIFY(QFile::link(host.path(), devices + "y:"));
        QVERIFY(QFile::link(real + "/g", devices + "g:"));
        QVERIFY(QFile::link(host.path() + "/back-inside", devices + "h:"));
        QVERIFY(QFile::link("../leads-out", devices + "i:"));
        QVERIFY(QFile::link(host.path(), devices + "d:"));
        QVERIFY(QFile::link("../floppy", devices + "f:"));
        QVERIFY(QFile::link(host.path(), devices + "j:"));
        QVERIFY(QFile::link("../not-yet", devices + "k:"));
        auto machine = Machine::open(image, image);
        QFETCH(QString, letter);
        QFETCH(int, type);
        const Machine::Drive *drive = machine->drive(letter[0]);
        QVERIFY(drive);
        QCOMPARE(drive->type, type);
    }

    // One writer per machine: a second opening is read-only and says why; nothing the first
    // writes is lost; a lock left by a killed process holds nothing back.
    void oneWriterPerMachine()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {}, "\n[Software\\\\T] 1\n\"N\"=\"1\"\n");
        {
            auto first = Machine::open(dir.path(), dir.path());
            QVERIFY(!first->readOnly());
            auto second = Machine::open(dir.path(), dir.path());
            QVERIFY(second->readOnly());
            QVERIFY(second->readOnlyNotice().contains("уже открыта другим экземпляром Tolvex"));
            QVERIFY(first->readOnlyNotice().isEmpty());
        }
        QVERIFY(!Machine::open(dir.path(), dir.path())->readOnly());

        // tolvex-cli waits on its overwrite question, holding the machine.
        QProcess cli;
        cli.start(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli",
                  {"--machine", dir.path(), "reg", "add", "HKCU\\Software\\T", "/v", "N", "/d", "2"});
        QVERIFY(cli.waitForStarted());
        QTRY_VERIFY(cli.readAllStandardOutput().contains("overwrite") || Machine::open(dir.path(), dir.path())->readOnly());
        QTRY_VERIFY(Machine::open(dir.path(), dir.path())->readOnly());
        // A second tolvex-cli meanwhile changes nothing and says why.
        QProcess other;
        other.start(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli",
                    {"--machine", dir.path(), "reg", "add", "HKCU\\Software\\T", "/v", "M", "/d", "3", "/f"});
        QVERIFY(other.waitForFinished(30000));
        QCOMPARE(other.exitCode(), 1);
        QVERIFY(QString::fromUtf8(other.readAllStandardError()).contains("уже открыта другим экземпляром Tolvex"));
        cli.kill();
        QVERIFY(cli.waitForFinished());
        QVERIFY(!Machine::open(dir.path(), dir.path())->readOnly());
        QVERIFY(!test::readFile(dir.path() + "/user.reg").contains("\"M\""));
    }

    // A save killed halfway leaves its temporary file; the next writer removes those, and only those.
    void leftSavesAreRemovedByTheWriter()
    {
        QTemporaryDir dir, outside;
        const QString m = dir.path();
        test::writeMachine(m, {});
        test::writeFile(outside.path() + "/target", "kept");
        const QStringList left{"user.reg.Ab12Cd", "system.reg.ZZZZZZ", "userdef.reg.a0b1c2"};
        const QStringList others{"user.reg.Ab12C", "user.reg.Ab-2Cd", "user.reg.bak", "user.reg.Ab12Cde",
                                 "notes.reg.Ab12Cd", "drive_c/user.reg.Ab12Cd"};
        for (const QString &name : left + others)
            test::writeFile(m + "/" + name, "x");
        QVERIFY(QFile::link(outside.path() + "/target", m + "/user.reg.LnK123"));

        {
            auto writer = Machine::open(m, m);
            // A second opener, read-only, leaves the writer's files alone.
            test::writeFile(m + "/user.reg.Late00", "being written");
            auto reader = Machine::open(m, m);
            QVERIFY(reader->readOnly());
            QVERIFY(QFile::exists(m + "/user.reg.Late00"));
        }
        for (const QString &name : left)
            QVERIFY2(!QFile::exists(m + "/" + name), qPrintable(name));
        for (const QString &name : others)
            QVERIFY2(QFile::exists(m + "/" + name), qPrintable(name));
        QVERIFY(QFileInfo(m + "/user.reg.LnK123").isSymLink());
        QCOMPARE(test::readFile(outside.path() + "/target"), QByteArray("kept"));
        QVERIFY(!Machine::open(m, m)->readOnly());
        QVERIFY(!QFile::exists(m + "/user.reg.Late00"));
    }

    void environmentComesFromTheMachine()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), environmentBody, userEnvironment);
        qputenv("TEMP", "/host/tmp");
        auto machine = Machine::open(dir.path(), dir.path());
        QCOMPARE(machine->expandEnvironment("%TEMP%"), QString("C:\\Documents and Settings\\user\\Local Settings\\Temp"));
        QCOMPARE(machine->expandEnvironment("%ProgramFiles%\\App"), QString("C:\\Program Files\\App"));
        QCOMPARE(machine->expandEnvironment("%windir%|%SYSTEMROOT%"), QString("C:\\windows|C:\\windows"));
        QCOMPARE(machine->expandEnvironment("100% of %Unknown% and %"), QString("100% of %Unknown% and %"));
        QCOMPARE(machine->expandEnvironment("%Loop%"), QString("%Loop%x"));
        QCOMPARE(machine->expandEnvironment("50%%TEMP%"), QString("50%C:\\Documents and Settings\\user\\Local Settings\\Temp"));
    }
};

QTEST_GUILESS_MAIN(TestMachine)
#include "tst_machine.moc"
