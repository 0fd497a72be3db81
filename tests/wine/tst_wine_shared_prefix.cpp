// Tolvex and Wine on one real prefix: whatever Wine writes while Tolvex has the prefix open
// survives Tolvex's next save, and nothing is written while a wineserver holds the registry.
#include "CliRun.h"
#include "ProgramSession.h"
#include "TestMachine.h"
#include "WineTools.h"

#include "FindControl.h"

#include "Dialogs.h"
#include "TweakPages.h"
#include "registry/RegistryStore.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScopeGuard>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

using namespace tolvex;
using registry::RegistryStore;
using registry::Root;
using ui::Dialogs;

namespace {

const QString cli = qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli";

// Runs the lines as one batch file in the prefix, and waits until its server has saved and ended.
void runBatch(const QString &prefix, const QStringList &lines)
{
    test::writeFile(prefix + "/drive_c/tolvex-shared.bat", (lines.join("\r\n") + "\r\n").toLatin1());
    QCOMPARE(test::runWine(prefix, {"cmd", "/c", "C:\\tolvex-shared.bat"}).exitCode, 0);
    test::waitForWineServer(prefix);
}

// A tolvex-cli call that stops at its question, so that the test can act while it has the
// prefix loaded, then answers it.
struct AskingCli
{
    QProcess process;

    AskingCli(const QString &prefix, const QStringList &args)
    {
        process.start(cli, QStringList{"--machine", prefix} + args);
    }
    bool waitForQuestion()
    {
        QByteArray out;
        while (!out.contains("(Yes/No)?")) {
            if (!process.waitForReadyRead(30000))
                return false;
            out += process.readAllStandardOutput();
        }
        return true;
    }
    test::Run answer(const QByteArray &line)
    {
        process.write(line);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

struct HiveBytes
{
    QByteArray system, user, userdef;
    static HiveBytes of(const QString &prefix)
    {
        return {test::readFile(prefix + "/system.reg"), test::readFile(prefix + "/user.reg"),
                test::readFile(prefix + "/userdef.reg")};
    }
    bool operator==(const HiveBytes &) const = default;
};

QStringList leftTemporaries(const QString &folder)
{
    return QDir(folder).entryList({"*.reg.*"}, QDir::Files | QDir::Hidden);
}

void startServer(const QString &prefix)
{
    // It forks into the background and holds the prefix until killed.
    QCOMPARE(test::runProgram("wineserver", {"-p60"}, prefix).exitCode, 0);
}

void stopServer(const QString &prefix)
{
    test::runProgram("wineserver", {"-k"}, prefix);
    test::waitForWineServer(prefix);
}

} // namespace

class TestWineSharedPrefix : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makeCopy(const QString &name)
    {
        const QString prefix = m_dir.path() + "/" + name;
        if (!test::copyPrefix(prefix))
            qFatal("could not copy the fresh prefix");
        return prefix;
    }

private slots:
    // The case that lost a user's value: Tolvex asks, Wine writes meanwhile, Tolvex writes.
    void wineWritesWhileTolvexAsks()
    {
        const QString prefix = makeCopy("asks");
        runBatch(prefix, {"reg add HKCU\\Software\\Shared /v Help /d old /f",
                          "reg add HKCU\\Software\\Shared\\Doomed /v Inside /d 1 /f"});

        AskingCli tolvex(prefix, {"reg", "add", "HKCU\\Software\\Shared", "/v", "Help", "/d", "tolvex"});
        QVERIFY(tolvex.waitForQuestion());
        runBatch(prefix, {"reg add HKCU\\Software\\Shared /v Other /d 1 /f",
                          "reg add HKCU\\Software\\Shared /v Help /d wine /f",
                          "reg delete HKCU\\Software\\Shared\\Doomed /f"});
        const test::Run run = tolvex.answer("y\n");
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("The operation completed successfully."), qPrintable(run.out + run.err));

        const QString exported = test::exportKey(prefix, "HKEY_CURRENT_USER\\Software\\Shared");
        QVERIFY2(exported.contains("\"Other\"=\"1\""), qPrintable(exported));
        // Both changed Help: Tolvex's write is the later one.
        QVERIFY2(exported.contains("\"Help\"=\"tolvex\""), qPrintable(exported));
        QVERIFY2(!exported.contains("Doomed"), qPrintable(exported));
    }

    // Changes made in memory before Wine wrote the files are made again on top of what it wrote,
    // in their order, in both hives.
    void changesMadeAgainOverWhatWineWrote()
    {
        const QString prefix = makeCopy("replay");
        runBatch(prefix, {"reg add HKCU\\Software\\Replay\\Old /v Gone /d x /f",
                          "reg add HKCU\\Software\\Replay /v Dropped /d x /f",
                          "reg add HKLM\\Software\\Replay /v Kept /d machine /f"});
        test::ProgramSession session(prefix, m_dir.path() + "/program-replay");
        QVERIFY(!session.machine->readOnly());
        {
            RegistryStore store(session.machine->registry());
            store.SelectRoot(Root::CurrentUser);
            QVERIFY(store.OpenPath("\\Software\\Replay", true));
            store.SetText("Mine", "tolvex");
            store.SetDword("Number", 7);
            QVERIFY(store.RemoveValue("Dropped"));
            QVERIFY(store.RemoveKey("Old"));
            store.MakeKey("Made\\Deeper");
            store.SetText("Mine", "tolvex-second"); // the later of two writes stays
            store.ClosePath();
            store.SelectRoot(Root::LocalMachine);
            QVERIFY(store.OpenPath("\\Software\\Replay", true));
            store.SetText("FromTolvex", "yes");
            store.ClosePath();
        }
        runBatch(prefix, {"reg add HKCU\\Software\\Replay /v FromWine /d 1 /f",
                          "reg add HKCU\\Software\\Replay\\Old /v Again /d wine /f",
                          "reg add HKLM\\Software\\Replay /v AlsoWine /d 2 /f",
                          "reg delete HKLM\\Software\\Replay /v Kept /f"});
        QCOMPARE(session.machine->saveRegistry(), QStringList());
        QVERIFY(leftTemporaries(prefix).isEmpty());

        const QString user = test::exportKey(prefix, "HKEY_CURRENT_USER\\Software\\Replay");
        for (const char *line : {"\"FromWine\"=\"1\"", "\"Mine\"=\"tolvex-second\"", "\"Number\"=dword:00000007",
                                 "[HKEY_CURRENT_USER\\Software\\Replay\\Made\\Deeper]"})
            QVERIFY2(user.contains(line), qPrintable(line + QString("\n") + user));
        QVERIFY2(!user.contains("Dropped") && !user.contains("Replay\\Old"), qPrintable(user));
        const QString machine = test::exportKey(prefix, "HKEY_LOCAL_MACHINE\\Software\\Replay");
        QVERIFY2(machine.contains("\"AlsoWine\"=\"2\"") && machine.contains("\"FromTolvex\"=\"yes\"") &&
                     !machine.contains("Kept"),
                 qPrintable(machine));

        // What Wine wrote is now what Tolvex reads too.
        RegistryStore store(session.machine->registry());
        QVERIFY(store.OpenPathForReading("\\Software\\Replay"));
        QCOMPARE(store.GetText("FromWine"), std::string("1"));
    }

    // A server that starts after Tolvex opened the prefix: nothing is written while it runs, the
    // user is told why, and once it has ended the same process writes again.
    void serverStartedAfterTolvexOpened()
    {
        const QString prefix = makeCopy("server");
        runBatch(prefix, {"reg add HKCU\\Software\\Held /v Help /d old /f"});
        const HiveBytes before = HiveBytes::of(prefix);

        {
            AskingCli asking(prefix, {"reg", "add", "HKCU\\Software\\Held", "/v", "Help", "/d", "new"});
            QVERIFY(asking.waitForQuestion());
            startServer(prefix);
            const test::Run run = asking.answer("y\n");
            QCOMPARE(run.status, 1);
            QVERIFY2(!run.out.contains("successfully"), qPrintable(run.out));
            QVERIFY2(run.err.contains("wineserver") && run.err.contains("только для чтения"), qPrintable(run.err));
            QVERIFY(HiveBytes::of(prefix) == before);
            stopServer(prefix);
        }

        test::ProgramSession session(prefix, m_dir.path() + "/program-server");
        QVERIFY(!session.machine->readOnly());
        RegistryStore store(session.machine->registry());
        QVERIFY(store.OpenPath("\\Software\\Held", false));
        store.SetText("Unsaved", "made before the server started");
        startServer(prefix);
        QVERIFY(session.machine->heldByWine());
        QVERIFY(session.machine->readOnly());
        QVERIFY_THROWS_EXCEPTION(registry::RegistryError, store.SetText("Help", "refused"));
        // The change made before the server came up is not written either, and is dropped: the
        // user was told that it failed.
        const QStringList refused = session.machine->saveRegistry();
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused[0].contains("wineserver"), qPrintable(refused[0]));
        QVERIFY(!store.HasValue("Unsaved"));
        QVERIFY(HiveBytes::of(prefix) == before);

        stopServer(prefix);
        QVERIFY(!session.machine->heldByWine());
        QVERIFY(!session.machine->readOnly());
        store.SetText("Help", "after the server");
        QCOMPARE(session.machine->saveRegistry(), QStringList());
        const QString exported = test::exportKey(prefix, "HKEY_CURRENT_USER\\Software\\Held");
        QVERIFY2(exported.contains("\"Help\"=\"after the server\"") && !exported.contains("Unsaved"),
                 qPrintable(exported));
    }

    // A disk with no room left: the save fails, says so in Russian, leaves the old hive whole and
    // no temporary file, and success is never reported.
    void fullDisk()
    {
        QTemporaryDir mountPoint;
        if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0, "size=8m") != 0)
            QSKIP("this machine does not let the test mount a tmpfs");
        const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(mountPoint.path()).constData(), MNT_DETACH); });
        const QString prefix = mountPoint.path() + "/prefix";
        QVERIFY(QDir().mkpath(prefix + "/dosdevices"));
        QVERIFY(QDir().mkpath(prefix + "/drive_c"));
        QVERIFY(QFile::link("../drive_c", prefix + "/dosdevices/c:"));
        for (const char *hive : {"/system.reg", "/user.reg", "/userdef.reg"})
            QVERIFY(QFile::copy(test::freshPrefix() + hive, prefix + hive));
        // Fill it to the brim.
        {
            QFile filler(mountPoint.path() + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            filler.close();
        }
        const HiveBytes before = HiveBytes::of(prefix);

        const test::Run run = test::cli(prefix, {"reg", "add", "HKCU\\Software\\Full", "/v", "Value", "/d",
                                                 QString(4096, 'v'), "/f"});
        QCOMPARE(run.status, 1);
        QVERIFY2(!run.out.contains("successfully"), qPrintable(run.out));
        QVERIFY2(run.err.contains("нет места") && run.err.contains("user.reg"), qPrintable(run.err));
        QVERIFY2(!run.err.contains("No space"), qPrintable(run.err));
        QVERIFY(HiveBytes::of(prefix) == before);
        QCOMPARE(leftTemporaries(prefix), QStringList());

        // The same through a tweak page: its OK says why nothing was saved, and stays enabled.
        test::ProgramSession session(prefix, m_dir.path() + "/program-full");
        QVERIFY(session.machine->vistaGeneration());
        Dialogs::startRecording();
        const auto stopRecording = qScopeGuard([] { Dialogs::stopRecording(); });
        tweaks::TweakPages pages(*session.context, nullptr);
        pages.VLoadRegedit();
        pages.SCancelSystemSett();
        QWidget *taskbar = pages.page("sTabSheet18");
        test::find<QCheckBox>(taskbar, "VFStart")->click();
        auto *ok = test::find<QPushButton>(taskbar, "vPZOK");
        QVERIFY(ok->isEnabled());
        Dialogs::takeRecorded();
        ok->click();
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QString("Tolvex"));
        QVERIFY2(shown[0].text.contains("нет места") && shown[0].text.contains("user.reg"),
                 qPrintable(shown[0].text));
        QVERIFY(ok->isEnabled());
        QVERIFY(HiveBytes::of(prefix) == before);
        QCOMPARE(leftTemporaries(prefix), QStringList());

        // Room again: the next save writes what the page set.
        QVERIFY(QFile::remove(mountPoint.path() + "/filler"));
        ok->click();
        QCOMPARE(Dialogs::takeRecorded().size(), 0);
        QVERIFY(test::readFile(prefix + "/user.reg") != before.user);
    }
};

QTEST_MAIN(TestWineSharedPrefix)
#include "tst_wine_shared_prefix.moc"
