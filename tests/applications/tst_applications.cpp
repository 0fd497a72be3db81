// The installed-applications tree and the startup rows, read from and written to a real registry
// of hive files: the date rules, the filtered names, both registry views, odd value kinds, and
// the deletions and additions.
#include "ApplicationsFixture.h"

#include "InstalledApplications.h"
#include "StartupManager.h"

using namespace tolvex;
using namespace tolvex::applications;
using namespace tolvex::test;

namespace {

// "category<TAB>name<TAB>path child", one line per entry node, as the tree shows them.
QStringList dump(const ApplicationTree &tree)
{
    QStringList lines;
    for (int i = 0; i < CategoryCount; ++i)
        for (const UninstallEntry &e : tree.categories[size_t(i)])
            lines << categoryText(Category(i)) + "\t" + e.displayName + "\t" + e.pathText();
    return lines;
}

QStringList dump(const QList<StartupRow> &rows)
{
    QStringList lines;
    for (const StartupRow &r : rows)
        lines << r.name + "|" + r.command + "|" + r.label;
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(tolvex::registry::RawValue)
Q_DECLARE_METATYPE(std::optional<tolvex::registry::RawValue>)

class TestApplications : public QObject
{
    Q_OBJECT

private slots:
    void dateRules_data()
    {
        QTest::addColumn<QString>("installDate");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("category"); // empty: "Весь список" only

        const QString newer = categoryText(Category::New), older = categoryText(Category::Old);
        QTest::newRow("5 days back") << "20080115" << QDate(2008, 1, 20) << newer;
        QTest::newRow("15 days back") << "20080115" << QDate(2008, 1, 30) << newer;
        QTest::newRow("exactly 16 days back") << "20080115" << QDate(2008, 1, 31) << older;
        QTest::newRow("next month") << "20080115" << QDate(2008, 2, 1) << older;
        QTest::newRow("same day a year on") << "20080115" << QDate(2009, 1, 15) << older;
        QTest::newRow("later in this month") << "20080125" << QDate(2008, 1, 20) << newer;
        QTest::newRow("today") << "20080120" << QDate(2008, 1, 20) << newer;
        QTest::newRow("characters after the day") << "20080115-x" << QDate(2008, 1, 20) << newer;
        QTest::newRow("no date") << "" << QDate(2008, 1, 20) << categoryText(Category::Unknown);
        QTest::newRow("dashes") << "2008-01-15" << QDate(2008, 1, 20) << "";
        QTest::newRow("day first") << "15.01.2008" << QDate(2008, 1, 20) << "";
        QTest::newRow("year only") << "2008" << QDate(2008, 1, 20) << "";
        QTest::newRow("letters") << "yesterday" << QDate(2008, 1, 20) << "";
    }
    void dateRules()
    {
        QFETCH(QString, installDate);
        QFETCH(QDate, today);
        QFETCH(QString, category);
        const std::optional<Category> found = dateCategory(installDate, today);
        QCOMPARE(found ? categoryText(*found) : QString(), category);
    }

    void hiddenNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("update") << "Обновление безопасности для Windows XP (KB925902)" << true;
        QTest::newRow("update, lower case") << "обновление драйвера Realtek HD Audio" << false;
        QTest::newRow("package") << "Пакет обеспечения совместимости" << true;
        QTest::newRow("package, longer word") << "Пакеты языковые" << true;
        QTest::newRow("hotfix") << "Исправление для Windows XP (KB923561)" << true;
        QTest::newRow("word cut short") << "Исправлени" << false;
        QTest::newRow("leading space") << " Обновление" << false;
        QTest::newRow("word inside") << "Большое Обновление" << false;
        QTest::newRow("empty") << "" << false;
    }
    void hiddenNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, hidden);
        QCOMPARE(isHiddenName(name), hidden);
    }

    // Which candidates become entries, and where, with values missing, empty or of other kinds.
    void treeFromTheRegistry()
    {
        ApplicationsMachine m;
        uninstallEntry(m, uninstall64, "A1", sz("Архиватор"), sz("C:\\a\\u.exe"), sz("20080115"));
        uninstallEntry(m, uninstall64, "A2", sz("Обновление безопасности"), sz("C:\\kb.exe"), sz("20080115"));
        uninstallEntry(m, uninstall64, "A3", sz("обновление драйвера"), sz("C:\\d.exe"), sz("20071231"));
        uninstallEntry(m, uninstall64, "A4", sz("Пакет обеспечения"), sz("C:\\p.exe"));
        uninstallEntry(m, uninstall64, "A5", sz("Исправление для XP"), sz("C:\\h.exe"));
        uninstallEntry(m, uninstall64, "A6", std::nullopt, sz("C:\\nameless.exe"));
        uninstallEntry(m, uninstall64, "A7", sz("Без удаления"), std::nullopt);
        uninstallEntry(m, uninstall64, "A8", sz("Пустой путь"), sz(""));
        uninstallEntry(m, uninstall64, "A9", dword(7), sz("C:\\n.exe"));
        uninstallEntry(m, uninstall64, "B1", sz("Число в дате"), sz("C:\\n.exe"), dword(20080115));
        uninstallEntry(m, uninstall64, "B2", sz("Число в пути"), dword(1));
        uninstallEntry(m, uninstall64, "B3", sz("Дата словами"), sz("C:\\w.exe"), sz("15.01.2008"));
        uninstallEntry(m, uninstall64, "B4", sz("Развёрнутый"), expandSz("%ProgramFiles%\\x\\u.exe"));
        uninstallEntry(m, uninstall64, "B5", std::nullopt, std::nullopt);
        uninstallEntry(m, uninstall64, "B6", binary("\x01\x02"), sz("C:\\b.exe"));

        InstalledApplications apps(m.registry(), *m.shell);
        QCOMPARE(
            dump(apps.BuildApplicationTree()),
            QStringList(
                {"Новые\tАрхиватор\tПуть:C:\\a\\u.exe", "Старые\tобновление драйвера\tПуть:C:\\d.exe",
                 "Неизвестно\tПустой путь\tПуть не подписан", "Неизвестно\tЧисло в дате\tПуть:C:\\n.exe",
                 "Неизвестно\tРазвёрнутый\tПуть:%ProgramFiles%\\x\\u.exe",
                 "Весь список\tАрхиватор\tПуть:C:\\a\\u.exe",
                 "Весь список\tобновление драйвера\tПуть:C:\\d.exe",
                 "Весь список\tПустой путь\tПуть не подписан", "Весь список\tЧисло в дате\tПуть:C:\\n.exe",
                 "Весь список\tДата словами\tПуть:C:\\w.exe",
                 "Весь список\tРазвёрнутый\tПуть:%ProgramFiles%\\x\\u.exe"}));
        QCOMPARE(apps.candidates().size(), 15);
    }

    void emptyOrMissingUninstallKey()
    {
        ApplicationsMachine m;
        InstalledApplications apps(m.registry(), *m.shell);
        QCOMPARE(dump(apps.BuildApplicationTree()), QStringList());
        m.makeKey(Root::LocalMachine, uninstall64);
        QCOMPARE(dump(apps.BuildApplicationTree()), QStringList());
        QCOMPARE(apps.FindSelectedEntryKey(QString("x")), std::nullopt);
    }

    void everyCandidateIsExamined()
    {
        ApplicationsMachine m;
        for (int i = 0; i < 600; ++i)
            uninstallEntry(m, uninstall64, QString("P%1").arg(i, 4, 10, QChar('0')),
                           sz(QString("Программа %1").arg(i)), sz("C:\\u.exe"));
        InstalledApplications apps(m.registry(), *m.shell);
        const ApplicationTree tree = apps.BuildApplicationTree();
        QCOMPARE(tree.categories[size_t(Category::All)].size(), 600);
        QCOMPARE(tree.categories[size_t(Category::All)].last().displayName, QString("Программа 599"));
    }

    // A 64-bit machine: the 32-bit view's entries follow the 64-bit view's in every category,
    // and the commands act on the key an entry came from.
    void bothRegistryViews()
    {
        ApplicationsMachine m;
        uninstallEntry(m, uninstall32, "Aaa32", sz("Тридцать два"), sz("C:\\32\\u.exe"), sz("20080118"));
        uninstallEntry(m, uninstall32, "Bbb32", sz("Старая 32"), sz("C:\\32\\old.exe"), sz("20050101"));
        uninstallEntry(m, uninstall64, "Zzz64", sz("Шестьдесят четыре"), sz("C:\\64\\u.exe"), sz("20080119"));
        InstalledApplications apps(m.registry(), *m.shell);
        QCOMPARE(
            dump(apps.BuildApplicationTree()),
            QStringList({"Новые\tШестьдесят четыре\tПуть:C:\\64\\u.exe",
                         "Новые\tТридцать два\tПуть:C:\\32\\u.exe", "Старые\tСтарая 32\tПуть:C:\\32\\old.exe",
                         "Весь список\tШестьдесят четыре\tПуть:C:\\64\\u.exe",
                         "Весь список\tТридцать два\tПуть:C:\\32\\u.exe",
                         "Весь список\tСтарая 32\tПуть:C:\\32\\old.exe"}));
        const std::optional<QString> key = apps.FindSelectedEntryKey(QString("Тридцать два"));
        QCOMPARE(key, uninstall32 + "\\Aaa32");
        const Outcome outcome = apps.DeleteEntry(key);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.message, QString("Раздел удален"));
        QVERIFY(!m.hasKey(Root::LocalMachine, uninstall32 + "\\Aaa32"));
        QVERIFY(m.hasKey(Root::LocalMachine, uninstall32 + "\\Bbb32"));
        QVERIFY(m.hasKey(Root::LocalMachine, uninstall64 + "\\Zzz64"));
    }

    // Two entries of one name: both are listed, and the commands take the first in enumeration
    // order, the 64-bit view before the 32-bit one.
    void twoEntriesOfOneName()
    {
        ApplicationsMachine m;
        uninstallEntry(m, uninstall32, "Aaa", sz("Близнец"), sz("C:\\third.exe"));
        uninstallEntry(m, uninstall64, "Second", sz("Близнец"), sz("C:\\second.exe"));
        uninstallEntry(m, uninstall64, "First", sz("Близнец"), sz("C:\\first.exe"));
        uninstallEntry(m, uninstall64, "Extra", sz("Близнец"), dword(3)); // no UninstallString to speak of
        InstalledApplications apps(m.registry(), *m.shell);
        QCOMPARE(apps.BuildApplicationTree().categories[size_t(Category::All)].size(), 3);
        // "Extra" sorts first but has no text UninstallString.
        QCOMPARE(apps.FindSelectedEntryKey(QString("Близнец")), uninstall64 + "\\First");
        QVERIFY(apps.DeleteEntry(apps.FindSelectedEntryKey(QString("Близнец"))).ok);
        QVERIFY(m.hasKey(Root::LocalMachine, uninstall64 + "\\Second"));
        // The candidates are those of the last rebuild: the deleted key no longer matches.
        QCOMPARE(apps.FindSelectedEntryKey(QString("Близнец")), uninstall64 + "\\Second");
        apps.BuildApplicationTree();
        QCOMPARE(apps.FindSelectedEntryKey(QString("Близнец")), uninstall64 + "\\Second");
        QCOMPARE(apps.FindSelectedEntryKey(QString("близнец")), std::nullopt);
    }

    void uninstallOutcomes()
    {
        ApplicationsMachine m;
        uninstallEntry(m, uninstall64, "Good", sz("Программа"), sz("C:\\u.exe"));
        uninstallEntry(m, uninstall64, "Gone", sz("Исчезнет"), sz("C:\\gone.exe"));
        InstalledApplications apps(m.registry(), *m.shell);
        apps.BuildApplicationTree();

        Outcome outcome = apps.Uninstall(apps.FindSelectedEntryKey(std::nullopt));
        QCOMPARE(outcome.message, QString("UninstallString не найденно"));
        QVERIFY(!outcome.ok);

        // Found, then gone before the uninstaller's key is opened.
        const std::optional<QString> gone = apps.FindSelectedEntryKey(QString("Исчезнет"));
        QVERIFY(gone);
        QVERIFY(apps.DeleteEntry(gone).ok);
        outcome = apps.Uninstall(gone);
        QCOMPARE(outcome.message, QString("Ошибка открытия ключа"));

        // Found, then its UninstallString removed.
        const std::optional<QString> good = apps.FindSelectedEntryKey(QString("Программа"));
        m.set(Root::LocalMachine, *good, "UninstallString", dword(1));
        outcome = apps.Uninstall(good);
        QCOMPARE(outcome.message, QString("UninstallString не найденно"));
        QVERIFY(!outcome.startFailure);

        // The sample-like machine is no Wine prefix: the uninstaller cannot start, and says so.
        m.set(Root::LocalMachine, *good, "UninstallString", sz("C:\\u.exe /S"));
        outcome = apps.Uninstall(good);
        QVERIFY(!outcome.ok);
        QVERIFY(outcome.startFailure);
        QVERIFY2(outcome.message.contains("не является префиксом Wine"), qPrintable(outcome.message));
    }

    void deleteOutcomes()
    {
        ApplicationsMachine m;
        uninstallEntry(m, uninstall64, "Tree", sz("С подразделами"), sz("C:\\u.exe"));
        m.set(Root::LocalMachine, uninstall64 + "\\Tree\\Sub\\Deeper", "x", sz("y"));
        uninstallEntry(m, uninstall64, "Other", sz("Другая"), sz("C:\\o.exe"));
        InstalledApplications apps(m.registry(), *m.shell);
        apps.BuildApplicationTree();

        const Outcome none = apps.DeleteEntry(std::nullopt);
        QVERIFY(!none.ok);
        QCOMPARE(none.message, QString("Ошибка"));

        m.machine->registry().setReadOnly(true);
        const Outcome refused = apps.DeleteEntry(apps.FindSelectedEntryKey(QString("С подразделами")));
        QCOMPARE(refused.message, QString("Ошибка"));
        QVERIFY(m.hasKey(Root::LocalMachine, uninstall64 + "\\Tree"));
        m.machine->registry().setReadOnly(false);

        QCOMPARE(apps.DeleteEntry(apps.FindSelectedEntryKey(QString("С подразделами"))).message,
                 QString("Раздел удален"));
        QVERIFY(!m.hasKey(Root::LocalMachine, uninstall64 + "\\Tree"));
        QVERIFY(!m.hasKey(Root::LocalMachine, uninstall64 + "\\Tree\\Sub\\Deeper"));
        QVERIFY(m.hasKey(Root::LocalMachine, uninstall64 + "\\Other"));

        // Written to the hive: a program started afterwards no longer finds it.
        QVERIFY(m.context->finishCommand().isEmpty());
        m.open();
        InstalledApplications again(m.registry(), *m.shell);
        QCOMPARE(dump(again.BuildApplicationTree()),
                 QStringList({"Неизвестно\tДругая\tПуть:C:\\o.exe", "Весь список\tДругая\tПуть:C:\\o.exe"}));
    }

    void registryDataTexts_data()
    {
        QTest::addColumn<RawValue>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << sz("C:\\a.exe /q") << "C:\\a.exe /q";
        QTest::newRow("text cut at NUL") << sz(QString("a") + QChar(0) + "b") << "a";
        QTest::newRow("expandable") << expandSz("%windir%\\x.exe") << "%windir%\\x.exe";
        QTest::newRow("dword") << dword(0x1f) << "0x1f";
        QTest::newRow("dword zero") << dword(0) << "0x0";
        QTest::newRow("binary") << binary(QByteArray("\x01\xab\x00", 3)) << "01AB00";
        QTest::newRow("empty binary") << binary({}) << "";
        QTest::newRow("multi") << multiSz({"a.exe", "b.exe"}) << "a.exe\\0b.exe";
        QTest::newRow("qword") << RawValue{11, std::string("\x02\x00\x00\x00\x01\x00\x00\x00", 8)}
                               << "0x100000002";
        QTest::newRow("none") << RawValue{0, "\x05"} << "05";
    }
    void registryDataTexts()
    {
        QFETCH(RawValue, value);
        QFETCH(QString, text);
        QCOMPARE(registryDataText(value), text);
    }

    // Every location in its order, the 32-bit view's after its 64-bit keys, the single-space
    // cells, the default value and values of other kinds.
    void startupRows()
    {
        ApplicationsMachine m;
        m.set(Root::LocalMachine, run64, "Alpha", sz("C:\\alpha.exe"));
        m.set(Root::LocalMachine, run64, "", sz("C:\\default.exe"));
        m.set(Root::LocalMachine, run64, "Empty", sz(""));
        m.set(Root::LocalMachine, run64, "Number", dword(0x1f));
        m.set(Root::LocalMachine, run32, "Old32", sz("C:\\old32.exe -q"));
        m.set(Root::CurrentUser, run64, "Напоминание", sz("C:\\Программы\\remind.exe"));
        m.set(Root::Users, defaultRun, "ctfmon.exe", sz("C:\\windows\\system32\\ctfmon.exe"));
        m.set(Root::LocalMachine, runOnce64, "Once", sz("\"C:\\once.exe\" /first"));
        m.set(Root::LocalMachine, runOnce32, "Once32", binary("\x01\xab"));
        m.set(Root::CurrentUser, runOnce64, "Multi", multiSz({"a", "b"}));
        m.set(Root::CurrentUser, windowsKey, "load", sz("C:\\load.exe"));
        StartupManager startup(m.registry(), *m.shell);
        const QStringList rows = dump(startup.FormPaint());
        QCOMPARE(rows, QStringList({" |C:\\default.exe|HKEY_LM\\Run", "Alpha|C:\\alpha.exe|HKEY_LM\\Run",
                                    "Empty| |HKEY_LM\\Run", "Number|0x1f|HKEY_LM\\Run",
                                    "Old32|C:\\old32.exe -q|HKEY_LM\\Run (32)",
                                    "Напоминание|C:\\Программы\\remind.exe|HKEY_CU\\Run",
                                    "ctfmon.exe|C:\\windows\\system32\\ctfmon.exe|HKEY_Users\\Run",
                                    "Once|\"C:\\once.exe\" /first|HKEY_LM\\RunOnce",
                                    "Once32|01AB|HKEY_LM\\RunOnce (32)", "Multi|a\\0b|HKEY_CU\\RunOnce"}));

        ApplicationsMachine empty;
        QCOMPARE(StartupManager(empty.registry(), *empty.shell).FormPaint(), QList<StartupRow>());
    }

    void loadRows_data()
    {
        QTest::addColumn<int>("arguments");
        QTest::addColumn<std::optional<RawValue>>("userLoad");
        QTest::addColumn<std::optional<RawValue>>("defaultLoad");
        QTest::addColumn<QStringList>("rows");
        const std::optional<RawValue> absent;
        QTest::newRow("no argument") << 0 << std::optional(sz("C:\\t.exe")) << std::optional(sz("C:\\d.exe"))
                                     << QStringList();
        QTest::newRow("user's") << 1 << std::optional(sz("C:\\t.exe")) << absent
                                << QStringList({"load|C:\\t.exe|HKEY_CU\\load"});
        QTest::newRow("both, two arguments")
            << 2 << std::optional(sz("C:\\t.exe")) << std::optional(sz("C:\\d.exe"))
            << QStringList({"load|C:\\t.exe|HKEY_CU\\load", "load|C:\\d.exe|HKEY_Users\\load"});
        QTest::newRow("empty texts") << 1 << std::optional(sz("")) << std::optional(sz("")) << QStringList();
        QTest::newRow("neither") << 1 << absent << absent << QStringList();
        QTest::newRow("a number") << 1 << std::optional(dword(5)) << absent
                                  << QStringList({"load|0x5|HKEY_CU\\load"});
    }
    void loadRows()
    {
        QFETCH(int, arguments);
        QFETCH(std::optional<RawValue>, userLoad);
        QFETCH(std::optional<RawValue>, defaultLoad);
        QFETCH(QStringList, rows);
        ApplicationsMachine m(arguments);
        m.set(Root::CurrentUser, windowsKey, "Spooler", sz("yes"));
        m.set(Root::Users, defaultWindowsKey, "Spooler", sz("yes"));
        if (userLoad) m.set(Root::CurrentUser, windowsKey, "load", *userLoad);
        if (defaultLoad) m.set(Root::Users, defaultWindowsKey, "load", *defaultLoad);
        QCOMPARE(dump(StartupManager(m.registry(), *m.shell).FormPaint()), rows);
    }

    void deleteRow_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::newRow("machine's") << "HKEY_LM\\Run"
                                   << "Alpha" << true;
        QTest::newRow("32-bit view's") << "HKEY_LM\\Run (32)"
                                       << "Alpha" << true;
        QTest::newRow("user's run once") << "HKEY_CU\\RunOnce"
                                         << "Once" << true;
        QTest::newRow(".Default's") << "HKEY_Users\\Run"
                                    << "ctfmon.exe" << true;
        QTest::newRow("user's load") << "HKEY_CU\\load"
                                     << "load" << true;
        QTest::newRow("default value") << "HKEY_LM\\Run"
                                       << " " << false;
        QTest::newRow("header row") << "Путь в реестре"
                                    << "Имя файла" << false;
        QTest::newRow("name of another key") << "HKEY_CU\\Run"
                                             << "Alpha" << false;
        QTest::newRow("label's case") << "hkey_lm\\run"
                                      << "Alpha" << false;
    }
    void deleteRow()
    {
        QFETCH(QString, label);
        QFETCH(QString, name);
        QFETCH(bool, removed);
        ApplicationsMachine m(1);
        m.set(Root::LocalMachine, run64, "Alpha", sz("C:\\a64.exe"));
        m.set(Root::LocalMachine, run64, "", sz("C:\\default.exe"));
        m.set(Root::LocalMachine, run32, "Alpha", sz("C:\\a32.exe"));
        m.set(Root::CurrentUser, runOnce64, "Once", sz("C:\\once.exe"));
        m.set(Root::Users, defaultRun, "ctfmon.exe", sz("C:\\ctfmon.exe"));
        m.set(Root::CurrentUser, windowsKey, "load", sz("C:\\load.exe"));
        m.set(Root::CurrentUser, windowsKey, "Spooler", sz("yes"));
        StartupManager startup(m.registry(), *m.shell);
        QList<StartupRow> expected = startup.FormPaint();
        QCOMPARE(expected.size(), 6);

        QCOMPARE(startup.DeleteRow({name, QString(), label}), removed);
        if (removed) {
            QCOMPARE(
                expected.removeIf([&](const StartupRow &r) { return r.name == name && r.label == label; }),
                1);
        }
        QCOMPARE(dump(startup.FormPaint()), dump(expected));
        // The load value goes itself, not the key that holds it.
        QCOMPARE(m.value(Root::CurrentUser, windowsKey, "Spooler"), sz("yes"));
    }

    void addOverwritesAndPersists()
    {
        ApplicationsMachine m;
        StartupManager startup(m.registry(), *m.shell);
        QVERIFY(!m.hasKey(Root::CurrentUser, run64));
        startup.Add("Приложение", "C:\\Program Files\\Игра\\game.exe");
        QCOMPARE(m.value(Root::CurrentUser, run64, "Приложение"), sz("C:\\Program Files\\Игра\\game.exe"));
        startup.Add("Приложение", "C:\\other.exe");
        QCOMPARE(dump(startup.FormPaint()), QStringList({"Приложение|C:\\other.exe|HKEY_CU\\Run"}));

        m.set(Root::CurrentUser, run64, "ctfmon.exe", expandSz("%windir%\\ctfmon.exe"));
        startup.Add("ctfmon.exe", "C:\\new ctfmon.exe");
        QCOMPARE(m.value(Root::CurrentUser, run64, "ctfmon.exe"), sz("C:\\new ctfmon.exe"));

        QVERIFY(m.context->finishCommand().isEmpty());
        m.open();
        QCOMPARE(dump(StartupManager(m.registry(), *m.shell).FormPaint()),
                 QStringList({"ctfmon.exe|C:\\new ctfmon.exe|HKEY_CU\\Run",
                              "Приложение|C:\\other.exe|HKEY_CU\\Run"}));
    }

    void addRefusedByAReadOnlyRegistry()
    {
        ApplicationsMachine m;
        m.machine->registry().setReadOnly(true);
        StartupManager startup(m.registry(), *m.shell);
        QVERIFY_THROWS_EXCEPTION(registry::RegistryError, startup.Add("x", "C:\\x.exe"));
    }
};

QTEST_GUILESS_MAIN(TestApplications)
#include "tst_applications.moc"
