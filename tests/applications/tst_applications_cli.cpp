// tolvex-cli apps and startup on copies of the sample machine (a 32-bit XP): what they print, what
// they change in the hive files, and their exit status.
#include "CliContext.h"
#include "TestMachine.h"

#include "shell/Clock.h"

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace tolvex::cli {
int runAppsCommand(CliContext &context);
int runStartupCommand(CliContext &context);
} // namespace tolvex::cli

using namespace tolvex;

namespace {

class FixedClock : public platform::Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2008, 1, 20), QTime(12, 0)); }
};

struct Run
{
    int status;
    QString out, err;
};

// One command as tolvex-cli runs it: the machine opened afresh, the hives saved at the end.
Run runCli(const QString &machine, const QStringList &args)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    cli::CliContext context{platform::Machine::open(machine, machine + "/.."), args.mid(1), outStream,
                            errStream};
    const int status =
        args.first() == "apps" ? cli::runAppsCommand(context) : cli::runStartupCommand(context);
    const QStringList saveErrors = context.machine->saveRegistry();
    outStream.flush();
    errStream.flush();
    return {saveErrors.isEmpty() ? status : 1, out, err};
}

QString sampleCopy(const QTemporaryDir &dir)
{
    const QString machine = dir.path() + "/machine";
    if (QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/machine", machine}) !=
        0)
        qFatal("cannot copy the sample machine");
    return machine;
}

QStringList lines(const QString &text)
{
    return text.split('\n', Qt::SkipEmptyParts);
}

const QString domBuh = "C:\\Program Files\\Домашняя бухгалтерия\\";

} // namespace

class TestApplicationsCli : public QObject
{
    Q_OBJECT

    FixedClock m_clock;

private slots:
    void initTestCase() { platform::Clock::setInstance(&m_clock); }
    void cleanupTestCase() { platform::Clock::setInstance(nullptr); }

    void appsListsTheTree()
    {
        QTemporaryDir dir;
        const Run run = runCli(sampleCopy(dir), {"apps"});
        QCOMPARE(run.status, 0);
        const QString adobe =
            "Adobe Reader 8.1.2 - Русский\tПуть:MsiExec.exe /I{AC76BA86-7AD7-1049-7B44-A81200000003}";
        const QString zip = "7-Zip 4.57\tПуть:C:\\Program Files\\7-Zip\\Uninstall.exe";
        const QString realtek = "обновление драйвера Realtek HD Audio\tПуть:C:\\windows\\RtlUpd.exe -r -m";
        const QString tetris = "Tetris 3D 1.2\tПуть:C:\\Program Files\\Games\\Tetris3D\\uninstall.exe";
        const QString cm =
            "Connection Manager\tПуть:rundll32 advpack.dll,LaunchINFSection cmmgr32.inf,Uninstall";
        const QString winrar = "WinRAR archiver\tПуть:C:\\Program Files\\WinRAR\\uninstall.exe";
        const QString wmf = "Windows Media Format 11 runtime\tПуть не подписан";
        const QString buh = "Домашняя бухгалтерия 3.5\tПуть:" + domBuh + "unins000.exe";
        const QString firefox =
            "Mozilla Firefox (2.0.0.3)\tПуть:C:\\Program Files\\Mozilla Firefox\\uninstall\\helper.exe";
        QStringList expected{"Новые\t" + adobe,   "Старые\t" + zip,    "Старые\t" + realtek,
                             "Старые\t" + tetris, "Неизвестно\t" + cm, "Неизвестно\t" + winrar,
                             "Неизвестно\t" + wmf};
        for (const QString &entry : {zip, cm, buh, firefox, realtek, tetris, winrar, wmf, adobe})
            expected << "Весь список\t" + entry;
        QCOMPARE(lines(run.out), expected);
    }

    void appsCommands_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("keyGone"); // the Uninstall subkey the command removed
        QTest::newRow("delete") << "delete"
                                << "Tetris 3D 1.2" << 0 << "Раздел удален"
                                << "Tetris3D";
        QTest::newRow("delete a name no node shows")
            << "delete"
            << "Исправление для Windows XP (KB923561)" << 1 << "Ошибка"
            << "";
        QTest::newRow("delete an unknown name") << "delete"
                                                << "Tetris" << 1 << "Ошибка"
                                                << "";
        QTest::newRow("uninstall an unknown name") << "uninstall"
                                                   << "Tetris" << 1 << "UninstallString не найденно"
                                                   << "";
    }
    void appsCommands()
    {
        QFETCH(QString, verb);
        QFETCH(QString, name);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, keyGone);
        QTemporaryDir dir;
        const QString machine = sampleCopy(dir);
        const QByteArray before = test::readFile(machine + "/system.reg");
        const Run run = runCli(machine, {"apps", verb, name});
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, output + "\n");
        const QByteArray after = test::readFile(machine + "/system.reg");
        if (keyGone.isEmpty()) {
            QCOMPARE(after, before);
        } else {
            QVERIFY(before.contains("Uninstall\\\\" + keyGone.toUtf8() + "]"));
            QVERIFY(!after.contains("Uninstall\\\\" + keyGone.toUtf8() + "]"));
            QVERIFY(!runCli(machine, {"apps"}).out.contains(name));
        }
    }

    void uninstallOnTheSampleMachineCannotStart()
    {
        QTemporaryDir dir;
        const Run run = runCli(sampleCopy(dir), {"apps", "uninstall", "7-Zip 4.57"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.out.contains("C:\\Program Files\\7-Zip\\Uninstall.exe") && run.out.contains("Wine"),
                 qPrintable(run.out));
    }

    // A 32-bit machine: exactly the rows of its six keys, and the load row only when asked.
    void startupList()
    {
        QTemporaryDir dir;
        const QString machine = sampleCopy(dir);
        const QStringList rows{
            "DomBuhReminder\t" + domBuh + "remind.exe /tray\tHKEY_LM\\Run",
            "RTHDCPL\tRTHDCPL.EXE\tHKEY_LM\\Run",
            "Tetris3DUpdate\tC:\\Program Files\\Games\\Tetris3D\\t3dupd.exe -silent\tHKEY_LM\\Run",
            "ctfmon.exe\tC:\\windows\\system32\\ctfmon.exe\tHKEY_CU\\Run",
            "Напоминание\t" + domBuh + "remind.exe\tHKEY_CU\\Run",
            "ctfmon.exe\tC:\\windows\\system32\\ctfmon.exe\tHKEY_Users\\Run",
            "DomBuhFirstRun\t\"" + domBuh + "dombuh.exe\" /firstrun\tHKEY_LM\\RunOnce"};
        Run run = runCli(machine, {"startup", "list"});
        QCOMPARE(run.status, 0);
        QCOMPARE(lines(run.out), rows);
        run = runCli(machine, {"startup", "list", "--with-load"});
        QCOMPARE(lines(run.out),
                 rows + QStringList{"load\tC:\\windows\\system32\\taskmgr.exe\tHKEY_CU\\load"});
    }

    void startupAddAndDelete()
    {
        QTemporaryDir dir;
        const QString machine = sampleCopy(dir);
        QCOMPARE(runCli(machine, {"startup", "add", "Тест", "C:\\Program Files\\t.exe"}).status, 0);
        QVERIFY(lines(runCli(machine, {"startup", "list"}).out)
                    .contains("Тест\tC:\\Program Files\\t.exe\tHKEY_CU\\Run"));

        QCOMPARE(runCli(machine, {"startup", "delete", "HKEY_CU\\Run", "Тест"}).status, 0);
        QVERIFY(!runCli(machine, {"startup", "list"}).out.contains("Тест"));
        const Run again = runCli(machine, {"startup", "delete", "HKEY_CU\\Run", "Тест"});
        QCOMPARE(again.status, 1);
        QVERIFY(!again.err.isEmpty());

        QCOMPARE(runCli(machine, {"startup", "delete", "HKEY_CU\\load", "load"}).status, 0);
        QVERIFY(!runCli(machine, {"startup", "list", "--with-load"}).out.contains("HKEY_CU\\load"));
        QVERIFY(test::readFile(machine + "/user.reg").contains("\"Spooler\"=\"yes\""));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("apps verb") << QStringList{"apps", "remove", "x"};
        QTest::newRow("apps without name") << QStringList{"apps", "delete"};
        QTest::newRow("startup without verb") << QStringList{"startup"};
        QTest::newRow("startup list option") << QStringList{"startup", "list", "--load"};
        QTest::newRow("startup add without path") << QStringList{"startup", "add", "x"};
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const Run run = runCli(sampleCopy(dir), args);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("tolvex-cli"));
    }
};

QTEST_GUILESS_MAIN(TestApplicationsCli)
#include "tst_applications_cli.moc"
