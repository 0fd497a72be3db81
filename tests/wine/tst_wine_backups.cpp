// Tweak backups on real Wine prefixes: back up, let Wine change the values, restore, and Wine
// reads the backed-up values again.
#include "TestMachine.h"
#include "WineTools.h"

#include "BackupFiles.h"
#include "ini/IniFile.h"
#include "TweakBackups.h"
#include "TweakCatalogue.h"
#include "vista/VistaLoader.h"
#include "machine/Machine.h"
#include "shell/MachineShellServices.h"

#include "text/PathParts.h"

#include <QDir>
#include <QProcess>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::backups;
using registry::RegistryStore;

namespace {

QString rootText(tweaks::Root root) { return tweaks::rootDisplayName(root); }

// The right-hand side of `value` under `key` in a regedit export, continuation lines joined.
QString exported(const QString &text, const QString &key, const QString &value)
{
    const QString header = "[" + key + "]";
    const QStringList lines = QString(text).replace("\\\n  ", "").split('\n');
    bool inKey = false;
    const QString wanted = value.isEmpty() ? QString("@=") : "\"" + QString(value).replace("\\", "\\\\").replace("\"", "\\\"") + "\"=";
    for (const QString &line : lines) {
        if (line.startsWith('['))
            inKey = line.compare(header, Qt::CaseInsensitive) == 0;
        else if (inKey && line.startsWith(wanted, Qt::CaseInsensitive))
            return line.mid(wanted.size());
    }
    return {};
}

// How regedit writes a value Tolvex holds.
QString asExported(const QVariant &value)
{
    if (value.typeId() == QMetaType::UInt)
        return QString::asprintf("dword:%08x", value.toUInt());
    return "\"" + value.toString().replace("\\", "\\\\").replace("\"", "\\\"") + "\"";
}

QString fullKey(const BackupKey &key)
{
    // regedit exports the classes view under HKEY_LOCAL_MACHINE\Software\Classes.
    if (key.root == tweaks::Root::ClassesRoot)
        return "HKEY_LOCAL_MACHINE\\Software\\Classes\\" + QString::fromUtf8(key.keyPath);
    return rootText(key.root) + "\\" + QString::fromUtf8(key.keyPath);
}

struct Session
{
    QTemporaryDir program;
    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<platform::MachineShellServices> shell;
    std::unique_ptr<platform::ProgramContext> context;

    explicit Session(const QString &prefix)
    {
        QDir().mkpath(program.path() + "/Backups");
        machine = platform::Machine::open(prefix, program.path());
        shell = std::make_unique<platform::MachineShellServices>(*machine);
        context = std::make_unique<platform::ProgramContext>(platform::ProgramContext{*machine, *shell});
    }
};

QHash<QString, QVariant> readKeys(platform::Machine &machine)
{
    QHash<QString, QVariant> values;
    RegistryStore store(machine.registry());
    for (const BackupKey &key : xpBackupKeys()) {
        store.SelectRoot(key.root);
        if (!store.OpenPath(key.keyPath, false) || !store.HasValue(key.value))
            continue;
        try {
            values.insert(key.key, key.type == tweaks::ValueType::Dword ? QVariant::fromValue(quint32(store.GetDword(key.value)))
                                                                        : QVariant(QString::fromStdString(store.GetText(key.value))));
        } catch (const registry::RegistryError &) {
        }
        store.ClosePath();
    }
    return values;
}

// The page control that shows a backup key's value.
QString controlOf(const BackupKey &key)
{
    for (const tweaks::TweakPageDef *page : tweaks::xpPages())
        for (const tweaks::TweakEntry &row : page->rows)
            if (qstrcmp(row.value, key.value) == 0 && qstrcmp(row.keyPath, key.keyPath) == 0)
                return QString::fromUtf8(row.control);
    return {};
}

} // namespace

class TestWineBackups : public QObject
{
    Q_OBJECT

private slots:
    void xpBackupRoundTrip()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/xp";
        QVERIFY(QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_TEST_XP_PREFIX"), prefix}) == 0);
        QHash<QString, QVariant> backedUp;
        QString file;
        {
            Session s(prefix);
            QCOMPARE(s.machine->buildNumber(), 3790);
            QVERIFY(!s.machine->vistaGeneration());
            // The values to back up: every XP page applied with each box ticked, as a user would.
            tweaks::ControlStateMap controls;
            for (const tweaks::TweakPageDef *page : tweaks::xpPages())
                for (const tweaks::TweakEntry &row : page->rows) {
                    controls.add(row);
                    controls.setChecked(row.control, true);
                    if (row.controlType == tweaks::ControlType::Field || *row.field)
                        controls.setText(*row.field ? row.field : row.control,
                                         row.rule == tweaks::LoadRule::ShowText ? "Проверка" : "4096");
                }
            RegistryStore store(s.machine->registry());
            QVERIFY(tweaks::CreateKeys(store).isEmpty());
            tweaks::applyPages(tweaks::xpPages(), tweaks::xpRestoreOkOrder(), store, controls);
            QVERIFY(s.context->finishCommand().isEmpty());

            TweakBackups backups(*s.context);
            QList<Group> all;
            for (int i = 0; i < groupCount; ++i)
                all.append(Group(i));
            file = backups.makeXp(all);
            backedUp = readKeys(*s.machine);
            QVERIFY2(backedUp.size() >= 40, qPrintable(QString::number(backedUp.size())));
            const ini::IniDocument doc = backups.read(file);
            int recorded = 0;
            for (const QString &section : doc.sections())
                recorded += doc.keys(section).size();
            QCOMPARE(recorded, backedUp.size());
            QVERIFY(QFileInfo::exists(s.shell->hostPath(file)));
            // Keep the file beside the prefix for the restore session.
            QVERIFY(QFile::copy(s.shell->hostPath(file), dir.path() + "/backup.ini"));
        }

        // Wine changes every backed-up value: most in one import, two with reg add.
        QString reg = "Windows Registry Editor Version 5.00\r\n";
        for (const BackupKey &key : xpBackupKeys()) {
            if (!backedUp.contains(key.key))
                continue;
            const QVariant changed = key.type == tweaks::ValueType::Dword ? QVariant::fromValue(backedUp[key.key].toUInt() + 7)
                                                                         : QVariant(QString("изменено"));
            reg += "\r\n[" + fullKey(key) + "]\r\n\"" + QString::fromUtf8(key.value).replace("\"", "\\\"") + "\"=" +
                   asExported(changed) + "\r\n";
        }
        QFile import(dir.path() + "/change.reg");
        QVERIFY(import.open(QIODevice::WriteOnly));
        import.write("\xFF\xFE");
        import.write(reinterpret_cast<const char *>(reg.utf16()), reg.size() * 2);
        import.close();
        QCOMPARE(test::runWine(prefix, {"regedit", "/S", import.fileName()}).exitCode, 0);
        QCOMPARE(test::runWine(prefix, {"reg", "add", "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                                        "/v", "SfcDisable", "/t", "REG_DWORD", "/d", "5", "/f"})
                     .exitCode,
                 0);
        QCOMPARE(test::runWine(prefix, {"reg", "add", "HKCU\\Console", "/v", "QuickEdit", "/t", "REG_DWORD", "/d", "9", "/f"})
                     .exitCode,
                 0);
        test::waitForWineServer(prefix);

        {
            Session s(prefix);
            QVERIFY(QDir().mkpath(s.program.path() + "/Backups"));
            const QString restored = s.program.path() + "/Backups/" + text::extractFileName(file);
            QVERIFY(QFile::copy(dir.path() + "/backup.ini", restored));
            QCOMPARE(readKeys(*s.machine).value("SfcD"), QVariant::fromValue(5u));
            TweakBackups backups(*s.context);
            MemoryXpPages pages(*s.machine);
            const RestoreReport report = backups.restoreXp(s.machine->windowsPath(restored), pages);
            QVERIFY2(report.skipped.isEmpty(), qPrintable(report.endMessage()));
            QVERIFY(s.context->finishCommand().isEmpty());
        }

        // Wine itself reads the backed-up values.
        const QString hklm = test::exportKey(prefix, "HKEY_LOCAL_MACHINE");
        const QString hkcu = test::exportKey(prefix, "HKEY_CURRENT_USER");
        const QString hku = test::exportKey(prefix, "HKEY_USERS\\.DEFAULT");
        int checked = 0;
        for (const BackupKey &key : xpBackupKeys()) {
            if (!backedUp.contains(key.key))
                continue;
            const QString &text = key.root == tweaks::Root::CurrentUser ? hkcu : key.root == tweaks::Root::Users ? hku : hklm;
            QString keyName = fullKey(key);
            if (key.root == tweaks::Root::Users)
                keyName.replace(".DEFAULT", ".Default", Qt::CaseInsensitive);
            QString got = exported(text, keyName, key.value);
            if (got.isEmpty() && key.root == tweaks::Root::Users)
                got = exported(text, fullKey(key), key.value);
            QVERIFY2(got.compare(asExported(backedUp[key.key]), Qt::CaseInsensitive) == 0,
                     qPrintable(QString("%1: Wine has %2, backed up %3").arg(key.key, got, asExported(backedUp[key.key]))));
            ++checked;
        }
        QCOMPARE(checked, backedUp.size());
    }

    // A prefix only switched to XP lacks several keys the restore may not create: tolvex-cli
    // restores every value it has a key for, names the rest and ends normally.
    void cliRestoreOnPrefixThatLacksKeys()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/xp";
        QVERIFY(QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_TEST_XP_PREFIX"), prefix}) == 0);
        // A program folder of its own, so that the backup does not land beside the built programs.
        const QString program = dir.path() + "/program";
        QVERIFY(QDir().mkpath(program + "/Backups"));
        QVERIFY(QFile::copy(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli", program + "/tolvex-cli"));
        QVERIFY(QFile::setPermissions(program + "/tolvex-cli", QFile::ReadOwner | QFile::ExeOwner));
        auto cli = [&](const QStringList &args) {
            QProcess p;
            p.start(program + "/tolvex-cli", QStringList{"--machine", prefix} + args);
            p.waitForFinished(60000);
            return std::tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
                              QString::fromUtf8(p.readAllStandardError()));
        };

        const auto [made, file, madeErr] = cli({"backup", "make", "НРС", "НП", "СБ", "СН", "К", "ВвС", "ПЗ", "МП", "П"});
        QCOMPARE(made, 0);
        const QString hostFile = program + "/Backups/" + text::extractFileName(file);
        const QByteArray backup = test::readFile(hostFile);
        // What the backup recorded, as the values it stands for.
        QHash<QString, QVariant> backedUp;
        const ini::IniDocument recorded = ini::IniFile(hostFile).load();
        for (const BackupKey &key : xpBackupKeys()) {
            const QString section = QString::fromUtf8(groupInfo(key.group).section);
            if (!recorded.contains(section, key.key))
                continue;
            const QString text = recorded.value(section, key.key);
            backedUp.insert(key.key, key.type == tweaks::ValueType::Dword ? QVariant::fromValue(*integerOf(text))
                                                                          : QVariant(text));
        }

        // Wine changes values in groups restored before "Системные настройки", in it and after it.
        const QString reg = "Windows Registry Editor Version 5.00\r\n"
                            "\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"DragFullWindows\"=\"1\"\r\n"
                            "\"HungAppTimeout\"=\"9000\"\r\n"
                            "\r\n[HKEY_CURRENT_USER\\Control Panel\\Mouse]\r\n\"SnapToDefaultButton\"=\"1\"\r\n"
                            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n"
                            "\"Auto\"=\"0\"\r\n"
                            "\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}]\r\n"
                            "\"LocalizedString\"=\"Мусор\"\r\n";
        QFile import(dir.path() + "/change.reg");
        QVERIFY(import.open(QIODevice::WriteOnly));
        import.write("\xFF\xFE");
        import.write(reinterpret_cast<const char *>(reg.utf16()), reg.size() * 2);
        import.close();
        QCOMPARE(test::runWine(prefix, {"regedit", "/S", import.fileName()}).exitCode, 0);
        test::waitForWineServer(prefix);

        const auto [restored, out, err] = cli({"backup", "restore", file});
        QCOMPARE(restored, 0);
        QCOMPARE(out, QString("Востановление завершено"));
        QVERIFY2(err.startsWith("Не восстановлено:\n"), qPrintable(err));
        for (const char *missing : {"DefaultSeparateVDM", "Enable", "InitialKeyboardIndicators"})
            QVERIFY2(err.contains(QString(missing) + ": нет раздела "), qPrintable(err));
        QVERIFY2(!err.contains("отказано"), qPrintable(err));
        QCOMPARE(test::readFile(hostFile), backup);

        // Wine reads every value that had a key back as it was backed up. A text the page cannot
        // show (MinAnimate recorded empty) is then written by the page's OK as its unchecked data.
        const QString hklm = test::exportKey(prefix, "HKEY_LOCAL_MACHINE");
        const QString hkcu = test::exportKey(prefix, "HKEY_CURRENT_USER");
        int compared = 0;
        for (const BackupKey &key : xpBackupKeys()) {
            if (!backedUp.contains(key.key) || err.contains(QString::fromUtf8(key.value) + ": нет раздела"))
                continue;
            QVariant expected = backedUp[key.key];
            if (const tweaks::TweakEntry *row = tweaks::findRow(tweaks::xpPages(), controlOf(key)))
                if (row->controlType == tweaks::ControlType::CheckBox && key.type == tweaks::ValueType::Text &&
                    expected != row->checked.text && expected != row->unchecked.text)
                    expected = QString::fromUtf8(row->unchecked.text);
            const QString got = exported(key.root == tweaks::Root::CurrentUser ? hkcu : hklm, fullKey(key), key.value);
            QVERIFY2(got == asExported(expected),
                     qPrintable(QString("%1: Wine has %2, expected %3").arg(key.key, got, asExported(expected))));
            ++compared;
        }
        QCOMPARE(compared + err.count(": нет раздела "), backedUp.size());
        QVERIFY(compared >= 8);

        // While Wine holds the registry the machine is read-only: the writes are refused, and
        // that is a failure.
        test::runProgram("wineserver", {"-p30"}, prefix);
        const QByteArray hive = test::readFile(prefix + "/user.reg");
        const auto [refused, refusedOut, refusedErr] = cli({"backup", "restore", file});
        test::runProgram("wineserver", {"-k"}, prefix);
        QCOMPARE(refused, 1);
        QVERIFY2(refusedErr.contains("DragFullWindows: отказано в доступе"), qPrintable(refusedErr));
        QCOMPARE(test::readFile(prefix + "/user.reg"), hive);
    }

    void vistaBackupRoundTrip()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/vista";
        QVERIFY(QProcess::execute("cp", {"-a", test::freshPrefix(), prefix}) == 0);
        // The values behind the Vista check boxes, and the recycle-bin name.
        struct Place { tweaks::Root root; QString key, value; };
        QList<Place> places;
        for (const tweaks::TweakPageDef *page : tweaks::vistaPages())
            for (const tweaks::TweakEntry &row : page->rows)
                if (row.rule != tweaks::LoadRule::Custom)
                    places.append({row.root, row.keyPath, row.value});
        places.append({tweaks::Root::ClassesRoot, "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}", "LocalizedString"});
        auto read = [&](platform::Machine &machine) {
            QHash<QString, QVariant> values;
            RegistryStore store(machine.registry());
            for (const Place &p : places) {
                store.SelectRoot(p.root);
                if (store.OpenPath(p.key.toStdString(), false)) {
                    const auto raw = store.GetRaw(p.value.toStdString());
                    if (raw && raw->type == registry::type::Dword)
                        values.insert(p.value, QVariant::fromValue(quint32(store.GetDword(p.value.toStdString()))));
                    else if (raw)
                        values.insert(p.value, QString::fromStdString(store.GetText(p.value.toStdString())));
                }
                store.ClosePath();
            }
            return values;
        };

        QHash<QString, QVariant> backedUp;
        QString file;
        {
            Session s(prefix);
            QVERIFY(s.machine->vistaGeneration());
            tweaks::ControlStateMap controls;
            for (const tweaks::TweakPageDef *page : tweaks::vistaPages())
                for (const tweaks::TweakEntry &row : page->rows) {
                    controls.add(row);
                    controls.setChecked(row.control, true);
                }
            controls.setText(tweaks::vistaRecycleBinField, "Корзинка");
            RegistryStore store(s.machine->registry());
            QVERIFY(tweaks::applyPages(tweaks::vistaPages(), {"vPZOK", "vNSOK", "vNKOK", "vNPOK"}, store, controls).isEmpty());
            QVERIFY(s.context->finishCommand().isEmpty());
            tweaks::VistaSnapshot snapshot;
            tweaks::VLoadRegedit(store, controls, snapshot);
            QCOMPARE(snapshot.recycleBinName, QString("Корзинка"));
            TweakBackups backups(*s.context);
            file = backups.makeVista({Group::Explorer, Group::System, Group::RecycleBin, Group::Taskbar}, snapshot);
            QVERIFY(QFile::copy(s.shell->hostPath(file), dir.path() + "/backup.ini"));
            backedUp = read(*s.machine);
            QCOMPARE(backedUp.size(), places.size());
        }

        // Wine changes them all.
        QString reg = "Windows Registry Editor Version 5.00\r\n";
        for (const Place &p : places) {
            const QVariant v = backedUp[p.value];
            const QVariant changed = v.typeId() == QMetaType::UInt ? QVariant::fromValue(v.toUInt() + 7) : QVariant("другое");
            const QString key = p.root == tweaks::Root::ClassesRoot ? "HKEY_LOCAL_MACHINE\\Software\\Classes\\" + p.key
                                                                    : tweaks::rootDisplayName(p.root) + "\\" + p.key;
            reg += "\r\n[" + key + "]\r\n\"" + p.value + "\"=" + asExported(changed) + "\r\n";
        }
        QFile import(dir.path() + "/change.reg");
        QVERIFY(import.open(QIODevice::WriteOnly));
        import.write("\xFF\xFE");
        import.write(reinterpret_cast<const char *>(reg.utf16()), reg.size() * 2);
        import.close();
        QCOMPARE(test::runWine(prefix, {"regedit", "/S", import.fileName()}).exitCode, 0);
        QCOMPARE(test::runWine(prefix, {"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "AutoEndTasks", "/d", "0", "/f"})
                     .exitCode,
                 0);
        test::waitForWineServer(prefix);

        {
            Session s(prefix);
            QCOMPARE(read(*s.machine).value("AutoEndTasks"), QVariant("0"));
            const QString restored = s.program.path() + "/Backups/" + text::extractFileName(file);
            QVERIFY(QFile::copy(dir.path() + "/backup.ini", restored));
            TweakBackups backups(*s.context);
            tweaks::ControlStateMap controls;
            for (const tweaks::TweakPageDef *page : tweaks::vistaPages())
                for (const tweaks::TweakEntry &row : page->rows)
                    controls.add(row);
            RegistryStore store(s.machine->registry());
            tweaks::VistaSnapshot snapshot;
            tweaks::VLoadRegedit(store, controls, snapshot);
            QStringList errors;
            restoreVistaBackup(backups.read(s.machine->windowsPath(restored)), controls, [&](const QString &ok) {
                errors += tweaks::applyPages(tweaks::vistaPages(), {ok}, store, controls);
            });
            QVERIFY(errors.isEmpty());
            QVERIFY(s.context->finishCommand().isEmpty());
        }

        const QString hklm = test::exportKey(prefix, "HKEY_LOCAL_MACHINE");
        const QString hkcu = test::exportKey(prefix, "HKEY_CURRENT_USER");
        for (const Place &p : places) {
            const QString key = p.root == tweaks::Root::ClassesRoot ? "HKEY_LOCAL_MACHINE\\Software\\Classes\\" + p.key
                                                                    : tweaks::rootDisplayName(p.root) + "\\" + p.key;
            const QString got = exported(p.root == tweaks::Root::CurrentUser ? hkcu : hklm, key, p.value);
            QVERIFY2(got.compare(asExported(backedUp[p.value]), Qt::CaseInsensitive) == 0,
                     qPrintable(QString("%1: Wine has %2, backed up %3").arg(p.value, got, asExported(backedUp[p.value]))));
        }
    }
};

QTEST_GUILESS_MAIN(TestWineBackups)
#include "tst_wine_backups.moc"
