// The registry cleaner on small machine images: what a file reference is, which keys and values
// the scan reports, cancel, the .reg backup and the fix, and the page's buttons.
#include "ForwardingShell.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "Dialogs.h"
#include "ReferenceRules.h"
#include "RegFile.h"
#include "RegistryCleanerPage.h"
#include "RegistryFix.h"
#include "RegistryScan.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>

using namespace tolvex;
using namespace tolvex::registry_cleaner;
using registry::Root;
using ui::Dialogs;

namespace {

// A machine with C: (a ready volume), D: mapped to a folder that is not there, and the files
// C:\windows\notepad.exe and C:\Program Files\App\App.exe.
struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;

    explicit Fixture(const QByteArray &system, const QByteArray &user = {})
    {
        test::writeMachine(dir.path(), system, user);
        test::writeFile(dir.path() + "/drive_c/windows/notepad.exe", "MZ");
        test::writeFile(dir.path() + "/drive_c/Program Files/App/App.exe", "MZ");
        QFile::link(dir.path() + "/nowhere", dir.path() + "/dosdevices/d:");
        QFile::link("../drive_c", dir.path() + "/dosdevices/a:");
        program = std::make_unique<test::ProgramSession>(dir.path(), dir.path() + "/program");
    }
    registry::RegistryBackend &registry() { return program->machine->registry(); }

    QList<RegistryErrorRow> scan(bool extensions, bool classIds, bool software, QStringList *statuses = nullptr)
    {
        RegistryScan s(registry(), *program->shell);
        s.ScanExtensions = extensions;
        s.ScanClassIds = classIds;
        s.ScanSoftware = software;
        QList<RegistryErrorRow> rows;
        s.onRow = [&](const RegistryErrorRow &row) { rows.append(row); };
        s.onStatus = [&](const QString &status) {
            if (statuses)
                *statuses << status;
        };
        s.Run();
        return rows;
    }
};

// Shell services whose look for one file waits until the test lets it go: the scan's worker stops
// there, in the middle of a scan, for as long as the test needs.
class GatedShell final : public test::ForwardingShell
{
public:
    using ForwardingShell::ForwardingShell;
    bool fileExists(const QString &p) override
    {
        if (p.contains("gate", Qt::CaseInsensitive) && gated.exchange(false)) {
            reached.release();
            open.acquire();
        }
        return ForwardingShell::fileExists(p);
    }
    QSemaphore reached, open;
    std::atomic<bool> gated{true};
};

QByteArray key(const QByteArray &path, const QByteArray &values = {})
{
    QByteArray doubled = path;
    doubled.replace("\\", "\\\\");
    return "\n[" + doubled + "] 1\n" + values;
}

QByteArray sz(const QByteArray &name, const QByteArray &text)
{
    QByteArray escaped = text;
    escaped.replace("\\", "\\\\").replace("\"", "\\\"");
    return (name.isEmpty() ? QByteArray("@") : "\"" + name + "\"") + "=\"" + escaped + "\"\n";
}

QStringList texts(const QList<RegistryErrorRow> &rows)
{
    QStringList out;
    for (const RegistryErrorRow &r : rows)
        out << r.ErrorType + "|" + r.Parameter + "|" + r.Hive + "|" + r.KeyPath + "|" + r.ValueName;
    return out;
}

} // namespace

class TestRegistryCleaner : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Dialogs::stopRecording(); }

    void referencedFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("path");
        QTest::newRow("arguments") << "C:\\Program Files\\App\\app.exe -x" << true << "C:\\Program Files\\App\\app.exe";
        QTest::newRow("icon index") << "C:\\WINDOWS\\system32\\shell32.dll,4" << true << "C:\\WINDOWS\\system32\\shell32.dll";
        QTest::newRow("%1") << "C:\\Windows\\notepad.exe %1" << true << "C:\\Windows\\notepad.exe";
        QTest::newRow("slash switch") << "C:\\App\\app.exe /x" << false << "";
        QTest::newRow("two paths") << "C:\\a.exe;D:\\b.exe" << false << "";
        QTest::newRow("resource after !") << "C:\\x\\lib.dll!res" << true << "C:\\x\\lib.dll";
        // The name is cut at '^' and '%', the extension only at ' ', '!' and ','.
        QTest::newRow("caret") << "C:\\x\\a.exe^b" << true << "C:\\x\\a.exe^b";
        QTest::newRow("percent") << "C:\\x\\a%1.exe" << true << "C:\\x\\a.exe";
        QTest::newRow("double extension") << "C:\\x\\a.exe.exe" << true << "C:\\x\\a.exe";
        QTest::newRow("ends with a dot") << "C:\\x\\name.ext." << true << "C:\\x\\name.ext.";
        QTest::newRow("no extension") << "C:\\Windows" << false << "";
        QTest::newRow("pipe") << "C:\\x\\a.exe|b" << false << "";
        QTest::newRow("equals") << "C:\\x\\a=b.exe" << false << "";
        QTest::newRow("star") << "C:\\x\\*.exe" << false << "";
        QTest::newRow("quoted") << "\"C:\\x\\a.exe\"" << false << "";
        QTest::newRow("quote in the name") << "C:\\x\\a.exe\" /y" << false << "";
        QTest::newRow("too short") << "C:\\" << false << "";
        QTest::newRow("no drive") << "\\\\server\\share\\a.exe" << false << "";
        QTest::newRow("relative") << "app.exe" << false << "";
        QTest::newRow("cyrillic") << "C:\\Программы\\Бух.exe -run" << true << "C:\\Программы\\Бух.exe";
    }
    void referencedFile()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, path);
        QString got;
        QCOMPARE(ExtractReferencedFile(text, got), ok);
        if (ok)
            QCOMPARE(got, path);
    }

    void stripExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stripped");
        QTest::newRow("plain") << "app.exe" << "app";
        QTest::newRow("arguments after") << "app.exe -x" << "app";
        QTest::newRow("first occurrence") << "a.exe.exe" << "a";
        QTest::newRow("none") << "README" << "README";
        QTest::newRow("dot file") << ".hidden" << "";
    }
    void stripExtension()
    {
        QFETCH(QString, name);
        QFETCH(QString, stripped);
        QCOMPARE(StripExtension(name), stripped);
    }

    void emptyNamesAreNamedByTheirIndex()
    {
        QCOMPARE(walkName("", 3), QString("0003"));
        QCOMPARE(walkName("", 12), QString("0012"));
        QCOMPARE(walkName("InprocServer32", 3), QString("InprocServer32"));
    }

    // Which values the file-reference phases report, each row a rule.
    void examineRules()
    {
        Fixture f(key("Software\\Classes\\CLSID", sz("OnTheStartKey", "C:\\missing\\start.dll")) +
                  key("Software\\Classes\\CLSID\\{1}\\InprocServer32",
                      sz("", "C:\\Program Files\\Missing\\x.exe -run") + sz("Quoted", "\"C:\\missing\\q.exe\"") +
                          "\"Expand\"=str(2):\"C:\\\\missing\\\\e.exe\"\n" + sz("Floppy", "A:\\setup\\fb.dll") +
                          sz("NoVolume", "D:\\Tools\\t.dll") + sz("Folder", "C:\\windows") +
                          sz("Exists", "C:\\windows\\notepad.exe") + sz("OtherCase", "c:\\WINDOWS\\NOTEPAD.EXE /a") +
                          sz("CaseApp", "C:\\program files\\app\\app.exe") + sz("NoExt", "C:\\missing\\README") +
                          sz("Dword", "x").replace("\"x\"", "dword:00000001") + sz("Empty", "") +
                          sz("Missing", "C:\\missing\\gone.dll,2")),
                  key("Software\\Classes\\CLSID\\{2}", sz("Deep", "C:\\missing\\deep.ocx")));
        const QStringList rows = texts(f.scan(false, true, false));
        QCOMPARE(rows, QStringList({"Неверная ссылка на файл|C:\\Program Files\\Missing\\x.exe -run|HKLM|"
                                    "\\SOFTWARE\\Classes\\CLSID\\{1}\\InprocServer32|",
                                    "Неверная ссылка на файл|C:\\missing\\gone.dll,2|HKLM|"
                                    "\\SOFTWARE\\Classes\\CLSID\\{1}\\InprocServer32|Missing",
                                    "Неверная ссылка на файл|C:\\missing\\deep.ocx|HKCU|\\SOFTWARE\\Classes\\CLSID\\{2}|Deep"}));
    }

    void extensionsAtTheTopOnly()
    {
        Fixture f(key("Software\\Classes\\.abc") + key("Software\\Classes\\.def", sz("", "deffile")) +
                  key("Software\\Classes\\.ghi\\ShellNew", sz("x", "y")) + key("Software\\Classes\\nested\\.deep") +
                  key("Software\\Classes\\noDot"));
        QStringList statuses;
        QCOMPARE(texts(f.scan(true, false, false, &statuses)), QStringList({"Неверное расширение|.abc|HKCR|\\.abc|"}));
        QCOMPARE(statuses, QStringList({"Поиск неверных расширений. Пожалуйста ждите...", "Анализ ключей реестра завершен."}));
    }

    void nothingFound()
    {
        Fixture f(key("Software\\X", sz("ok", "C:\\windows\\notepad.exe")));
        QStringList statuses;
        QVERIFY(f.scan(true, false, true, &statuses).isEmpty());
        QCOMPARE(statuses.last(), QString("Неисправностей в реестре не найдено"));
        QCOMPARE(statuses.size(), 5); // phase 1, phase 3 twice, the two end texts
    }

    // A link to another key, even to its own parent, is neither examined nor walked into.
    void linksAreNotWalked()
    {
        Fixture f(key("Software\\Real", sz("v", "C:\\missing\\a.exe")) +
                  "\n[Software\\\\Real\\\\Loop] 1\n#link\n\"SymbolicLinkValue\"=hex(6):" +
                  QByteArray("5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,5c,00,4d,00,61,00,63,00,68,00,69,00,"
                             "6e,00,65,00,5c,00,53,00,6f,00,66,00,74,00,77,00,61,00,72,00,65,00,5c,00,52,00,65,00,61,00,"
                             "6c,00\n"));
        QCOMPARE(texts(f.scan(false, false, true)),
                 QStringList({"Неверная ссылка на файл|C:\\missing\\a.exe|HKLM|\\SOFTWARE\\Real|v"}));
    }

    // After a cancel each walk returns at once: the rows so far stay, a later phase shows its
    // text and adds nothing, and the scan ends as a finished one.
    void cancelDuringClassIds()
    {
        QByteArray body;
        for (int i = 0; i < 20; ++i)
            body += key("Software\\Classes\\CLSID\\{" + QByteArray::number(i + 10) + "}", sz("", "C:\\missing\\m.dll"));
        Fixture f(body);
        RegistryScan s(f.registry(), *f.program->shell);
        s.ScanClassIds = true;
        s.ScanSoftware = true;
        QList<RegistryErrorRow> rows;
        QStringList statuses;
        s.onRow = [&](const RegistryErrorRow &row) {
            rows.append(row);
            if (rows.size() == 3)
                s.Running = false;
        };
        s.onStatus = [&](const QString &status) { statuses << status; };
        QCOMPARE(s.Run(), RegistryScan::finished);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(statuses.size(), 5); // phase 2 twice, phase 3 twice, the end
        QVERIFY(!s.Running);
    }

    void backupText()
    {
        Fixture f(key("Software\\Classes\\.abc") + key("Software\\Example", sz("Path", "C:\\Old\\x.exe")));
        RegistryFix fix(f.registry());
        fix.StartBackupText();
        QCOMPARE(fix.backupText().lines(), QStringList({"Windows Registry Editor Version 5.00", "", ""}));
        fix.RecordBackupEntry(Root::ClassesRoot, "\\.abc", "", ".abc");
        fix.RecordBackupEntry(Root::LocalMachine, "\\Software\\Example", "Path", "C:\\Old\\x.exe");
        fix.RecordBackupEntry(Root::LocalMachine, "\\Software\\Gone", "v", "x"); // no key: nothing
        QCOMPARE(fix.backupText().lines(),
                 QStringList({"Windows Registry Editor Version 5.00", "", "", "[HKEY_CLASSES_ROOT\\.abc]",
                              "[HKEY_LOCAL_MACHINE\\Software\\Example]", "\"Path\"=\"C:\\\\Old\\\\x.exe\""}));
        // Escapes, and a default value as @=.
        fix.StartBackupText();
        fix.RecordBackupEntry(Root::LocalMachine, "\\Software\\Example", "a\\\"b", "say \"C:\\x\"");
        fix.RecordBackupEntry(Root::LocalMachine, "\\Software\\Example", "", "C:\\d.exe");
        QCOMPARE(fix.backupText().lines().mid(3),
                 QStringList({"[HKEY_LOCAL_MACHINE\\Software\\Example]", "\"a\\\\\\\"b\"=\"say \\\"C:\\\\x\\\"\"",
                              "[HKEY_LOCAL_MACHINE\\Software\\Example]", "@=\"C:\\\\d.exe\""}));
        const QByteArray bytes = fix.backupText().toBytes();
        QVERIFY(bytes.startsWith("\xFF\xFE" "W\0i\0n\0"));
        QVERIFY(bytes.contains(QByteArray("\r\0\n\0", 4)));
        QVERIFY(!bytes.endsWith(QByteArray("\r\0\n\0", 4)));
        const std::optional<RegFile> back = RegFile::parse(bytes);
        QVERIFY(back);
        QCOMPARE(back->lines(), fix.backupText().lines());
    }

    // Texts a quoted line cannot hold go as REG_SZ bytes and still read back exactly (the fuzzer
    // found the last two).
    void backupTextsReadBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "C:\\x.exe";
        QTest::newRow("line breaks") << "a\r\nb";
        QTest::newRow("ends in its own NUL") << QString("x") + QChar(0);
        QTest::newRow("starts with U+FFFE") << QString(QChar(0xFFFE)) + "abc\n";
    }
    void backupTextsReadBackExactly()
    {
        QFETCH(QString, text);
        RegFile file;
        file.addKey("HKEY_CURRENT_USER\\Software\\X");
        file.addValue("v", text);
        const std::optional<RegFile> back = RegFile::parse(file.toBytes());
        QVERIFY(back);
        QCOMPARE(back->keys.first().values.first().text, text);
    }

    void fixWithBackup()
    {
        Fixture f(key("Software\\Classes\\.abc") + key("Software\\Example", sz("", "C:\\d.exe") + sz("Path", "C:\\Old\\x.exe")));
        const QList<RegistryErrorRow> rows = f.scan(true, false, true);
        QCOMPARE(rows.size(), 3);
        RegistryFix fix(f.registry());
        const QString file = f.dir.path() + "/backup.reg";
        RegistryFix::Outcome outcome = fix.fixRows(rows, file);
        QVERIFY(outcome.backupError.isEmpty());
        QCOMPARE(outcome.fixed, QList<bool>({true, true, true}));
        QVERIFY(f.scan(true, false, true).isEmpty());
        const std::optional<RegFile> written = RegFile::parse(test::readFile(file));
        QVERIFY(written);
        QCOMPARE(written->keys.size(), 3);
        QCOMPARE(written->keys[1].values.first().name, QString());
        QCOMPARE(written->keys[1].values.first().text, QString("C:\\d.exe"));
        // A second pass finds nothing left: the extension key is not recorded again.
        outcome = fix.fixRows(rows, file);
        QCOMPARE(outcome.fixed, QList<bool>({false, false, false}));
        QCOMPARE(RegFile::parse(test::readFile(file))->keys.size(), 2); // the value rows' key is still there
    }

    // A backup that cannot be written stops the pass before anything is removed.
    void unwritableBackupFixesNothing()
    {
        Fixture f(key("Software\\Classes\\.abc"));
        const QList<RegistryErrorRow> rows = f.scan(true, false, false);
        RegistryFix fix(f.registry());
        const RegistryFix::Outcome outcome = fix.fixRows(rows, f.dir.path() + "/no/such/folder/b.reg");
        QVERIFY(outcome.backupError.startsWith("Не удалось записать резервную копию"));
        QCOMPARE(outcome.fixed, QList<bool>({false}));
        QCOMPARE(f.scan(true, false, false).size(), 1);
    }

    // "Исправить" while a scan runs: the rows present when the pass starts are visited, each
    // row's tick is read as the pass reaches it, and each is marked as soon as it is fixed, with
    // the window's events handled between rows. With a backup, only the rows ticked at the start
    // are in it, so a row ticked later is not fixed.
    void fixDuringScan_data()
    {
        QTest::addColumn<bool>("withBackup");
        QTest::addColumn<QStringList>("captions"); // of the three rows after the pass
        QTest::newRow("no backup") << false
                                   << QStringList{"Исправлено", "Исправлено", "Неверное расширение"};
        QTest::newRow("backup") << true
                                << QStringList{"Исправлено", "Неверное расширение", "Неверное расширение"};
    }

    void fixDuringScan()
    {
        QFETCH(bool, withBackup);
        QFETCH(QStringList, captions);
        Fixture f(key("Software\\Classes\\.aa1") + key("Software\\Classes\\.aa2") + key("Software\\Classes\\.aa3") +
                  key("Software\\Gate", sz("Path", "C:\\gate\\x.exe")));
        GatedShell shell(*f.program->machine);
        platform::ProgramContext context{*f.program->machine, shell};
        RegistryCleanerPage page(context);
        QSignalSpy finished(&page, &RegistryCleanerPage::scanFinished);
        page.Button3->setEnabled(true); // as a previous scan leaves it
        page.Button1->click();
        QVERIFY(shell.reached.tryAcquire(1, 10000));
        QTRY_COMPARE(page.ListView1->topLevelItemCount(), 3);
        QVERIFY(page.scanning());
        page.ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
        page.ListView1->topLevelItem(2)->setCheckState(0, Qt::Checked);

        // When the first row is fixed, a posted event ticks the second and unticks the third; the
        // third must still be in the registry at that moment.
        QStringList seen;
        bool thirdStillThere = false;
        connect(page.ListView1, &QTreeWidget::itemChanged, &page, [&](QTreeWidgetItem *item, int) {
            if (item->text(0) != RegistryFix::fixedText || seen.contains(item->text(1)))
                return;
            seen << item->text(1);
            if (seen.size() == 1) {
                registry::RegistryStore store(f.registry());
                store.SelectRoot(Root::ClassesRoot);
                thirdStillThere = store.HasKey(".aa3");
                QTimer::singleShot(0, &page, [&] {
                    page.ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
                    page.ListView1->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
                });
            }
        });
        Dialogs::startRecording();
        Dialogs::queueAnswer(withBackup ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
        const QString backup = f.dir.path() + "/during.reg";
        if (withBackup)
            Dialogs::queueText(backup);
        page.Button3->click();
        QVERIFY(thirdStillThere);
        QStringList after;
        for (int i = 0; i < 3; ++i)
            after << page.ListView1->topLevelItem(i)->text(0);
        QCOMPARE(after, captions);
        registry::RegistryStore store(f.registry());
        store.SelectRoot(Root::ClassesRoot);
        QCOMPARE(store.HasKey(".aa2"), !withBackup ? false : true);
        QVERIFY(store.HasKey(".aa3"));
        if (withBackup) {
            QString error;
            const std::optional<RegFile> recorded = RegFile::parse(test::readFile(backup), &error);
            QVERIFY2(recorded, qPrintable(error));
            QCOMPARE(recorded->keys.size(), 2);
            QCOMPARE(recorded->keys[0].path, QString("HKEY_CLASSES_ROOT\\.aa1"));
            QCOMPARE(recorded->keys[1].path, QString("HKEY_CLASSES_ROOT\\.aa3"));
        }
        // The scan was never stopped, and goes on: what it adds afterwards is not touched.
        QVERIFY(page.scanning());
        QVERIFY(!page.Button1->isEnabled());
        shell.open.release();
        QVERIFY(finished.wait(10000));
        QCOMPARE(page.ListView1->topLevelItemCount(), 4);
        QCOMPARE(page.ListView1->topLevelItem(3)->text(0), QString("Неверная ссылка на файл"));
        QVERIFY(page.Button1->isEnabled() && page.Button3->isEnabled());
    }

    void page()
    {
        Fixture f(key("Software\\Classes\\.abc") + key("Software\\Example", sz("Path", "C:\\Old\\x.exe")));
        RegistryCleanerPage page(*f.program->context);
        QVERIFY(!page.Button2->isEnabled() && !page.Button3->isEnabled());
        QSignalSpy finished(&page, &RegistryCleanerPage::scanFinished);
        page.Button1->click();
        QVERIFY(!page.Button1->isEnabled());
        QVERIFY(finished.wait(5000));
        QCOMPARE(page.ListView1->topLevelItemCount(), 2);
        QCOMPARE(page.Panel1->text(), QString("Анализ ключей реестра завершен."));
        QVERIFY(page.Button1->isEnabled() && !page.Button2->isEnabled() && page.Button3->isEnabled());

        page.sButton10->click();
        QVERIFY(page.sButton10->isHidden() && !page.sButton21->isHidden());
        page.sButton21->click();
        QVERIFY(!page.sButton10->isHidden() && page.sButton21->isHidden());
        page.ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
        Dialogs::startRecording();
        Dialogs::queueAnswer(Dialogs::Answer::Ok);
        Dialogs::queueText(f.dir.path() + "/page.reg");
        page.Button3->click();
        QCOMPARE(Dialogs::takeRecorded().first().text, QString("Сохранить резервную копию исправляемых значений?"));
        QCOMPARE(page.ListView1->topLevelItem(1)->text(0), QString("Исправлено"));
        QCOMPARE(page.ListView1->topLevelItem(0)->text(0), QString("Неверное расширение")); // unticked
        QVERIFY(QFile::exists(f.dir.path() + "/page.reg"));

        // A scan that finds nothing leaves "Исправить" as it was.
        page.ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
        Dialogs::queueAnswer(Dialogs::Answer::Cancel);
        page.Button3->click();
        page.Button3->setEnabled(false);
        page.Button1->click();
        QVERIFY(finished.wait(5000));
        QCOMPARE(page.ListView1->topLevelItemCount(), 0);
        QCOMPARE(page.Panel1->text(), QString("Неисправностей в реестре не найдено"));
        QVERIFY(!page.Button3->isEnabled());
    }
};

QTEST_MAIN(TestRegistryCleaner)
#include "tst_registry_cleaner.moc"
