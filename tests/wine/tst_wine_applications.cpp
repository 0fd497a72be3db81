// Installed applications and startup entries on a real 64-bit Wine prefix: what Wine's reg makes
// in both registry views is listed, what Tolvex deletes is gone as Wine reads it, and an
// uninstaller's command line reaches Wine unchanged, never a host shell.
#include "ProgramSession.h"
#include "TestMachine.h"
#include "WineTools.h"

#include "ApplicationsPage.h"
#include "Dialogs.h"
#include "InstalledApplications.h"
#include "StartupManager.h"
#include "registry/RegistryStore.h"
#include "shell/Clock.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::applications;

namespace {

class FixedClock : public platform::Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2008, 1, 20), QTime(12, 0)); }
};

const QString uninstall = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const QString run = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const QString runOnce = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const QString userRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Runs the lines as one batch file in the prefix: one Wine start for all of them.
void runBatch(const QString &prefix, const QStringList &lines)
{
    test::writeFile(prefix + "/drive_c/tolvex-test.bat", (lines.join("\r\n") + "\r\n").toLatin1());
    QCOMPARE(test::runWine(prefix, {"cmd", "/c", "C:\\tolvex-test.bat"}).exitCode, 0);
    test::waitForWineServer(prefix);
}

QStringList tree(const ApplicationTree &t)
{
    QStringList lines;
    for (int i = 0; i < CategoryCount; ++i)
        for (const UninstallEntry &e : t.categories[size_t(i)])
            lines << categoryText(Category(i)) + "|" + e.displayName + "|" + e.keyPath;
    return lines;
}

QStringList grid(const QList<StartupRow> &rows)
{
    QStringList lines;
    for (const StartupRow &r : rows)
        lines << r.name + "|" + r.command + "|" + r.label;
    return lines;
}

} // namespace

class TestWineApplications : public QObject
{
    Q_OBJECT

    FixedClock m_clock;

private slots:
    void initTestCase() { platform::Clock::setInstance(&m_clock); }
    void cleanupTestCase() { platform::Clock::setInstance(nullptr); }

    void bothViewsListedAndDeleted()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(test::copyPrefix(prefix));
        runBatch(
            prefix,
            {"reg add \"" + uninstall + "\\TolvexTest64\" /v DisplayName /d \"Tolvex Test 64\" /f",
             "reg add \"" + uninstall + "\\TolvexTest64\" /v UninstallString /d \"C:\\t64\\uninst.exe\" /f",
             "reg add \"" + uninstall + "\\TolvexTest64\" /v InstallDate /d 20080115 /f",
             "reg add \"" + uninstall + "\\TolvexTest32\" /v DisplayName /d \"Tolvex Test 32\" /f /reg:32",
             "reg add \"" + uninstall +
                 "\\TolvexTest32\" /v UninstallString /d \"C:\\t32\\uninst.exe\" /f /reg:32",
             "reg add \"" + run + "\" /v Run64 /d \"C:\\run64.exe\" /f",
             "reg add \"" + run + "\" /v Run32 /d \"C:\\run32.exe /tray\" /f /reg:32",
             "reg add \"" + runOnce + "\" /v Once32 /d \"C:\\once32.exe\" /f /reg:32",
             "reg add \"" + userRun + "\" /v User /d \"C:\\user.exe\" /f"});

        const QString markers = dir.path() + "/markers";
        QVERIFY(QDir().mkpath(markers));
        {
            test::ProgramSession session(prefix, dir.path());
            QVERIFY(session.machine->isWinePrefix());
            QVERIFY(!session.machine->readOnly());
            registry::RegistryStore store(session.machine->registry());
            store.SelectRoot(registry::Root::LocalMachine);
            QVERIFY(store.HasKey("\\SOFTWARE\\Wow6432Node"));

            InstalledApplications apps(session.machine->registry(), *session.shell);
            QCOMPARE(
                tree(apps.BuildApplicationTree()),
                QStringList({"Новые|Tolvex Test 64|" + QString(UninstallKey) + "\\TolvexTest64",
                             "Неизвестно|Tolvex Test 32|" + QString(Uninstall32Key) + "\\TolvexTest32",
                             "Весь список|Tolvex Test 64|" + QString(UninstallKey) + "\\TolvexTest64",
                             "Весь список|Tolvex Test 32|" + QString(Uninstall32Key) + "\\TolvexTest32"}));
            StartupManager startup(session.machine->registry(), *session.shell);
            QCOMPARE(grid(startup.FormPaint()),
                     QStringList(
                         {"Run64|C:\\run64.exe|HKEY_LM\\Run", "Run32|C:\\run32.exe /tray|HKEY_LM\\Run (32)",
                          "User|C:\\user.exe|HKEY_CU\\Run", "Once32|C:\\once32.exe|HKEY_LM\\RunOnce (32)"}));

            QVERIFY(apps.DeleteEntry(apps.FindSelectedEntryKey(QString("Tolvex Test 32"))).ok);
            QVERIFY(apps.DeleteEntry(apps.FindSelectedEntryKey(QString("Tolvex Test 64"))).ok);
            QVERIFY(startup.DeleteRow({"Run32", {}, "HKEY_LM\\Run (32)"}));
            QVERIFY(startup.DeleteRow({"Once32", {}, "HKEY_LM\\RunOnce (32)"}));
            startup.Add("Added", "C:\\added.exe");

            // An uninstaller whose command line a host shell would turn into three new files.
            // Wine's cmd gets it as text: it writes it, metacharacters and all, to started.txt.
            const QString planted =
                "C:\\windows\\system32\\cmd.exe /c echo started>C:\\started.txt ; touch " + markers +
                "/semicolon $(touch " + markers + "/dollar) `touch " + markers + "/backquote`";
            store.ClosePath();
            QVERIFY(store.OpenPath("\\" + std::string(Uninstall32Key) + "\\Meta", true));
            store.SetText("DisplayName", "Meta");
            store.SetText("UninstallString", planted.toStdString());
            store.ClosePath();
            QVERIFY(session.context->finishCommand().isEmpty());

            apps.BuildApplicationTree();
            const std::optional<QString> key = apps.FindSelectedEntryKey(QString("Meta"));
            QCOMPARE(key, QString(Uninstall32Key) + "\\Meta");
            const Outcome started = apps.Uninstall(key);
            QVERIFY2(started.ok, qPrintable(started.message));
        }
        const QString startedFile = prefix + "/drive_c/started.txt";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(startedFile) && QFileInfo(startedFile).size() > 0, 60000);
        test::waitForWineServer(prefix);
        const QString echoed = QString::fromLatin1(test::readFile(startedFile));
        QVERIFY2(echoed.contains("; touch") && echoed.contains("$(touch") && echoed.contains("`touch"),
                 qPrintable(echoed));
        QCOMPARE(QDir(markers).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

        // Wine reads the registry Tolvex left.
        runBatch(prefix, {"reg query \"" + uninstall + "\" /s > C:\\after64.txt",
                          "reg query \"" + uninstall + "\" /s /reg:32 > C:\\after32.txt",
                          "reg query \"" + run + "\" >> C:\\after64.txt",
                          "reg query \"" + run + "\" /reg:32 >> C:\\after32.txt",
                          "reg query \"" + runOnce + "\" /reg:32 >> C:\\after32.txt",
                          "reg query \"" + userRun + "\" > C:\\user.txt"});
        const QString after64 = QString::fromLatin1(test::readFile(prefix + "/drive_c/after64.txt"));
        const QString after32 = QString::fromLatin1(test::readFile(prefix + "/drive_c/after32.txt"));
        const QString user = QString::fromLatin1(test::readFile(prefix + "/drive_c/user.txt"));
        QVERIFY2(after64.contains("Run64") && !after64.contains("TolvexTest"), qPrintable(after64));
        QVERIFY2(after32.contains("Uninstall\\Meta") && !after32.contains("TolvexTest") &&
                     !after32.contains("Run32") && !after32.contains("Once32"),
                 qPrintable(after32));
        QVERIFY2(user.contains("Added") && user.contains("C:\\added.exe") && user.contains("User"),
                 qPrintable(user));
    }

    // "Добавить" of a program that lies outside the prefix: Windows reaches it through Z:, and
    // that is the path Wine finds in Run.
    void addHostProgramThroughDriveZ()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(test::copyPrefix(prefix));
        const QString host = dir.path() + "/outside/tool.exe";
        test::writeFile(host, "MZ");
        QString windows = "Z:" + host;
        windows.replace('/', '\\');
        {
            test::ProgramSession session(prefix, dir.path() + "/program");
            ApplicationsPage page(*session.context);
            ui::Dialogs::startRecording();
            ui::Dialogs::queueText(host);
            ui::Dialogs::queueText(QString("Tool"));
            page.sButton23->click();
            const QList<ui::Dialogs::Shown> shown = ui::Dialogs::takeRecorded();
            ui::Dialogs::stopRecording();
            QCOMPARE(shown.size(), 2); // the chooser and the name, nothing else
        }
        runBatch(prefix, {"reg query \"" + userRun + "\" /v Tool > C:\\tool.txt"});
        const QString listed = QString::fromLatin1(test::readFile(prefix + "/drive_c/tool.txt"));
        QVERIFY2(listed.contains("Tool    REG_SZ    " + windows), qPrintable(listed));
    }
};

QTEST_MAIN(TestWineApplications)
#include "tst_wine_applications.moc"
