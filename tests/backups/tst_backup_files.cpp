// Tweak backup files: names, layout and encoding, and restoring them into the registry.
#include "FixedClock.h"
#include "TestMachine.h"

#include "BackupFiles.h"
#include "TweakBackups.h"
#include "TweakEngine.h"
#include "ini/IniFile.h"
#include "machine/Machine.h"
#include "shell/Clock.h"
#include "shell/MachineShellServices.h"
#include "text/PathParts.h"
#include "text/TextCodec.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::backups;
using registry::RegistryStore;

namespace {

using test::FixedClock;

// A machine with every XP backup value present, and a program folder with Backups.
struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<platform::MachineShellServices> shell;
    std::unique_ptr<platform::ProgramContext> context;
    FixedClock clock;

    explicit Fixture(bool withBackupsFolder = true)
    {
        test::writeMachine(dir.path() + "/machine", {});
        if (withBackupsFolder)
            QDir().mkpath(dir.path() + "/program/Backups");
        machine = platform::Machine::open(dir.path() + "/machine", dir.path() + "/program");
        shell = std::make_unique<platform::MachineShellServices>(*machine);
        context = std::make_unique<platform::ProgramContext>(platform::ProgramContext{*machine, *shell});
        clock.time = QDateTime(QDate(2009, 3, 5), QTime(9, 7));
        platform::Clock::setInstance(&clock);
    }
    ~Fixture() { platform::Clock::setInstance(nullptr); }

    void setAll(quint32 number, const QString &text)
    {
        RegistryStore store(machine->registry());
        for (const BackupKey &key : xpBackupKeys())
            set(store, key, number, text);
        machine->saveRegistry();
    }
    void set(RegistryStore &store, const BackupKey &key, quint32 number, const QString &text)
    {
        store.SelectRoot(key.root);
        if (!store.OpenPath(key.keyPath, true))
            qFatal("fixture key %s", key.keyPath);
        if (key.type == tweaks::ValueType::Dword)
            store.SetDword(key.value, number);
        else
            store.SetText(key.value, text.toStdString());
        store.ClosePath();
    }
    QVariant get(const BackupKey &key)
    {
        auto fresh = platform::Machine::open(machine->folder(), machine->programFolder());
        RegistryStore store(fresh->registry());
        store.SelectRoot(key.root);
        if (!store.OpenPath(key.keyPath, false) || !store.HasValue(key.value))
            return {};
        if (key.type == tweaks::ValueType::Dword)
            return QVariant::fromValue(quint32(store.GetDword(key.value)));
        return QString::fromStdString(store.GetText(key.value));
    }
    const BackupKey &key(const char *name)
    {
        for (const BackupKey &k : xpBackupKeys())
            if (qstrcmp(k.key, name) == 0)
                return k;
        qFatal("no key %s", name);
    }
    QString hostPath(const QString &path) { return shell->hostPath(path); }
    // The registry part of a restore: the file's values written back.
    RestoreReport restoreValues(TweakBackups &backups, const QString &path)
    {
        RegistryStore store(machine->registry());
        return restoreXpBackup(backups.read(path), store);
    }
};

} // namespace

class TestBackupFiles : public QObject
{
    Q_OBJECT

private slots:
    void fileNames_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("name");
        QTest::newRow("НП and ПЗ, 5 March 2009 9:07")
            << QStringList{"НП", "ПЗ"} << QDateTime(QDate(2009, 3, 5), QTime(9, 7))
            << QString(" НП     ПЗ  #05-3-2009#19-07.ini");
        QTest::newRow("СН, 31 December 2009 14:05") << QStringList{"СН"} << QDateTime(QDate(2009, 12, 31), QTime(14, 5))
                                                     << QString("   СН     #031-12-2009#114-05.ini");
        QTest::newRow("all nine at midnight") << QStringList{"НРС", "НП", "СБ", "СН", "К", "ВвС", "ПЗ", "МП", "П"}
                                              << QDateTime(QDate(2010, 1, 1), QTime(0, 0))
                                              << QString("НРС НП СБ СН К ВвС ПЗ МП П#01-1-2010#10-00.ini");
    }

    void fileNames()
    {
        QFETCH(QStringList, codes);
        QFETCH(QDateTime, when);
        QFETCH(QString, name);
        QList<Group> groups;
        for (const QString &code : codes)
            groups.append(*groupByCode(code));
        const platform::LocalTime t{when.date().year(), when.date().month(), when.date().day(), when.time().hour(),
                                    when.time().minute()};
        QCOMPARE(backupFileName(groups, t), name);
        QCOMPARE(backupFileName(groups, t).toUtf8(), name.toUtf8()); // spaces byte for byte
    }

    void listing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("first example") << "C:\\Tolvex\\Backups\\ НП     ПЗ  #05-3-2009#19-07.ini" << " НП     ПЗ  "
                                       << "5-3-2009" << "9-07";
        QTest::newRow("second example") << "   СН     #031-12-2009#114-05.ini" << "   СН     " << "31-12-2009" << "14-05";
        QTest::newRow("no markers") << "/opt/t\\Backups\\notes.ini" << "notes" << "" << "";
        QTest::newRow("a later #0 is not the marker") << "К#01-2-2010#10-00 #0x.ini" << "К" << "1-2-2010" << "0-00 #0x";
    }

    void listing()
    {
        QFETCH(QString, file);
        QFETCH(QString, parameters);
        QFETCH(QString, date);
        QFETCH(QString, time);
        const BackupListing l = listingOf(file);
        QCOMPARE(l.parameters, parameters);
        QCOMPARE(l.date, date);
        QCOMPARE(l.time, time);
    }

    void integers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("value"); // -1: not a number
        QTest::newRow("decimal") << "42" << 42LL;
        QTest::newRow("negative is the high DWORD") << "-1" << 0xFFFFFFFFLL;
        QTest::newRow("hex") << "0xFFFFFF9D" << 0xFFFFFF9DLL;
        QTest::newRow("letters") << "abc" << -1LL;
        QTest::newRow("empty") << "" << -1LL;
        QTest::newRow("too large") << "4294967296" << -1LL;
    }

    void integers()
    {
        QFETCH(QString, text);
        QFETCH(qlonglong, value);
        const std::optional<quint32> n = integerOf(text);
        QCOMPARE(n ? qlonglong(*n) : -1LL, value);
    }

    void fullXpBackupLayout()
    {
        Fixture f;
        f.setAll(0xFFFFFFFF, "Текст");
        TweakBackups backups(*f.context);
        QList<Group> all;
        for (int i = 0; i < groupCount; ++i)
            all.append(Group(i));
        const QString path = backups.makeXp(all);
        QCOMPARE(text::extractFileName(path), QString("НРС НП СБ СН К ВвС ПЗ МП П#05-3-2009#19-07.ini"));
        const QByteArray bytes = test::readFile(f.hostPath(path));
        QVERIFY(text::fitsWindows1251(text::decodeAnsiFile(bytes)));
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.startsWith(text::toWindows1251("[Настройка рабочего стола]\r\nNoD=-1\r\n")));

        const ini::IniDocument doc = ini::IniDocument::parse(bytes);
        QCOMPARE(doc.sections(), QStringList({"Настройка рабочего стола", "Настройка проводника", "Сетевая безопасность",
                                              "Системные настройки", "Настройка корзины", "Вход в систему",
                                              "Панель задач", "Меню \"Пуск\"", "Приложения"}));
        int keys = 0;
        QStringList expectedOrder, actualOrder;
        for (const BackupKey &key : xpBackupKeys())
            expectedOrder << QString::fromUtf8(groupInfo(key.group).section) + "/" + key.key;
        for (const QString &section : doc.sections())
            for (const QString &key : doc.keys(section)) {
                ++keys;
                actualOrder << section + "/" + key;
            }
        QCOMPARE(keys, 54);
        // Sections in group order, keys in the table's order within each.
        QStringList expectedSorted;
        for (const QString &section : doc.sections())
            for (const QString &id : expectedOrder)
                if (id.startsWith(section + "/"))
                    expectedSorted << id;
        QCOMPARE(actualOrder, expectedSorted);
        QCOMPARE(doc.value("Системные настройки", "SfcD"), QString("-1"));
        QCOMPARE(doc.value("Настройка корзины", "LS"), QString("Текст"));
    }

    void restoreRoundTrip()
    {
        Fixture f;
        f.setAll(0xFFFFFFFF, "до");
        TweakBackups backups(*f.context);
        QList<Group> all;
        for (int i = 0; i < groupCount; ++i)
            all.append(Group(i));
        const QString path = backups.makeXp(all);
        const QByteArray file = test::readFile(f.hostPath(path));
        f.setAll(5, "после");
        f.restoreValues(backups, path);
        QVERIFY(f.context->finishCommand().isEmpty());
        for (const BackupKey &key : xpBackupKeys())
            QCOMPARE(f.get(key), key.type == tweaks::ValueType::Dword ? QVariant::fromValue(0xFFFFFFFFu) : QVariant("до"));
        QCOMPARE(test::readFile(f.hostPath(path)), file); // only read
    }

    void recorded111IsRestored()
    {
        Fixture f;
        f.setAll(111, "111");
        TweakBackups backups(*f.context);
        const QString path = backups.makeXp({Group::System});
        f.setAll(7, "7");
        f.restoreValues(backups, path);
        f.context->finishCommand();
        QCOMPARE(f.get(f.key("SfcD")), QVariant::fromValue(111u));
        QCOMPARE(f.get(f.key("Auto")), QVariant("111"));
        QCOMPARE(f.get(f.key("NoD")), QVariant::fromValue(7u)); // not in the backup
    }

    void unreadableValuesAreLeftOut()
    {
        Fixture f;
        f.setAll(1, "x");
        RegistryStore store(f.machine->registry());
        store.SelectRoot(tweaks::Root::LocalMachine);
        store.OpenPath("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management", false);
        store.SetText("ClearPageFileAtShutdown", "not a dword");
        store.ClosePath();
        store.SelectRoot(tweaks::Root::LocalMachine);
        store.OpenPath("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", false);
        store.RemoveValue("SfcDisable");
        store.ClosePath();
        f.context->finishCommand();

        TweakBackups backups(*f.context);
        // An earlier backup read SfcDisable; a later one must not reuse that value.
        const QString path = backups.makeXp({Group::System});
        const ini::IniDocument doc = backups.read(path);
        QVERIFY(!doc.contains("Системные настройки", "CLPF"));
        QVERIFY(!doc.contains("Системные настройки", "SfcD"));
        QVERIFY(doc.contains("Системные настройки", "NoI"));

        f.set(store, f.key("SfcD"), 9, "");
        f.context->finishCommand();
        f.restoreValues(backups, path);
        f.context->finishCommand();
        QCOMPARE(f.get(f.key("SfcD")), QVariant::fromValue(9u)); // left alone
        auto fresh = platform::Machine::open(f.machine->folder(), f.machine->programFolder());
        RegistryStore check(fresh->registry());
        check.SelectRoot(tweaks::Root::LocalMachine);
        QVERIFY(check.OpenPath("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management", false));
        QCOMPARE(check.GetText("ClearPageFileAtShutdown"), std::string("not a dword"));
    }

    void snapshotDoesNotKeepOldValues()
    {
        Fixture f;
        f.setAll(3, "t");
        TweakBackups backups(*f.context);
        backups.makeXp({Group::Network});
        RegistryStore store(f.machine->registry());
        store.SelectRoot(tweaks::Root::LocalMachine);
        store.OpenPath("SYSTEM\\CurrentControlSet\\Control\\Lsa", false);
        store.RemoveValue("RestrictAnonymous");
        store.ClosePath();
        f.clock.time = f.clock.time.addSecs(60);
        const QString second = backups.makeXp({Group::Network});
        QVERIFY(!backups.read(second).contains("Сетевая безопасность", "RA"));
    }

    void networkOnlyRestoreWritesThreeValues()
    {
        Fixture f;
        f.setAll(1, "a");
        TweakBackups backups(*f.context);
        const QString path = backups.makeXp({Group::Network});
        f.setAll(0, "b");
        f.restoreValues(backups, path);
        f.context->finishCommand();
        for (const BackupKey &key : xpBackupKeys()) {
            const bool network = key.group == Group::Network;
            const QVariant expected = key.type == tweaks::ValueType::Dword ? QVariant::fromValue(network ? 1u : 0u)
                                                                            : QVariant(QString("b"));
            QCOMPARE(f.get(key), expected);
        }
    }

    void sameMinuteReplacesKeys()
    {
        Fixture f;
        f.setAll(1, "a");
        TweakBackups backups(*f.context);
        const QString first = backups.makeXp({Group::Taskbar});
        f.setAll(2, "b");
        const QString second = backups.makeXp({Group::Taskbar});
        QCOMPARE(second, first);
        const ini::IniDocument doc = backups.read(first);
        QCOMPARE(doc.keys("Панель задач"), QStringList({"EBT", "NTID", "EAT"}));
        QCOMPARE(doc.value("Панель задач", "EBT"), QString("2"));
    }

    void missingFolderFails()
    {
        Fixture f(false);
        f.setAll(1, "a");
        TweakBackups backups(*f.context);
        try {
            backups.makeXp({Group::Logon});
            QFAIL("no error");
        } catch (const ini::IniError &e) {
            QVERIFY(QString::fromUtf8(e.what()).startsWith("Unable to write to " + backups.folder() + "\\"));
        }
        QVERIFY(!QDir(f.dir.path() + "/program/Backups").exists());
    }

    void vistaBackups_data()
    {
        QTest::addColumn<QList<int>>("groups");
        QTest::addColumn<QByteArray>("expected"); // the file's text
        QTest::addColumn<QStringList>("okButtons"); // run by its restore, in order
        QTest::newRow("recycle bin only") << QList<int>{int(Group::RecycleBin)}
                                          << QByteArray("[Установка]\r\nK=1\r\n[Настройка корзины]\r\nvREGI=Мусор\r\n")
                                          << QStringList{"vNKOK"};
        QTest::newRow("taskbar only: the name is written first, not restored")
            << QList<int>{int(Group::Taskbar)}
            << QByteArray("[Настройка корзины]\r\nvREGI=Мусор\r\n[Установка]\r\nPZ=1\r\n[Панель задач]\r\nvSHO=1\r\nvFST=0\r\nvENA=1\r\n")
            << QStringList{"vPZOK"};
        QTest::newRow("system, with vDWA inverted")
            << QList<int>{int(Group::System)}
            << QByteArray("[Установка]\r\nNS=1\r\n[Системные настройки]\r\nvClF=1\r\nvNOWR=0\r\nvAUT=0\r\nvDWA=1\r\n"
                          "vOPS=0\r\nvADZ=0\r\nvPCP=0\r\nvDUA=0\r\n[Настройка корзины]\r\nvREGI=Мусор\r\n")
            << QStringList{"vNSOK"};
    }

    void vistaBackups()
    {
        QFETCH(QList<int>, groups);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, okButtons);
        tweaks::VistaSnapshot snapshot;
        snapshot.recycleBinName = "Мусор";
        snapshot.balloonTips = true;
        snapshot.autoTray = true;
        snapshot.clearPageFile = true;
        snapshot.drWatsonEnabled = true; // "Отключить Dr.Watson" was unchecked
        QList<Group> chosen;
        for (int g : groups)
            chosen.append(Group(g));
        ini::IniDocument doc;
        writeVistaBackup(chosen, snapshot, doc);
        QCOMPARE(text::decodeAnsiFile(doc.toBytes()), QString::fromUtf8(expected));

        tweaks::ControlStateMap controls;
        for (const char *c : {"vShowHint", "vEnAutoTray", "VFStart", "vClFilePod", "vDWATSON", "sEdit2"})
            controls.add(tweaks::TweakEntry{.control = c});
        controls.setText("sEdit2", "Корзина");
        controls.setEnabled("sEdit2", false);
        QStringList ran;
        restoreVistaBackup(doc, controls, [&](const QString &ok) { ran << ok; });
        QCOMPARE(ran, okButtons);
        const bool bin = chosen.contains(Group::RecycleBin);
        QCOMPARE(controls.text("sEdit2"), QString(bin ? "Мусор" : "Корзина"));
        QCOMPARE(controls.enabled("sEdit2"), bin);
        if (chosen.contains(Group::System)) {
            QVERIFY(controls.checked("vClFilePod"));
            QVERIFY(!controls.checked("vDWATSON"));
        }
    }

    void backupsOfTheOtherKindDoNothing()
    {
        // A Vista restore of an XP backup finds no flags; an XP restore of a Vista one no keys.
        Fixture f;
        f.setAll(1, "a");
        TweakBackups backups(*f.context);
        const ini::IniDocument xp = backups.read(backups.makeXp({Group::System, Group::Taskbar}));
        tweaks::ControlStateMap controls;
        QStringList ran;
        restoreVistaBackup(xp, controls, [&](const QString &ok) { ran << ok; });
        QVERIFY(ran.isEmpty());

        ini::IniDocument vista;
        tweaks::VistaSnapshot snapshot;
        writeVistaBackup({Group::System, Group::Taskbar}, snapshot, vista);
        f.setAll(2, "b");
        const QByteArray user = test::readFile(f.machine->folder() + "/user.reg");
        RegistryStore store(f.machine->registry());
        restoreXpBackup(vista, store);
        f.context->finishCommand();
        QCOMPARE(test::readFile(f.machine->folder() + "/user.reg"), user);
    }

    // A machine that lacks a key the restore may not create: that value is reported and left
    // out, and every value after it is still written.
    void restoreGoesOnPastMissingKeys()
    {
        Fixture f;
        f.setAll(1, "a");
        TweakBackups backups(*f.context);
        const QString path = backups.makeXp({Group::System, Group::Taskbar});
        f.setAll(0, "b");
        RegistryStore store(f.machine->registry());
        store.SelectRoot(tweaks::Root::LocalMachine);
        QVERIFY(store.RemoveKey("SYSTEM\\CurrentControlSet\\Control\\FileSystem"));
        QVERIFY(store.RemoveKey("SYSTEM\\CurrentControlSet\\Control\\WOW"));
        f.context->finishCommand();
        const QByteArray file = test::readFile(f.hostPath(path));

        const RestoreReport report = f.restoreValues(backups, path);
        f.context->finishCommand();
        QCOMPARE(report.skipped.size(), 2);
        QCOMPARE(report.skipped[0].value, QString("NtfsDisableLastAccessUpdate"));
        QCOMPARE(report.skipped[0].reason, SkippedValue::Reason::KeyMissing);
        QCOMPARE(report.skipped[1].value, QString("DefaultSeparateVDM"));
        QVERIFY(!report.refused());
        QCOMPARE(report.endMessage(),
                 QString("Востановление завершено\n"
                         "Не восстановлено:\n"
                         "NtfsDisableLastAccessUpdate: нет раздела HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\FileSystem\n"
                         "DefaultSeparateVDM: нет раздела HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\WOW"));
        QCOMPARE(f.get(f.key("CLPF")), QVariant::fromValue(1u)); // before the missing key
        QCOMPARE(f.get(f.key("SfcD")), QVariant::fromValue(1u)); // after it
        QCOMPARE(f.get(f.key("Enab")), QVariant("a"));
        QCOMPARE(f.get(f.key("EBT")), QVariant::fromValue(1u)); // a later group
        QVERIFY(!f.get(f.key("NTFSDLA")).isValid());             // no key was made
        QCOMPARE(test::readFile(f.hostPath(path)), file);
    }

    void refusedWritesAreReported()
    {
        Fixture f;
        f.setAll(1, "a");
        TweakBackups backups(*f.context);
        const QString path = backups.makeXp({Group::Network});
        f.setAll(0, "b");
        f.machine->registry().setReadOnly(true);
        const RestoreReport report = f.restoreValues(backups, path);
        QVERIFY(report.refused());
        // The pair goes under one guard; RestrictAnonymous is still tried after it.
        QStringList values;
        for (const SkippedValue &v : report.skipped) {
            values << v.value;
            QCOMPARE(v.reason, SkippedValue::Reason::Refused);
        }
        QCOMPARE(values, (QStringList{"AutoShareWks", "AutoShareServer", "RestrictAnonymous"}));
        QVERIFY(report.endMessage().contains("RestrictAnonymous: отказано в доступе"));
    }

    // Half of a pair is never written on its own.
    void pairsNeedBothHalves_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("absent");
        QTest::addColumn<QString>("presentValue");
        QTest::addColumn<QString>("absentValue");
        QTest::newRow("SUI without DoR") << "Системные настройки" << "SUI" << "DoR" << "ShowUI" << "DoReport";
        QTest::newRow("DoR without SUI") << "Системные настройки" << "DoR" << "SUI" << "DoReport" << "ShowUI";
        QTest::newRow("ASS without ASW") << "Сетевая безопасность" << "ASS" << "ASW" << "AutoShareServer" << "AutoShareWks";
        QTest::newRow("ASW without ASS") << "Сетевая безопасность" << "ASW" << "ASS" << "AutoShareWks" << "AutoShareServer";
    }
    void pairsNeedBothHalves()
    {
        QFETCH(QString, section);
        QFETCH(QString, present);
        QFETCH(QString, absent);
        QFETCH(QString, presentValue);
        QFETCH(QString, absentValue);
        Fixture f;
        f.setAll(0, "b");
        TweakBackups backups(*f.context);
        ini::IniDocument doc;
        doc.setValue(section, present, "1");
        doc.setValue(section, section == "Системные настройки" ? "QEdit" : "RA", "1");
        const QString path = backups.pathOf("half.ini");
        backups.write(path, doc);

        const RestoreReport report = f.restoreValues(backups, path);
        f.context->finishCommand();
        QCOMPARE(f.get(f.key(present.toLatin1())), QVariant::fromValue(0u));
        QCOMPARE(f.get(f.key(absent.toLatin1())), QVariant::fromValue(0u));
        QCOMPARE(f.get(f.key(section == "Системные настройки" ? "QEdit" : "RA")), QVariant::fromValue(1u));
        QCOMPARE(report.skipped.size(), 1);
        QCOMPARE(RestoreReport::lineOf(report.skipped[0]),
                 presentValue + ": в бекапе нет парного значения " + absentValue);
        QVERIFY(!report.refused());
    }
};

QTEST_GUILESS_MAIN(TestBackupFiles)
#include "tst_backup_files.moc"
