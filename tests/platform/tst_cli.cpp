// tolvex-cli as a script would use it.
#include "CliRun.h"
#include "TestMachine.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using test::cli;
using test::Run;

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void regCommands()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {});
        const QString m = dir.path();
        const QString done = "The operation completed successfully.\n";
        QCOMPARE(cli(m, {"reg", "add", "HKCU\\Software\\T\\A", "/v", "Имя", "/d", "Значение \"x\""}).out, done);
        QCOMPARE(cli(m, {"reg", "add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "0xFFFFFF9D"}).out, done);
        QCOMPARE(cli(m, {"reg", "add", "HKCU\\Software\\T", "/ve", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%"}).out, done);
        QCOMPARE(cli(m, {"reg", "query", "HKCU\\Software\\T"}).out,
                 QString("\nHKEY_CURRENT_USER\\Software\\T\n    (Default)    REG_EXPAND_SZ    %TEMP%\n"
                         "    N    REG_DWORD    0xffffff9d\n\nHKEY_CURRENT_USER\\Software\\T\\A\n"));
        QCOMPARE(cli(m, {"reg", "query", "HKEY_CURRENT_USER\\Software\\T", "/v", "N"}).out,
                 QString("\nHKEY_CURRENT_USER\\Software\\T\n    N    REG_DWORD    0xffffff9d\n\n"));
        QCOMPARE(cli(m, {"reg", "query", "hkcu\\software\\t", "/s"}).out,
                 QString("\nHKEY_CURRENT_USER\\software\\t\n    (Default)    REG_EXPAND_SZ    %TEMP%\n"
                         "    N    REG_DWORD    0xffffff9d\n\nHKEY_CURRENT_USER\\software\\t\\A\n"
                         "    Имя    REG_SZ    Значение \"x\"\n\n"));
        QVERIFY(test::readFile(m + "/user.reg").contains("\"N\"=dword:ffffff9d\n"));

        // An existing value asks before it is replaced; "no" keeps it.
        Run asked = cli(m, {"reg", "add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "1"}, "n\n");
        QCOMPARE(asked.status, 0);
        QVERIFY(asked.out.contains("overwrite(Yes/No)?") || asked.out.contains("overwrite (Yes/No)?"));
        QVERIFY(cli(m, {"reg", "query", "HKCU\\Software\\T", "/v", "N"}).out.contains("0xffffff9d"));

        QCOMPARE(cli(m, {"reg", "delete", "HKCU\\Software\\T", "/v", "N", "/f"}).out, done);
        Run gone = cli(m, {"reg", "query", "HKCU\\Software\\T", "/v", "N"});
        QCOMPARE(gone.status, 1);
        QCOMPARE(gone.err, QString("ERROR: The system was unable to find the specified registry key or value.\n"));
        QCOMPARE(cli(m, {"reg", "delete", "HKCU\\Software\\T", "/f"}).out, done);
        QCOMPARE(cli(m, {"reg", "query", "HKCU\\Software\\T"}).status, 1);
    }

    void badCalls_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown root") << QStringList{"reg", "query", "HKXX\\Software"} << "ERROR: Invalid key name.";
        QTest::newRow("unknown switch") << QStringList{"reg", "query", "HKCU\\Software", "/z"} << "ERROR: Invalid syntax.";
        QTest::newRow("bad dword") << QStringList{"reg", "add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/d", "12x"}
                                   << "ERROR: Invalid syntax.";
        QTest::newRow("dword too large") << QStringList{"reg", "add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"}
                                         << "ERROR: Invalid syntax.";
        QTest::newRow("unsupported type") << QStringList{"reg", "add", "HKCU\\S", "/v", "a", "/t", "REG_QWORD"}
                                          << "ERROR: Invalid syntax.";
        QTest::newRow("missing key") << QStringList{"reg", "delete", "HKCU\\NoSuch", "/f"}
                                     << "ERROR: The system was unable to find the specified registry key or value.";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "Неизвестная команда: frobnicate";
    }

    void badCalls()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {});
        const QByteArray before = test::readFile(dir.path() + "/user.reg");
        const Run run = cli(dir.path(), args);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(error), qPrintable(run.err));
        QCOMPARE(test::readFile(dir.path() + "/user.reg"), before);
    }

    void machineOfTheSample()
    {
        const Run run = cli(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/machine", {"machine"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("generation: XP\nbuild: 2600\nread-only: no\n"), qPrintable(run.out));
        QVERIFY(run.out.contains("drive: C:\t3\t"));
        QVERIFY(!run.out.contains("drive: Z:"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
