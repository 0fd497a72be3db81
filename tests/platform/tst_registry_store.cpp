// The registry store's contract, as a table of small scripts run against one hive fixture.
#include "TestMachine.h"

#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using registry::RegistryError;
using registry::RegistryStore;
using registry::Root;

namespace {

const QByteArray systemBody = R"(
[Software\\Classes\\.txt] 1167609600
#time=1c72d37c7b00000
@="txtfile"

[Software\\Classes\\txtfile\\shell\\open\\command] 1167609600
#time=1c72d37c7b00000
@=str(2):"%SystemRoot%\\notepad.exe %1"

[System\\ControlSet001\\Control\\Session Manager] 1167609600
#time=1c72d37c7b00000
"Binary"=hex:01,02
"Count"=dword:00000007

[System\\CurrentControlSet] 1167609600
#time=1c72d37c7b00000
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,\
  5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,\
  00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,\
  74,00,30,00,30,00,31,00
)";

const QByteArray userBody = R"(
[Software\\Test] 1167609600
#time=1c72d37c7b00000
"Cut"=hex(1):61,00,00,00,62,00,00,00
"Dword"=dword:ffffff9d
"Multi"=str(7):"a\0b\0"
"Text"="one"
"WrongDword"="1"

[Software\\Test\\Section] 1167609600
#time=1c72d37c7b00000
"Name"="from section"
"NotText"=dword:00000001

[Software\\Test\\Tree\\A\\B] 1167609600
#time=1c72d37c7b00000
"Leaf"="x"

[Software\\Test\\Tree\\C] 1167609600
#time=1c72d37c7b00000
)";

} // namespace

class TestRegistryStore : public QObject
{
    Q_OBJECT

private:
    // Runs one step "op|arg|arg" and returns what it gave, as text.
    static QString run(RegistryStore &store, const QString &step)
    {
        const QStringList p = step.split(u'|');
        const QString op = p.value(0);
        auto arg = [&](int i) { return p.value(i).toStdString(); };
        auto yes = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
        try {
            if (op == "root") {
                const QHash<QString, Root> roots{{"HKCR", Root::ClassesRoot},
                                                 {"HKCU", Root::CurrentUser},
                                                 {"HKLM", Root::LocalMachine},
                                                 {"HKU", Root::Users}};
                store.SelectRoot(roots.value(p.value(1)));
                return "ok";
            }
            if (op == "open")
                return yes(store.OpenPath(arg(1), false));
            if (op == "create")
                return yes(store.OpenPath(arg(1), true));
            if (op == "close") {
                store.ClosePath();
                return "ok";
            }
            if (op == "current")
                return store.HasCurrentKey() ? QString::fromStdString(store.CurrentPath()) : "(none)";
            if (op == "dword")
                return QStringLiteral("0x%1").arg(store.GetDword(arg(1)), 0, 16);
            if (op == "text")
                return QString::fromStdString(store.GetText(arg(1)));
            if (op == "setdword") {
                store.SetDword(arg(1), p.value(2).toUInt(nullptr, 0));
                return "ok";
            }
            if (op == "settext") {
                store.SetText(arg(1), arg(2));
                return "ok";
            }
            if (op == "haskey")
                return yes(store.HasKey(arg(1)));
            if (op == "hasvalue")
                return yes(store.HasValue(arg(1)));
            if (op == "makekey") {
                store.MakeKey(arg(1));
                return "ok";
            }
            if (op == "removekey")
                return yes(store.RemoveKey(arg(1)));
            if (op == "removevalue")
                return yes(store.RemoveValue(arg(1)));
            if (op == "section")
                return QString::fromStdString(store.GetSectionText(arg(1), arg(2), arg(3)));
            if (op == "subkeys" || op == "values") {
                QStringList names;
                for (const std::string &n : op == "subkeys" ? store.SubkeyNames() : store.ValueNames())
                    names.append(QString::fromStdString(n));
                return names.join(u',');
            }
            if (op == "kind") {
                static const char *kinds[] = {"string", "expand", "dword", "binary", "unknown"};
                return kinds[int(store.ValueKind(arg(1)))];
            }
            if (op == "hassubkeys")
                return yes(store.HasSubkeys());
            if (op == "islink")
                return yes(store.IsLink(arg(1)));
        } catch (const RegistryError &e) {
            return QStringLiteral("error: ") + e.what();
        }
        return "unknown step " + op;
    }

private slots:
    void semantics_data()
    {
        QTest::addColumn<QStringList>("steps"); // "step => expected"
        QTest::newRow("default root is HKCU, relative to root") << QStringList{
            "open|Software\\Test => true", "current => Software\\Test", "text|Text => one"};
        QTest::newRow("relative to the current key") << QStringList{
            "open|Software => true", "open|Test\\Section => true", "current => Software\\Test\\Section",
            "text|Name => from section"};
        QTest::newRow("leading backslash is absolute") << QStringList{
            "open|Software\\Test\\Section => true", "open|\\Software\\Test => true", "current => Software\\Test"};
        QTest::newRow("failed open keeps the previous key") << QStringList{
            "open|Software\\Test => true", "open|Missing => false", "current => Software\\Test",
            "text|Text => one"};
        QTest::newRow("names ignore case") << QStringList{
            "open|SOFTWARE\\test => true", "text|TEXT => one", "haskey|\\software\\TEST\\section => true"};
        QTest::newRow("another root closes the key, the same keeps it") << QStringList{
            "open|Software\\Test => true", "root|HKCU => ok", "current => Software\\Test", "root|HKLM => ok",
            "current => (none)", "text|Text => "};
        QTest::newRow("GetDword failures") << QStringList{
            "dword|Dword => error: Failed to get data for 'Dword'", "open|Software\\Test => true",
            "dword|Dword => 0xffffff9d", "dword|Absent => error: Failed to get data for 'Absent'",
            "dword|WrongDword => error: Invalid data type for 'WrongDword'",
            "dword|Text => error: Invalid data type for 'Text'"};
        QTest::newRow("GetText: absent is empty, other kinds fail, NUL cuts") << QStringList{
            "text|Anything => ", "open|Software\\Test => true", "text|Absent => ",
            "text|Dword => error: Invalid data type for 'Dword'", "text|Multi => error: Invalid data type for 'Multi'",
            "kind|Cut => string", "text|Cut => a"};
        QTest::newRow("expandable text is returned unexpanded") << QStringList{
            "root|HKCR => ok", "open|txtfile\\shell\\open\\command => true", "kind| => expand",
            "text| => %SystemRoot%\\notepad.exe %1"};
        QTest::newRow("value kinds") << QStringList{
            "root|HKLM => ok", "open|System\\ControlSet001\\Control\\Session Manager => true",
            "kind|Count => dword", "kind|Binary => binary", "kind|Absent => unknown"};
        QTest::newRow("links are followed on open") << QStringList{
            "root|HKLM => ok", "open|SYSTEM\\CurrentControlSet\\Control\\Session Manager => true",
            "dword|Count => 0x7", "islink|\\System\\CurrentControlSet => true", "islink|\\System => false"};
        QTest::newRow("HKCR is HKLM Software\\Classes") << QStringList{
            "root|HKCR => ok", "open|.txt => true", "text| => txtfile", "root|HKLM => ok",
            "create|Software\\Classes\\.new => true", "settext||newfile => ok", "root|HKCR => ok",
            "open|.NEW => true", "text| => newfile"};
        QTest::newRow("HKU holds .DEFAULT and the user") << QStringList{
            "root|HKU => ok", "open|S-1-5-21-0-0-0-1000\\Software\\Test => true", "text|Text => one",
            "haskey|\\.default => true", "haskey|\\S-1-5-18 => false", "create|\\NoSuchUser\\X => false"};
        QTest::newRow("GetSectionText") << QStringList{
            "open|Software\\Test => true", "section|Section|Name|dflt => from section",
            "section|Section|Missing|dflt => dflt", "section|NoSection|Name|dflt => dflt",
            "section|Section|NotText|dflt => error: Invalid data type for 'NotText'",
            "current => Software\\Test"};
        QTest::newRow("create makes every missing key") << QStringList{
            "create|Software\\New\\One\\Two => true", "setdword|V|0xFFFFFFFF => ok", "dword|V => 0xffffffff",
            "haskey|\\Software\\New\\One => true"};
        QTest::newRow("setting without a key fails") << QStringList{
            "setdword|V|1 => error: Failed to set data for 'V'", "settext|T|x => error: Failed to set data for 'T'"};
        QTest::newRow("SetText replaces any kind") << QStringList{
            "open|Software\\Test => true", "settext|Dword|now text => ok", "kind|Dword => string",
            "text|Dword => now text", "setdword|Text|5 => ok", "dword|Text => 0x5"};
        QTest::newRow("MakeKey is relative and keeps the current key") << QStringList{
            "open|Software\\Test => true", "makekey|Made\\Here => ok", "current => Software\\Test",
            "haskey|Made\\Here => true", "root|HKU => ok", "makekey|Orphan => error: Failed to create key Orphan"};
        QTest::newRow("RemoveKey deletes the subtree and never fails") << QStringList{
            "open|Software\\Test => true", "removekey|Tree => true", "haskey|Tree\\A\\B => false",
            "haskey|Tree => false", "removekey|Tree => false", "removekey| => false",
            "subkeys => Section"};
        QTest::newRow("removing a link removes the link, not its target") << QStringList{
            "root|HKLM => ok", "removekey|System\\CurrentControlSet => true",
            "haskey|System\\ControlSet001\\Control\\Session Manager => true",
            "haskey|System\\CurrentControlSet => false"};
        QTest::newRow("HasKey and HasValue never fail") << QStringList{
            "hasvalue|X => false", "haskey|Software\\\\Bad => false", "haskey| => true",
            "open|Software\\Test => true", "hasvalue|Text => true", "hasvalue|text => true",
            "hasvalue|Missing => false", "haskey|Section => true", "haskey|\\Section => false"};
        QTest::newRow("RemoveValue") << QStringList{
            "removevalue|Text => false", "open|Software\\Test => true", "removevalue|TEXT => true",
            "hasvalue|Text => false", "removevalue|Text => false"};
        QTest::newRow("enumeration") << QStringList{
            "subkeys => ", "values => ", "open|Software\\Test => true", "subkeys => Section,Tree",
            "values => Cut,Dword,Multi,Text,WrongDword", "hassubkeys => true", "open|Section => true",
            "hassubkeys => false"};
        QTest::newRow("trailing backslash is ignored") << QStringList{
            "open|Software\\Test\\ => true", "current => Software\\Test"};
    }

    void semantics()
    {
        QFETCH(QStringList, steps);
        QTemporaryDir dir;
        test::writeMachine(dir.path(), systemBody, userBody);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        QVERIFY(hives.loadErrors().empty());
        RegistryStore store(hives);
        for (const QString &step : steps) {
            const qsizetype arrow = step.indexOf(" => ");
            QVERIFY2(arrow > 0, qPrintable(step));
            QCOMPARE(run(store, step.left(arrow)), step.mid(arrow + 4));
        }
    }

    void changesReachTheFileOnlyWhenSaved()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), systemBody, userBody);
        const QByteArray before = test::readFile(dir.path() + "/user.reg");
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        {
            RegistryStore store(hives);
            QVERIFY(store.OpenPath("Software\\Test", true));
            store.SetText("Text", "two");
        }
        QCOMPARE(test::readFile(dir.path() + "/user.reg"), before);
        QVERIFY(hives.flush().empty());
        const QByteArray after = test::readFile(dir.path() + "/user.reg");
        QVERIFY(after.contains("\"Text\"=\"two\"\n"));
        // Keys that were not touched keep their text, time stamps included.
        QVERIFY(after.contains("[Software\\\\Test\\\\Section] 1167609600\n#time=1c72d37c7b00000\n"));
        QCOMPARE(test::readFile(dir.path() + "/system.reg").size(), test::hiveText("Machine", systemBody).size());

        // Lazy writing off: closing the key writes at once.
        RegistryStore store(hives);
        store.SetLazyWrite(false);
        QVERIFY(store.OpenPath("Software\\Test", false));
        store.SetText("Text", "three");
        store.ClosePath();
        QVERIFY(test::readFile(dir.path() + "/user.reg").contains("\"Text\"=\"three\"\n"));
    }

    // Another program (Wine) writes user.reg after Tolvex read it and before Tolvex saves: the save
    // reads the file again and makes Tolvex's changes once more on top of it, in their order.
    void fileWrittenMeanwhile_data()
    {
        QTest::addColumn<QString>("tolvex");    // steps, ';' between them
        QTest::addColumn<QByteArray>("other");  // what the other program wrote, after the header
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QByteArray testKey = "\n[Software\\\\Test] 1300000000\n#time=1cb00000000000\n";
        QTest::newRow("both set one value: Tolvex's is the later write")
            << "open|Software\\Test;settext|Text|tolvex"
            << testKey + "\"Other\"=\"1\"\n\"Text\"=\"other\"\n"
            << QStringList{"\"Other\"=\"1\"", "\"Text\"=\"tolvex\""} << QStringList{"\"Text\"=\"other\""};
        QTest::newRow("a key the other deleted, set by Tolvex")
            << "open|Software\\Test\\Section;settext|Name|mine" << testKey + "\"Text\"=\"one\"\n"
            << QStringList{"[Software\\\\Test\\\\Section]", "\"Name\"=\"mine\""} << QStringList{"NotText"};
        QTest::newRow("a tree Tolvex deleted, grown by the other")
            << "open|Software\\Test;removekey|Tree"
            << testKey + "\n[Software\\\\Test\\\\Tree\\\\New] 1300000000\n\"X\"=\"1\"\n"
            << QStringList{"[Software\\\\Test]"} << QStringList{"Tree"};
        QTest::newRow("a value Tolvex deleted, changed by the other")
            << "open|Software\\Test;removevalue|Dword" << testKey + "\"Dword\"=dword:00000001\n\"Keep\"=\"k\"\n"
            << QStringList{"\"Keep\"=\"k\""} << QStringList{"Dword"};
        QTest::newRow("keys made by Tolvex beside keys made by the other")
            << "makekey|Software\\Made\\Deep;open|Software\\Made\\Deep;setdword|N|5"
            << QByteArray("\n[Software\\\\Other] 1300000000\n#time=1cb00000000000\n\"W\"=\"wine\"\n")
            << QStringList{"[Software\\\\Made\\\\Deep]", "\"N\"=dword:00000005",
                           "\n[Software\\\\Other] 1300000000\n#time=1cb00000000000\n\"W\"=\"wine\"\n"}
            << QStringList{"[Software\\\\Test]"};
        QTest::newRow("set, deleted and set again by Tolvex")
            << "open|Software\\Test;settext|Again|1;removevalue|Again;settext|Again|2"
            << testKey << QStringList{"\"Again\"=\"2\""} << QStringList{"\"Again\"=\"1\""};
    }

    void fileWrittenMeanwhile()
    {
        QFETCH(QString, tolvex);
        QFETCH(QByteArray, other);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QTemporaryDir dir;
        test::writeMachine(dir.path(), systemBody, userBody);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        RegistryStore store(hives);
        for (const QString &step : tolvex.split(u';')) {
            const QString result = run(store, step);
            QVERIFY2(result == "ok" || result == "true", qPrintable(step + " gave " + result));
        }
        const QByteArray systemBefore = test::readFile(dir.path() + "/system.reg");
        test::writeFile(dir.path() + "/user.reg", test::hiveText("User\\S-1-5-21-0-0-0-1000", other));
        QVERIFY(hives.filesChanged());

        QVERIFY(hives.flush().empty());
        QVERIFY(!hives.filesChanged());
        const QString after = QString::fromUtf8(test::readFile(dir.path() + "/user.reg"));
        for (const QString &text : present)
            QVERIFY2(after.contains(text), qPrintable(text + " is missing from:\n" + after));
        for (const QString &text : absent)
            QVERIFY2(!after.contains(text), qPrintable(text + " is still in:\n" + after));
        QCOMPARE(test::readFile(dir.path() + "/system.reg"), systemBefore);
        // What the store reads is the file's, and its current key still works.
        QVERIFY(!hives.hasUnsavedChanges());
        QCOMPARE(hives.serialized(registry::HiveRegistry::HiveId::User), after.toStdString());
    }

    // A file that another program left unreadable is never written over; the error names it.
    void fileBrokenMeanwhileIsNotWritten()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), systemBody, userBody);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        RegistryStore store(hives);
        QVERIFY(store.OpenPath("Software\\Test", false));
        store.SetText("Text", "two");
        const QByteArray broken = test::hiveText("User\\S-1-5-21-0-0-0-1000", "\n[Software\\\\Cut\n");
        test::writeFile(dir.path() + "/user.reg", broken);
        const std::vector<std::string> errors = hives.flush();
        QCOMPARE(errors.size(), size_t(1));
        const QString error = QString::fromStdString(errors[0]);
        QVERIFY2(error.contains("user.reg") && error.contains("строка 6") && error.contains("не будет изменён"),
                 qPrintable(error));
        QCOMPARE(test::readFile(dir.path() + "/user.reg"), broken);
        QVERIFY(hives.flush().empty());
        QCOMPARE(test::readFile(dir.path() + "/user.reg"), broken);
    }

    // Keys read again stay the same keys: a store's current key keeps working after the re-read.
    void currentKeySurvivesReading()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), systemBody, userBody);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        RegistryStore store(hives), gone(hives);
        QVERIFY(store.OpenPath("Software\\Test", false));
        QVERIFY(gone.OpenPath("Software\\Test\\Section", false));
        test::writeFile(dir.path() + "/user.reg",
                        test::hiveText("User\\S-1-5-21-0-0-0-1000",
                                       "\n[Software\\\\Test] 1300000000\n\"Text\"=\"from disk\"\n"));
        std::vector<std::string> errors;
        QVERIFY(hives.reloadChanged(errors));
        QVERIFY(errors.empty());
        QCOMPARE(store.GetText("Text"), std::string("from disk"));
        store.SetText("Text", "again");
        QVERIFY(hives.flush().empty());
        QVERIFY(test::readFile(dir.path() + "/user.reg").contains("\"Text\"=\"again\""));
        // A key the file no longer holds fails as a deleted key does.
        QVERIFY_THROWS_EXCEPTION(RegistryError, gone.SetText("Name", "x"));
        QVERIFY(!hives.reloadChanged(errors));
    }

    void handleOfADeletedKeyFails()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), systemBody, userBody);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        RegistryStore holder(hives), remover(hives);
        QVERIFY(holder.OpenPath("Software\\Test\\Tree\\A\\B", false));
        QVERIFY(remover.RemoveKey("Software\\Test\\Tree"));
        QCOMPARE(QString::fromStdString(holder.GetText("Leaf")), QString());
        QVERIFY_THROWS_EXCEPTION(RegistryError, holder.SetText("Leaf", "y"));
        QVERIFY(!holder.OpenPath("Sub", true));
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registry_store.moc"
