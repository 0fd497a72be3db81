// tolvex-cli clean and find, as a script would use them, on copies of the sample machine.
#include "CliRun.h"
#include "TestMachine.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using test::cli;
using test::Run;

namespace {

QString sampleCopy(const QTemporaryDir &dir)
{
    const QString machine = dir.path() + "/machine";
    if (QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/machine", machine}) != 0)
        qFatal("cannot copy the sample machine");
    return machine;
}

const QString profile = "C:\\Documents and Settings\\user\\";

} // namespace

class TestCleaningCli : public QObject
{
    Q_OBJECT

private slots:
    void cleanPrintsThenDeletes()
    {
        QTemporaryDir dir;
        const QString machine = sampleCopy(dir);
        const Run analysis = cli(machine, {"clean"});
        QCOMPARE(analysis.status, 0);
        QStringList lines = analysis.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(0, 3), QStringList({"Статус: Очистка не требуется", "Internet Explorer: 4", "Система: 7"}));
        QStringList names = lines.mid(3);
        names.sort();
        QStringList expected{"C:\\windows\\Prefetch\\FIREFOX.EXE-28641590.pf",
                             "C:\\windows\\Prefetch\\NOTEPAD.EXE-336351A9.pf",
                             profile + "Local Settings\\Temp\\7zS2A4B",
                             profile + "Local Settings\\Temp\\install.log",
                             profile + "Local Settings\\Temp\\tmp1F.tmp",
                             profile + "Local Settings\\Temp\\~DFA3C1.tmp"};
        expected.sort();
        QCOMPARE(names, expected);
        const QString temp = machine + "/drive_c/Documents and Settings/user/Local Settings/Temp";
        QVERIFY(QFile::exists(temp + "/install.log")); // analysing deletes nothing

        QCOMPARE(cli(machine, {"clean", "--delete"}).status, 0);
        QCOMPARE(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(QDir(machine + "/drive_c/windows/Prefetch").isEmpty());
        const Run after = cli(machine, {"clean"});
        QVERIFY2(after.out.startsWith("Статус: Очистка не требуется\nInternet Explorer: 0\nСистема: 0\n"), qPrintable(after.out));
        QVERIFY(QFile::exists(machine + "/drive_c/windows/notepad.exe"));
    }

    void findPrintsPathsAndSizes()
    {
        QTemporaryDir dir;
        const QString machine = sampleCopy(dir);
        test::writeFile(machine + "/drive_c/Data/big.tmp", QByteArray(5000, 'x'));
        test::writeFile(machine + "/drive_c/Data/keep/a.tmp", "x");
        test::writeFile(machine + "/drive_c/Data/note.txt", "x");
        Run run = cli(machine, {"find", "--filter", "*.tmp", "--exclude", "\\keep\\", "C:\\Data"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QString("C:\\Data\\big.tmp\t5000\n"));

        run = cli(machine, {"find", "--filter", "*.tmp", "--filter", "*.txt", "--delete", "C:\\Data\\"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.split('\n', Qt::SkipEmptyParts).size(), 3);
        QVERIFY(!QFile::exists(machine + "/drive_c/Data/big.tmp"));
        QVERIFY(!QFile::exists(machine + "/drive_c/Data/keep/a.tmp"));
        QVERIFY(QDir(machine + "/drive_c/Data/keep").exists()); // folders stay

        run = cli(machine, {"find", "--filter", "*.tmp", "Data"});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains("C:\\"));
    }
};

QTEST_GUILESS_MAIN(TestCleaningCli)
#include "tst_cleaning_cli.moc"
