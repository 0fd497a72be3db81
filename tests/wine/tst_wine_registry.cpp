// Tolvex and real Wine read and write the same hive files.
#include "TestMachine.h"
#include "WineTools.h"

#include "machine/Machine.h"
#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using registry::HiveRegistry;
using registry::RegistryStore;
using registry::Root;

class TestWineRegistry : public QObject
{
    Q_OBJECT

private:
    QString makeCopy()
    {
        const QString folder = m_dir.path() + QStringLiteral("/p%1").arg(++m_copies);
        if (!copyPrefix(folder))
            qFatal("cannot copy the test prefix");
        return folder;
    }
    static bool copyPrefix(const QString &folder) { return test::copyPrefix(folder); }

    QTemporaryDir m_dir;
    int m_copies = 0;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(test::freshPrefix() + "/system.reg"), "the wineboot fixture made no prefix");
        QVERIFY(m_dir.isValid());
    }

    void unchangedHivesKeepTheirBytes()
    {
        const QString prefix = makeCopy();
        auto machine = platform::Machine::open(prefix, m_dir.path());
        QVERIFY(machine->loadErrors().isEmpty());
        QCOMPARE(machine->buildNumber(), 7601);
        QVERIFY(machine->vistaGeneration());
        for (auto id : {HiveRegistry::HiveId::Machine, HiveRegistry::HiveId::User, HiveRegistry::HiveId::UserDefault}) {
            const QString path = QString::fromStdString(machine->registry().hivePath(id));
            const QByteArray original = test::readFile(path);
            QVERIFY(original.size() > 1000 || id == HiveRegistry::HiveId::UserDefault);
            QCOMPARE(QByteArray::fromStdString(machine->registry().serialized(id)), original);
        }
        // Reading through links and the classes view must not count as a change.
        RegistryStore store(machine->registry());
        store.SelectRoot(Root::ClassesRoot);
        QVERIFY(store.OpenPath("Wow6432Node\\CLSID", false));
        const auto before = QFileInfo(prefix + "/system.reg").lastModified();
        QVERIFY(machine->saveRegistry().isEmpty());
        QCOMPARE(QFileInfo(prefix + "/system.reg").lastModified(), before);
    }

    void wineReadsWhatTolvexWrites()
    {
        const QString prefix = makeCopy();
        {
            auto machine = platform::Machine::open(prefix, m_dir.path());
            RegistryStore store(machine->registry());
            store.SelectRoot(Root::CurrentUser);
            QVERIFY(store.OpenPath("Software\\TolvexTest\\Level1\\Level2\\Level3", true));
            store.SetText("Имя", "Привет, \"мир\" C:\\Папка\\");
            store.SetExpandText("Path", "%SystemRoot%\\system32;%ProgramFiles%");
            store.SetDword("Negative", 0xFFFFFF9D);
            store.SetText("'", "apostrophe");
            store.SetText("", "default value");
            store.ClosePath();
            store.SelectRoot(Root::LocalMachine);
            QVERIFY(store.OpenPath("System\\CurrentControlSet\\Control\\TolvexTest", true));
            store.SetDword("SfcDisable", 0xFFFFFF9D);
            QVERIFY(machine->saveRegistry().isEmpty());
        }
        QString user = test::exportKey(prefix, "HKEY_CURRENT_USER\\Software\\TolvexTest\\Level1\\Level2\\Level3");
        user.replace("\\\n  ", ""); // join regedit's continued hex lines
        QStringList expandHex;
        for (QChar ch : QString("%SystemRoot%\\system32;%ProgramFiles%") + QChar(0))
            expandHex << QString::asprintf("%02x,%02x", ch.unicode() & 0xFF, ch.unicode() >> 8);
        QVERIFY2(user.contains("[HKEY_CURRENT_USER\\Software\\TolvexTest\\Level1\\Level2\\Level3]\n"), qPrintable(user));
        const QStringList expected = {
            "\"Имя\"=\"Привет, \\\"мир\\\" C:\\\\Папка\\\\\"",
            // regedit exports REG_EXPAND_SZ as hex(2): UTF-16LE with the NUL.
            "\"Path\"=hex(2):" + expandHex.join(u','),
            "\"Negative\"=dword:ffffff9d",
            "\"'\"=\"apostrophe\"",
            "@=\"default value\"",
        };
        for (const QString &line : expected)
            QVERIFY2(user.contains(line + "\n"), qPrintable(line + "\nnot in\n" + user));
        const QString machineKey =
            test::exportKey(prefix, "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\TolvexTest");
        QVERIFY2(machineKey.contains("\"SfcDisable\"=dword:ffffff9d\n"), qPrintable(machineKey));
    }

    void tolvexReadsWhatWineWrites()
    {
        const QString prefix = makeCopy();
        const QString key = "HKCU\\Software\\FromWine\\Deep";
        QCOMPARE(test::runWine(prefix, {"reg", "add", key, "/v", "Текст", "/t", "REG_SZ", "/d",
                                        "Значение \"в кавычках\" \\ и слэш", "/f"})
                     .exitCode,
                 0);
        QCOMPARE(test::runWine(prefix, {"reg", "add", key, "/v", "Number", "/t", "REG_DWORD", "/d", "4294967197", "/f"})
                     .exitCode,
                 0);
        QCOMPARE(test::runWine(prefix, {"reg", "add", key, "/ve", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%\\x", "/f"})
                     .exitCode,
                 0);
        test::waitForWineServer(prefix);

        auto machine = platform::Machine::open(prefix, m_dir.path());
        QVERIFY(machine->loadErrors().isEmpty());
        RegistryStore store(machine->registry());
        QVERIFY(store.OpenPath("Software\\FromWine\\Deep", false));
        QCOMPARE(QString::fromStdString(store.GetText("Текст")), QString("Значение \"в кавычках\" \\ и слэш"));
        QCOMPARE(store.GetDword("Number"), 0xFFFFFF9Du);
        QCOMPARE(store.ValueKind(""), registry::ValueKind::ExpandString);
        QCOMPARE(QString::fromStdString(store.GetText("")), QString("%TEMP%\\x"));
    }

    void runningServerMakesTheMachineReadOnly()
    {
        const QString prefix = makeCopy();
        const QByteArray before = test::readFile(prefix + "/user.reg");
        QProcess server;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WINEPREFIX", prefix);
        server.setProcessEnvironment(env);
        server.start("wineserver", {"-p30"});
        QVERIFY(server.waitForFinished(20000)); // it forks into the background
        {
            auto machine = platform::Machine::open(prefix, m_dir.path());
            QVERIFY(machine->readOnly());
            QVERIFY(machine->readOnlyNotice().contains("только для чтения"));
            RegistryStore store(machine->registry());
            QVERIFY(store.OpenPath("Software", false));
            QVERIFY_THROWS_EXCEPTION(registry::RegistryError, store.SetText("Blocked", "x"));
            QVERIFY(!store.OpenPath("Software\\NewKey", true));
            QVERIFY(!store.RemoveKey("Wine"));
            QVERIFY(machine->saveRegistry().isEmpty());
        }
        QCOMPARE(test::readFile(prefix + "/user.reg"), before);
        test::runProgram("wineserver", {"-k"}, prefix);
        test::waitForWineServer(prefix);
        auto machine = platform::Machine::open(prefix, m_dir.path());
        QVERIFY(!machine->readOnly());
    }
};

QTEST_GUILESS_MAIN(TestWineRegistry)
#include "tst_wine_registry.moc"
