// Cleaning on a real Wine prefix: the drives a search starts with, and the temporary folder.
#include "ProgramSession.h"
#include "TestMachine.h"
#include "WineTools.h"

#include "BasicCleaning.h"
#include "ProSettings.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

class TestWineCleaning : public QObject
{
    Q_OBJECT

private slots:
    // Z: is the host's root: a shared folder, never searched from the start.
    void startupSearchPaths()
    {
        QTemporaryDir program;
        test::ProgramSession session(test::freshPrefix(), program.path());
        QCOMPARE(session.shell->driveType("C:\\"), 3);
        QCOMPARE(session.shell->driveType("Z:\\"), 4);
        advanced_cleaning::ProSettings settings;
        settings.GetDrives(*session.shell);
        QCOMPARE(settings.tickedPaths(), QStringList{"C:\\"});
    }

    void temporaryFolder()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(QProcess::execute("cp", {"-a", test::freshPrefix(), prefix}) == 0);
        test::ProgramSession session(prefix, dir.path() + "/program");
        cleaning::BasicCleaning cleaning(*session.shell);
        const QString temp = cleaning.GetSystemPath(35);
        QVERIFY2(temp.startsWith("C:\\users\\", Qt::CaseInsensitive) && temp.endsWith("\\Temp\\"), qPrintable(temp));
        const QString host = session.shell->hostPath(temp);
        QVERIFY(QDir().mkpath(host));
        test::writeFile(host + "/junk.tmp", "x");
        test::writeFile(host + "/setup/part.tmp", "x");
        cleaning.Scan(false, true);
        cleaning.waitUntilIdle();
        QVERIFY(cleaning.collected().contains(temp + "junk.tmp"));
        cleaning.Clear(false, true);
        QVERIFY(!QFile::exists(host + "/junk.tmp"));
        QVERIFY(!QFile::exists(host + "/setup"));
    }
};

QTEST_GUILESS_MAIN(TestWineCleaning)
#include "tst_wine_cleaning.moc"
