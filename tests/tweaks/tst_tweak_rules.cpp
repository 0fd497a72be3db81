// Load and write rules of the tweak rows, and the start-up defaults, without widgets.
#include "TestMachine.h"

#include "TweakCatalogue.h"
#include "registry/HiveRegistry.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::tweaks;
using registry::RegistryStore;

namespace {

const char *mm = "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Memory Management]\n";

struct Fixture
{
    QTemporaryDir dir;
    registry::HiveRegistry hives;
    Fixture(const QByteArray &system, const QByteArray &user = {})
    {
        test::writeMachine(dir.path(), system, user);
        hives.load(dir.path().toStdString());
        if (!hives.loadErrors().empty())
            qFatal("fixture: %s", hives.loadErrors().front().c_str());
    }
};

QString describe(const TweakControls &controls, const QString &control, bool field)
{
    return (field ? "text:" + controls.text(control) : QString(controls.checked(control) ? "checked" : "unchecked")) +
           (controls.enabled(control) ? "" : " greyed");
}

} // namespace

class TestTweakRules : public QObject
{
    Q_OBJECT

private slots:
    void loadRules_data()
    {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("expected"); // after loading: "checked", "unchecked greyed", "text:512", ...
        const QByteArray wl = "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Winlogon]\n";
        QTest::newRow("SfcDisable 0xFFFFFF9D") << wl + "\"SfcDisable\"=dword:ffffff9d\n" << QByteArray() << "DSFILEP" << "checked";
        QTest::newRow("SfcDisable 0") << wl + "\"SfcDisable\"=dword:00000000\n" << QByteArray() << "DSFILEP" << "unchecked";
        QTest::newRow("SfcDisable other") << wl + "\"SfcDisable\"=dword:ffffffff\n" << QByteArray() << "DSFILEP" << "unchecked";
        QTest::newRow("SfcDisable absent greys") << wl << QByteArray() << "DSFILEP" << "unchecked greyed";
        QTest::newRow("SfcDisable as text greys") << wl + "\"SfcDisable\"=\"1\"\n" << QByteArray() << "DSFILEP" << "unchecked greyed";

        const QByteArray ae = "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\AeDebug]\n";
        QTest::newRow("Auto absent: differs from 1") << ae + "\"Debugger\"=\"x\"\n" << QByteArray() << "DWATSON" << "checked";
        QTest::newRow("Auto key absent") << QByteArray() << QByteArray() << "DWATSON" << "checked";
        QTest::newRow("Auto 1") << ae + "\"Auto\"=\"1\"\n" << QByteArray() << "DWATSON" << "unchecked";
        QTest::newRow("Auto 0") << ae + "\"Auto\"=\"0\"\n" << QByteArray() << "DWATSON" << "checked";
        QTest::newRow("Auto as DWORD greys") << ae + "\"Auto\"=dword:00000001\n" << QByteArray() << "DWATSON" << "unchecked greyed";

        const QByteArray er = "\n[Software\\\\Microsoft\\\\PCHealth\\\\ErrorReporting]\n";
        QTest::newRow("DoReport 1, ShowUI 1") << er + "\"DoReport\"=dword:00000001\n\"ShowUI\"=dword:00000001\n"
                                              << QByteArray() << "DONTSENDINMIC" << "unchecked";
        QTest::newRow("DoReport 1, ShowUI 0") << er + "\"DoReport\"=dword:00000001\n\"ShowUI\"=dword:00000000\n"
                                              << QByteArray() << "DONTSENDINMIC" << "checked";
        QTest::newRow("DoReport 0: ShowUI not read") << er + "\"DoReport\"=dword:00000000\n" << QByteArray()
                                                     << "DONTSENDINMIC" << "checked";
        QTest::newRow("DoReport 1, ShowUI absent greys") << er + "\"DoReport\"=dword:00000001\n" << QByteArray()
                                                         << "DONTSENDINMIC" << "unchecked greyed";

        const QByteArray wow = "\n[System\\\\CurrentControlSet\\\\Control\\\\WOW]\n";
        QTest::newRow("text equals yes") << wow + "\"DefaultSeparateVDM\"=\"yes\"\n" << QByteArray() << "RUN16bitOTD" << "checked";
        QTest::newRow("text compares case") << wow + "\"DefaultSeparateVDM\"=\"Yes\"\n" << QByteArray() << "RUN16bitOTD" << "unchecked";
        QTest::newRow("text absent is empty") << wow << QByteArray() << "RUN16bitOTD" << "unchecked";
        QTest::newRow("expandable text counts as text") << wow + "\"DefaultSeparateVDM\"=str(2):\"yes\"\n" << QByteArray()
                                                        << "RUN16bitOTD" << "checked";

        QTest::newRow("HKCU DWORD 1") << QByteArray() << QByteArray("\n[Console]\n\"QuickEdit\"=dword:00000001\n")
                                      << "QUICKEDITCOMANDROW" << "checked";
        QTest::newRow("HKCU DWORD 2") << QByteArray() << QByteArray("\n[Console]\n\"QuickEdit\"=dword:00000002\n")
                                      << "QUICKEDITCOMANDROW" << "unchecked";

        QTest::newRow("cache size shown") << "\n" + QByteArray(mm) + "\"SecondLevelDataCache\"=dword:00000200\n"
                                          << QByteArray() << "SETTCACHE2LEVEL" << "text:512";
        QTest::newRow("cache size absent greys the field") << "\n" + QByteArray(mm) << QByteArray()
                                                           << "SETTCACHE2LEVEL" << "text:0 greyed";
        QTest::newRow("cache size as text greys the field")
            << "\n" + QByteArray(mm) + "\"SecondLevelDataCache\"=\"512\"\n" << QByteArray() << "SETTCACHE2LEVEL"
            << "text:0 greyed";
        QTest::newRow("disk cache non-zero") << "\n" + QByteArray(mm) + "\"IOPageLockLimit\"=dword:00001000\n"
                                             << QByteArray() << "SETCACHEDISC" << "checked";
        QTest::newRow("disk cache zero") << "\n" + QByteArray(mm) + "\"IOPageLockLimit\"=dword:00000000\n"
                                         << QByteArray() << "SETCACHEDISC" << "unchecked";
        QTest::newRow("disk cache absent keeps the box") << "\n" + QByteArray(mm) << QByteArray() << "SETCACHEDISC"
                                                         << "unchecked";
        QTest::newRow("disk cache absent greys the field") << "\n" + QByteArray(mm) << QByteArray() << "CACHEDISC"
                                                           << "text:0 greyed";
        QTest::newRow("disk cache field") << "\n" + QByteArray(mm) + "\"IOPageLockLimit\"=dword:00001000\n"
                                          << QByteArray() << "CACHEDISC" << "text:4096";
        QTest::newRow("through the CurrentControlSet link")
            << QByteArray("\n[System\\\\ControlSet001\\\\Control\\\\FileSystem]\n\"NtfsDisableLastAccessUpdate\"=dword:00000001\n"
                          "\n[System\\\\CurrentControlSet]\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,"
                          "73,00,74,00,72,00,79,00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,"
                          "74,00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,74,00,30,00,30,00,31,00\n")
            << QByteArray() << "NOWRITELASTNTFS" << "checked";
    }

    void loadRules()
    {
        QFETCH(QByteArray, system);
        QFETCH(QByteArray, user);
        QFETCH(QString, control);
        QFETCH(QString, expected);
        Fixture f(system, user);
        const QByteArray before = test::readFile(f.dir.path() + "/system.reg");
        ControlStateMap controls;
        for (const TweakEntry &row : systemSettingsPage().rows)
            controls.add(row);
        RegistryStore store(f.hives);
        loadPages(xpPages(), xpLoadOrder(), store, controls);
        const TweakEntry *row = findRow(xpPages(), control);
        const bool field = !row || row->controlType == ControlType::Field;
        QCOMPARE(describe(controls, control, field), expected);
        QVERIFY(f.hives.flush().empty());
        QCOMPARE(test::readFile(f.dir.path() + "/system.reg"), before); // loading never writes
    }

    void writeRules_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("fieldText");
        QTest::addColumn<QString>("expected"); // what the hive file then holds, or the error
        QTest::newRow("DWORD checked") << "NOWRITELASTNTFS" << true << "" << "\"NtfsDisableLastAccessUpdate\"=dword:00000001";
        QTest::newRow("DWORD unchecked") << "NOWRITELASTNTFS" << false << "" << "\"NtfsDisableLastAccessUpdate\"=dword:00000000";
        QTest::newRow("SfcDisable checked") << "DSFILEP" << true << "" << "\"SfcDisable\"=dword:ffffff9d";
        QTest::newRow("text checked") << "DWATSON" << true << "" << "\"Auto\"=\"0\"";
        QTest::newRow("text unchecked") << "DWATSON" << false << "" << "\"Auto\"=\"1\"";
        QTest::newRow("two values checked") << "DONTSENDINMIC" << true << "" << "\"DoReport\"=dword:00000000\n\"ShowUI\"=dword:00000000";
        QTest::newRow("two values unchecked") << "DONTSENDINMIC" << false << "" << "\"DoReport\"=dword:00000001\n\"ShowUI\"=dword:00000001";
        QTest::newRow("number field") << "SETTCACHE2LEVEL" << false << "1024" << "\"SecondLevelDataCache\"=dword:00000400";
        QTest::newRow("number field, negative") << "SETTCACHE2LEVEL" << false << "-1" << "\"SecondLevelDataCache\"=dword:ffffffff";
        QTest::newRow("number field with letters") << "SETTCACHE2LEVEL" << false << "12AB"
                                                   << "error:Не удается получить доступ к \"SecondLevelDataCache\"";
        QTest::newRow("number field empty") << "SETTCACHE2LEVEL" << false << ""
                                            << "error:Не удается получить доступ к \"SecondLevelDataCache\"";
        QTest::newRow("disk cache checked") << "SETCACHEDISC" << true << "4096" << "\"IOPageLockLimit\"=dword:00001000";
        QTest::newRow("disk cache unchecked writes 0 whatever the field says") << "SETCACHEDISC" << false << "ABC"
                                                                               << "\"IOPageLockLimit\"=dword:00000000";
        QTest::newRow("disk cache letters") << "SETCACHEDISC" << true << "ABC"
                                            << "error:Не удается получить доступ к \"IOPageLockLimit\"";
    }

    void writeRules()
    {
        QFETCH(QString, control);
        QFETCH(bool, on);
        QFETCH(QString, fieldText);
        QFETCH(QString, expected);
        Fixture f({});
        const TweakEntry *row = findRow(xpPages(), control);
        QVERIFY(row);
        ControlStateMap controls;
        controls.add(*row);
        controls.setChecked(control, on);
        controls.setText(*row->field ? QString(row->field) : control, fieldText);
        RegistryStore store(f.hives);
        const QStringList errors = TweakEngine::applyRow(*row, store, controls);
        QVERIFY(f.hives.flush().empty());
        if (expected.startsWith("error:")) {
            QCOMPARE(errors, QStringList{expected.mid(6)});
        } else {
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join(',')));
            const QByteArray hive = test::readFile(f.dir.path() + (row->root == Root::CurrentUser ? "/user.reg" : "/system.reg"));
            QVERIFY2(hive.contains(expected.toUtf8() + "\n"), hive.constData());
        }
    }

    void hintTexts()
    {
        const HintTexts sfc = TweakEngine::hint(*findRow(xpPages(), "DSFILEP"));
        QCOMPARE(sfc.branch, QString("Ветка:HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"));
        QCOMPARE(sfc.key, QString("Ключ:SfcDisable"));
        QCOMPARE(sfc.tooltip, sfc.branch + "  Ключ:SfcDisable");
        QCOMPARE(TweakEngine::hint(*findRow(xpPages(), "DONTSENDINMIC")).key, QString("Ключ:DoReport,ShowUI"));
        QCOMPARE(TweakEngine::hint(*findRow(xpPages(), "SETCACHEDISC")).key, QString("Ключ:IOPageLockLimit"));
        QCOMPARE(TweakEngine::hint(*findRow(xpPages(), "QUICKEDITCOMANDROW")).branch,
                 QString("Ветка:HKEY_CURRENT_USER\\Console"));
    }

    void createKeys_data()
    {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("expected"); // a line the user hive then holds
        const QByteArray adv = "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Advanced]\n";
        QTest::newRow("EnableBalloonTips absent") << adv + "\"Other\"=dword:00000000\n" << "\"EnableBalloonTips\"=dword:00000001";
        QTest::newRow("EnableBalloonTips as text") << adv + "\"EnableBalloonTips\"=\"0\"\n" << "\"EnableBalloonTips\"=dword:00000001";
        QTest::newRow("EnableBalloonTips kept") << adv + "\"EnableBalloonTips\"=dword:00000000\n" << "\"EnableBalloonTips\"=dword:00000000";
        QTest::newRow("key made where the row says create") << QByteArray() << "\"NoDispScrSavPage\"=dword:00000000";
        const QByteArray pe = "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\Explorer]\n";
        QTest::newRow("MenuShowDelay text kept") << pe + "\"MenuShowDelay\"=\"400\"\n" << "\"MenuShowDelay\"=\"400\"";
        QTest::newRow("MenuShowDelay of another kind replaced") << pe + "\"MenuShowDelay\"=dword:00000190\n" << "\"MenuShowDelay\"=\"0\"";
        QTest::newRow("MenuShowDelay absent stays absent") << pe << "!MenuShowDelay";
    }

    void createKeys()
    {
        QFETCH(QByteArray, user);
        QFETCH(QString, expected);
        const QByteArray lanman = "\n[System\\\\CurrentControlSet\\\\Services\\\\LanmanServer\\\\Parameters]\n\"AutoShareWks\"=dword:00000001\n";
        Fixture f(lanman, user);
        RegistryStore store(f.hives);
        QCOMPARE(CreateKeys(store), QStringList());
        QVERIFY(f.hives.flush().empty());
        const QByteArray hive = test::readFile(f.dir.path() + "/user.reg");
        if (expected.startsWith('!'))
            QVERIFY(!hive.contains(expected.mid(1).toUtf8()));
        else
            QVERIFY2(hive.contains(expected.toUtf8() + "\n"), hive.constData());
        // Either of the two shares unreadable: both written.
        const QByteArray system = test::readFile(f.dir.path() + "/system.reg");
        QVERIFY(system.contains("\"AutoShareServer\"=dword:00000000\n\"AutoShareWks\"=dword:00000000\n"));
        // Keys that are repaired only where they exist are not made.
        QVERIFY(!system.contains("Policies\\\\System"));
    }

    void createKeysOnAReadOnlyMachineReports()
    {
        Fixture f({});
        f.hives.setReadOnly(true);
        RegistryStore store(f.hives);
        const QStringList failures = CreateKeys(store);
        QVERIFY(failures.contains("Failed to set data for 'AlwaysUnloadDLL'"));
        QVERIFY(failures.contains("Failed to set data for 'NoDispAppearancePage'"));
        QCOMPARE(failures.size(), 9); // the nine rows whose keys are made
    }

    void sampleMachineLoadsWithoutWriting()
    {
        const QString sample = qEnvironmentVariable("TOLVEX_SOURCE_DIR") + "/share/machine";
        QTemporaryDir dir;
        QVERIFY(QProcess::execute("cp", {"-a", sample + "/.", dir.path()}) == 0);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        QVERIFY(hives.loadErrors().empty());
        RegistryStore store(hives);
        QCOMPARE(CreateKeys(store), QStringList());
        ControlStateMap controls;
        for (const TweakEntry &row : systemSettingsPage().rows)
            controls.add(row);
        loadPages(xpPages(), xpLoadOrder(), store, controls);
        // After the defaults every system row but the absent disk cache reads.
        for (const TweakEntry &row : systemSettingsPage().rows)
            QVERIFY2(controls.enabled(row.control), row.control);
        QVERIFY(!controls.enabled("CACHEDISC"));
        QCOMPARE(controls.text("SETTCACHE2LEVEL"), QString("512"));
    }
};

QTEST_GUILESS_MAIN(TestTweakRules)
#include "tst_tweak_rules.moc"
