// Load and write rules of the desktop, recycle-bin and explorer rows, without widgets.
#include "TestMachine.h"

#include "TweakCatalogue.h"
#include "registry/HiveRegistry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::tweaks;
using registry::RegistryError;
using registry::RegistryStore;

namespace {

const QByteArray binKey = "\n[Software\\\\Classes\\\\CLSID\\\\{645FF040-5081-101B-9F08-00AA002F954E}]\n";
const QByteArray nameSpace = "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\MyComputer\\\\NameSpace";
const QByteArray binIcon = nameSpace + "\\\\{645FF040-5081-101B-9F08-00AA002F954E}]\n@=\"Recycle Bin\"\n";
const QByteArray otherIcon = nameSpace + "\\\\{2227A280-3AEA-1069-A2DE-08002B30309D}]\n@=\"Printers and Faxes\"\n";
const QByteArray copyTo = "\n[Software\\\\Classes\\\\*\\\\shellex\\\\ContextMenuHandlers\\\\Copy To]\n";
const QByteArray handler = "\"{C2FBB630-2971-11D1-A18C-00C04FD75D13}\"";

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
    QByteArray system() const { return test::readFile(dir.path() + "/system.reg"); }
};

ControlStateMap loaded(registry::HiveRegistry &hives)
{
    ControlStateMap controls;
    for (const TweakPageDef *page : xpPages())
        for (const TweakEntry &row : page->rows)
            controls.add(row);
    RegistryStore store(hives);
    loadPages(xpPages(), xpLoadOrder(), store, controls);
    return controls;
}

QString describe(const TweakControls &controls, const QString &control)
{
    const TweakEntry *row = findRow(xpPages(), control);
    const bool field = row && row->controlType == ControlType::Field;
    return (field ? "text:" + controls.text(control) : QString(controls.checked(control) ? "checked" : "unchecked")) +
           (controls.enabled(control) ? "" : " greyed");
}

} // namespace

class TestXpDesktopRows : public QObject
{
    Q_OBJECT

private slots:
    // A misspelt control would be missing from the load order and never read.
    void everyRowIsLoadedOnce()
    {
        const QStringList order = xpLoadOrder();
        for (const TweakPageDef *page : {&desktopPage(), &recycleBinPage(), &explorerPage()})
            for (const TweakEntry &row : page->rows)
                QVERIFY2(order.count(row.control) == 1, row.control);
    }

    void loadRules_data()
    {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Copy To in the apostrophe value") << copyTo + "\"'\"=" + handler + "\n" << QByteArray()
                                                          << "AddCopyTo" << "checked";
        QTest::newRow("Copy To in the default value only") << copyTo + "@=" + handler + "\n" << QByteArray()
                                                            << "AddCopyTo" << "unchecked";
        QTest::newRow("Copy To with another handler") << copyTo + "\"'\"=\"{00000000-0000-0000-0000-000000000000}\"\n"
                                                      << QByteArray() << "AddCopyTo" << "unchecked";
        QTest::newRow("Copy To of another kind greys") << copyTo + "\"'\"=dword:00000001\n" << QByteArray() << "AddCopyTo"
                                                       << "unchecked greyed";
        QTest::newRow("Copy To key absent") << QByteArray() << QByteArray() << "AddCopyTo" << "unchecked";

        const QByteArray metrics = "\n[Control Panel\\\\Desktop\\\\WindowMetrics]\n";
        QTest::newRow("MinAnimate as DWORD greys") << QByteArray() << metrics + "\"MinAnimate\"=dword:00000001\n"
                                                   << "AnimPrSvorWindow" << "unchecked greyed";
        QTest::newRow("MinAnimate expandable") << QByteArray() << metrics + "\"MinAnimate\"=str(2):\"1\"\n"
                                               << "AnimPrSvorWindow" << "checked";
        QTest::newRow("IsShortcut empty") << QByteArray("\n[Software\\\\Classes\\\\lnkfile]\n\"IsShortcut\"=\"\"\n")
                                          << QByteArray() << "DelStrIar" << "unchecked";
        QTest::newRow("paging as binary greys")
            << QByteArray("\n[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Memory Management]\n"
                          "\"DisablePagingExecutive\"=hex:01,00,00,00\n")
            << QByteArray() << "NoUsingFilePod" << "unchecked greyed";
        QTest::newRow("desktop policy 2") << QByteArray()
                                          << QByteArray("\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies"
                                                        "\\\\Explorer]\n\"NoDesktop\"=dword:00000002\n")
                                          << "DISRS" << "unchecked";

        QTest::newRow("bin name") << binKey + "\"LocalizedString\"=\"\\x41a\\x43e\\x440\\x437\\x438\\x43d\\x430\"\n"
                                  << QByteArray() << "sEdit3" << "text:Корзина";
        QTest::newRow("bin name expandable") << binKey + "\"LocalizedString\"=str(2):\"@shell32.dll,-8964\"\n"
                                             << QByteArray() << "sEdit3" << "text:@shell32.dll,-8964";
        QTest::newRow("bin name absent") << binKey + "@=\"Recycle Bin\"\n" << QByteArray() << "sEdit3" << "text:";
        QTest::newRow("bin key absent") << QByteArray() << QByteArray() << "sEdit3" << "text:";
        QTest::newRow("bin name as DWORD greys") << binKey + "\"LocalizedString\"=dword:00000001\n" << QByteArray()
                                                 << "sEdit3" << "text: greyed";
        QTest::newRow("bin name as binary greys") << binKey + "\"LocalizedString\"=hex:41,00\n" << QByteArray()
                                                  << "sEdit3" << "text: greyed";

        QTest::newRow("bin icon") << binIcon << QByteArray() << "ADDSHortInMyC" << "checked";
        QTest::newRow("bin icon absent") << otherIcon << QByteArray() << "ADDSHortInMyC" << "unchecked";
        QTest::newRow("NameSpace absent") << QByteArray() << QByteArray() << "ADDSHortInMyC" << "unchecked";
        // Not below NameSpace, so not the icon.
        QTest::newRow("subkey at the root") << QByteArray("\n[{645FF040-5081-101B-9F08-00AA002F954E}]\n@=\"x\"\n")
                                            << QByteArray() << "ADDSHortInMyC" << "unchecked";
    }

    void loadRules()
    {
        QFETCH(QByteArray, system);
        QFETCH(QByteArray, user);
        QFETCH(QString, control);
        QFETCH(QString, expected);
        Fixture f(system, user);
        const QByteArray before = f.system();
        const ControlStateMap controls = loaded(f.hives);
        QCOMPARE(describe(controls, control), expected);
        QVERIFY(f.hives.flush().empty());
        QCOMPARE(f.system(), before);
    }

    // Greyed like any other failed read; the rows after it still load.
    void binNameOfAnotherKindDoesNotEndTheLoad()
    {
        Fixture f(binKey + "\"LocalizedString\"=dword:00000001\n" + binIcon,
                  "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\Explorer]\n"
                  "\"NoDesktop\"=dword:00000001\n"
                  "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\System]\n"
                  "\"NoDispAppearancePage\"=dword:00000001\n");
        const ControlStateMap controls = loaded(f.hives);
        QCOMPARE(describe(controls, "sEdit3"), QString("text: greyed"));
        QCOMPARE(describe(controls, "ADDSHortInMyC"), QString("checked"));
        QCOMPARE(describe(controls, "DISRS"), QString("checked"));
        QCOMPARE(describe(controls, "HIDETAO"), QString("checked"));
    }

    void writeRules_data()
    {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected"); // lines the machine hive then holds; "!" for lines it must not
        const QString clsid = "{C2FBB630-2971-11D1-A18C-00C04FD75D13}";
        QTest::newRow("Copy To off keeps the default value")
            << copyTo + "@=" + handler + "\n\"'\"=" + handler + "\n" << "AddCopyTo" << false << ""
            << QStringList{"@=\"" + clsid + "\"\n\"'\"=\"\""};
        QTest::newRow("Copy To on") << QByteArray() << "AddCopyTo" << true << ""
                                    << QStringList{"ContextMenuHandlers\\\\Copy To]", "\"'\"=\"" + clsid + "\""};
        QTest::newRow("empty bin name") << binKey + "\"LocalizedString\"=\"x\"\n" << "sEdit3" << false << ""
                                        << QStringList{"\"LocalizedString\"=\"\""};
        QTest::newRow("bin icon on makes NameSpace")
            << QByteArray() << "ADDSHortInMyC" << true << ""
            << QStringList{"NameSpace\\\\{645FF040-5081-101B-9F08-00AA002F954E}]"};
        QTest::newRow("bin icon off removes its subtree")
            << binIcon + nameSpace + "\\\\{645FF040-5081-101B-9F08-00AA002F954E}\\\\Child]\n\"x\"=dword:00000001\n" +
                   otherIcon
            << "ADDSHortInMyC" << false << ""
            << QStringList{"!{645FF040", "NameSpace\\\\{2227A280-3AEA-1069-A2DE-08002B30309D}]"};
        QTest::newRow("bin icon off, none there") << otherIcon << "ADDSHortInMyC" << false << ""
                                                  << QStringList{"!{645FF040"};
    }

    void writeRules()
    {
        QFETCH(QByteArray, system);
        QFETCH(QString, control);
        QFETCH(bool, on);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        Fixture f(system);
        const TweakEntry *row = findRow(xpPages(), control);
        QVERIFY(row);
        ControlStateMap controls;
        controls.add(*row);
        controls.setChecked(control, on);
        controls.setText(control, text);
        RegistryStore store(f.hives);
        QCOMPARE(TweakEngine::applyRow(*row, store, controls), QStringList());
        QVERIFY(f.hives.flush().empty());
        const QByteArray hive = f.system();
        for (const QString &line : expected) {
            if (line.startsWith('!'))
                QVERIFY2(!hive.contains(line.mid(1).toUtf8()), hive.constData());
            else
                QVERIFY2(hive.contains(line.toUtf8()), hive.constData());
        }
    }

    // A name field that could not be read never showed the value, so OK leaves it as it is.
    void greyedBinNameIsNotWritten()
    {
        Fixture f(binKey + "\"LocalizedString\"=dword:00000001\n");
        const QByteArray before = f.system();
        ControlStateMap controls = loaded(f.hives);
        RegistryStore store(f.hives);
        QCOMPARE(TweakEngine::applyRow(*findRow(xpPages(), "sEdit3"), store, controls), QStringList());
        QVERIFY(f.hives.flush().empty());
        QCOMPARE(f.system(), before);
    }

    // The recycle-bin rows raise the store's error; the other rows report their own text.
    void refusedWrites_data()
    {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("expected"); // "raises:" the error's text, or the access error
        QTest::newRow("bin name") << binKey + "\"LocalizedString\"=\"x\"\n" << "sEdit3" << false
                                  << "raises:Failed to set data for 'LocalizedString'";
        QTest::newRow("bin key missing") << QByteArray() << "sEdit3" << false
                                         << "raises:Failed to set data for 'LocalizedString'";
        QTest::newRow("bin icon made") << otherIcon << "ADDSHortInMyC" << true
                                       << "raises:Failed to create key {645FF040-5081-101B-9F08-00AA002F954E}";
        QTest::newRow("NameSpace missing")
            << QByteArray() << "ADDSHortInMyC" << true
            << "raises:Failed to create key SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace";
        QTest::newRow("bin icon removed") << binIcon << "ADDSHortInMyC" << false
                                          << "raises:Failed to delete key {645FF040-5081-101B-9F08-00AA002F954E}";
        QTest::newRow("bin icon there already") << binIcon << "ADDSHortInMyC" << true << "";
        QTest::newRow("no bin icon to remove") << otherIcon << "ADDSHortInMyC" << false << "";
        QTest::newRow("no NameSpace to remove from") << QByteArray() << "ADDSHortInMyC" << false << "";
        QTest::newRow("Copy To") << QByteArray() << "AddCopyTo" << true << "Не удается получить доступ к \"'-1\"";
        QTest::newRow("Move To") << QByteArray() << "AddMoveTo" << false << "Не удается получить доступ к \"'-2\"";
        QTest::newRow("hidden row") << QByteArray() << "DelStrIar" << false << "Не удается получить доступ к \"IsShortcut\"";
    }

    void refusedWrites()
    {
        QFETCH(QByteArray, system);
        QFETCH(QString, control);
        QFETCH(bool, on);
        QFETCH(QString, expected);
        Fixture f(system);
        f.hives.setReadOnly(true);
        const TweakEntry *row = findRow(xpPages(), control);
        ControlStateMap controls;
        controls.add(*row);
        controls.setChecked(control, on);
        RegistryStore store(f.hives);
        QString result;
        try {
            result = TweakEngine::applyRow(*row, store, controls).join('|');
        } catch (const RegistryError &e) {
            result = "raises:" + QString::fromUtf8(e.what());
        }
        QCOMPARE(result, expected);
    }
};

QTEST_GUILESS_MAIN(TestXpDesktopRows)
#include "tst_xp_desktop_rows.moc"
