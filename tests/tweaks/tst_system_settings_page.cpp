// The system settings page, driven by clicks on its components.
#include "FindControl.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "Dialogs.h"
#include "HintPanel.h"
#include "TweakPage.h"
#include "TweakPages.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "shell/MachineShellServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using registry::RegistryStore;
using registry::Root;
using ui::Dialogs;

namespace {

const QByteArray mmKey = "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Memory Management]\n";

// Start-up values: some rows on, one absent (ClearPageFileAtShutdown), the disk cache off.
const QByteArray systemBody = "\n[Software\\\\Microsoft\\\\Dfrg\\\\BootOptimizeFunction]\n\"Enable\"=\"Y\"\n"
                              "\n[Software\\\\Microsoft\\\\PCHealth\\\\ErrorReporting]\n\"DoReport\"=dword:00000001\n\"ShowUI\"=dword:00000001\n"
                              "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\AeDebug]\n\"Auto\"=\"1\"\n"
                              "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Winlogon]\n\"SfcDisable\"=dword:00000000\n"
                              "\n[System\\\\CurrentControlSet\\\\Control\\\\FileSystem]\n\"NtfsDisableLastAccessUpdate\"=dword:00000001\n"
                              "\n" + mmKey + "\"IOPageLockLimit\"=dword:00000000\n\"LargeSystemCache\"=dword:00000000\n"
                              "\"SecondLevelDataCache\"=dword:00000100\n"
                              "\n[System\\\\CurrentControlSet\\\\Control\\\\WOW]\n\"DefaultSeparateVDM\"=\"no\"\n";
// Every box loads unchecked ("Auto" absent would load its box checked).
const QByteArray quietSystem = "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\AeDebug]\n\"Auto\"=\"1\"\n"
                               "\n" + mmKey + "\"SecondLevelDataCache\"=dword:00000100\n";
const QByteArray userBody = "\n[Console]\n\"QuickEdit\"=dword:00000000\n";

struct Values
{
    QString auto_, wow, enable;
    quint32 doReport, showUi, sfc, ntfs, quickEdit, cache2, largeCache, ioLimit;
    bool operator==(const Values &) const = default;
};

using test::find;

} // namespace

class TestSystemSettingsPage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    std::unique_ptr<test::ProgramSession> m_program;
    std::unique_ptr<tweaks::TweakPages> m_pages;
    QWidget *m_page = nullptr;

    void start(const QByteArray &system = systemBody, const QByteArray &user = userBody, bool readOnly = false)
    {
        m_pages.reset();
        delete m_dir;
        m_dir = new QTemporaryDir;
        test::writeMachine(m_dir->path(), system, user);
        m_program = std::make_unique<test::ProgramSession>(m_dir->path(), m_dir->path(), readOnly);
        m_pages = std::make_unique<tweaks::TweakPages>(*m_program->context, nullptr);
        Dialogs::startRecording(); // the load may show messages
        m_pages->CreateKeys();
        m_pages->LoadRegedit(0);
        m_pages->SCancelSystemSett();
        m_page = m_pages->page("SystemSettings");
        QVERIFY(m_page);
        m_page->resize(432, 438);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        Dialogs::startRecording();
    }

    Values values()
    {
        // A fresh machine over the saved files: what is really on disk.
        auto machine = platform::Machine::open(m_dir->path(), m_dir->path());
        RegistryStore s(machine->registry());
        auto text = [&](Root r, const char *key, const char *name) {
            s.SelectRoot(r);
            s.OpenPath(std::string("\\") + key, false);
            return QString::fromStdString(s.GetText(name));
        };
        auto dword = [&](Root r, const char *key, const char *name) -> quint32 {
            s.SelectRoot(r);
            if (!s.OpenPath(std::string("\\") + key, false) || !s.HasValue(name))
                return 0xDEADBEEF;
            return s.GetDword(name);
        };
        const char *mm = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
        return {text(Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", "Auto"),
                text(Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\WOW", "DefaultSeparateVDM"),
                text(Root::LocalMachine, "SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction", "Enable"),
                dword(Root::LocalMachine, "SOFTWARE\\Microsoft\\PCHealth\\ErrorReporting", "DoReport"),
                dword(Root::LocalMachine, "SOFTWARE\\Microsoft\\PCHealth\\ErrorReporting", "ShowUI"),
                dword(Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "SfcDisable"),
                dword(Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\FileSystem", "NtfsDisableLastAccessUpdate"),
                dword(Root::CurrentUser, "Console", "QuickEdit"),
                dword(Root::LocalMachine, mm, "SecondLevelDataCache"),
                dword(Root::LocalMachine, mm, "LargeSystemCache"),
                dword(Root::LocalMachine, mm, "IOPageLockLimit")};
    }

    QCheckBox *box(const char *name) { return find<QCheckBox>(m_page, name); }
    QLineEdit *field(const char *name) { return find<QLineEdit>(m_page, name); }
    QPushButton *ok() { return find<QPushButton>(m_page, "SystemSoK"); }
    QPushButton *undo() { return find<QPushButton>(m_page, "sSpeedButton2"); }
    // The pointer arriving over a widget and moving on it. Sent directly: offscreen windows made
    // one after another do not reliably get enter events from simulated cursor moves.
    static void hover(QWidget *w)
    {
        const QPointF local(3, 3);
        QEnterEvent enter(local, w->mapTo(w->window(), local), w->mapToGlobal(local));
        QApplication::sendEvent(w, &enter);
        QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }

private slots:
    void cleanup()
    {
        Dialogs::stopRecording();
        m_pages.reset();
        delete m_dir;
        m_dir = nullptr;
    }

    void startUpState()
    {
        start();
        QVERIFY(box("OPSFILELOADING")->isChecked());
        QVERIFY(box("NOWRITELASTNTFS")->isChecked());
        QVERIFY(!box("DWATSON")->isChecked());        // Auto "1"
        QVERIFY(!box("DONTSENDINMIC")->isChecked());  // both 1
        QVERIFY(!box("ClFilePod")->isChecked());      // absent: greyed
        QVERIFY(!box("ClFilePod")->isEnabled());
        QCOMPARE(field("SETTCACHE2LEVEL")->text(), QString("256"));
        QVERIFY(!box("SETCACHEDISC")->isChecked());
        QVERIFY(!field("CACHEDISC")->isEnabled()); // a 0 limit disables the field
        QVERIFY(ok()->isEnabled());                 // a box loaded checked enables OK
        QVERIFY(!undo()->isEnabled());
        QCOMPARE(ok()->text(), QString("OK"));
        QCOMPARE(undo()->text(), QString("&No"));
    }

    void allUncheckedStartsWithOkDisabled()
    {
        start("\n" + mmKey + "\"SecondLevelDataCache\"=dword:00000100\n\"IOPageLockLimit\"=dword:00000000\n", {});
        // The disk cache box was set and cleared again by the load, which counts as a change.
        QVERIFY(ok()->isEnabled());
        start(quietSystem, {});
        QVERIFY(!ok()->isEnabled());
    }

    void absentDwordIsWrittenUnchecked()
    {
        start();
        click(ok());
        QVERIFY(Dialogs::takeRecorded().isEmpty());
        auto machine = platform::Machine::open(m_dir->path(), m_dir->path());
        RegistryStore s(machine->registry());
        s.SelectRoot(Root::LocalMachine);
        QVERIFY(s.OpenPath("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management", false));
        QCOMPARE(s.GetDword("ClearPageFileAtShutdown"), 0u);
        QVERIFY(!ok()->isEnabled());
        QVERIFY(undo()->isEnabled());
    }

    void okThenUndoReturnsToStartUp()
    {
        start();
        const Values startUp = values();
        click(box("DSFILEP"));
        click(box("DWATSON"));
        click(box("DONTSENDINMIC"));
        click(box("OPSFILELOADING"));
        click(box("RUN16bitOTD"));
        click(box("QUICKEDITCOMANDROW"));
        click(ok());
        Values changed = values();
        QCOMPARE(changed.sfc, 0xFFFFFF9Du);
        QCOMPARE(changed.auto_, QString("0"));
        QCOMPARE(changed.doReport, 0u);
        QCOMPARE(changed.showUi, 0u);
        QCOMPARE(changed.enable, QString("N"));
        QCOMPARE(changed.wow, QString("yes"));
        QCOMPARE(changed.quickEdit, 1u);

        // A second change and OK: undo still returns to the start-up values, not these.
        click(box("DSFILEP"));
        click(ok());
        QCOMPARE(values().sfc, 0u);
        click(undo());
        Values after = values();
        QCOMPARE(after, startUp);
        QVERIFY(!ok()->isEnabled());
        QVERIFY(!undo()->isEnabled());
        QVERIFY(!box("DSFILEP")->isChecked());
        QVERIFY(box("OPSFILELOADING")->isChecked());
    }

    void undoWritesTheChangedCacheSizeAgain()
    {
        start();
        QTest::mouseClick(field("SETTCACHE2LEVEL"), Qt::LeftButton);
        field("SETTCACHE2LEVEL")->selectAll();
        QTest::keyClicks(field("SETTCACHE2LEVEL"), "1024");
        click(box("QUICKEDITCOMANDROW"));
        click(ok());
        QCOMPARE(values().cache2, 1024u);
        click(undo());
        QVERIFY(!box("QUICKEDITCOMANDROW")->isChecked());
        QCOMPARE(values().quickEdit, 0u);
        QCOMPARE(values().cache2, 1024u); // fields are not restored
    }

    void lettersInTheDiskCache()
    {
        start();
        click(box("SETCACHEDISC"));
        QVERIFY(field("CACHEDISC")->isEnabled());
        QTest::mouseClick(field("CACHEDISC"), Qt::LeftButton);
        field("CACHEDISC")->selectAll();
        QTest::keyClicks(field("CACHEDISC"), "12ab");
        QCOMPARE(field("CACHEDISC")->text(), QString("12AB"));
        click(box("DSFILEP"));
        click(ok());
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QString("Ошибка"));
        QCOMPARE(shown[0].text, QString("Не удается получить доступ к \"IOPageLockLimit\""));
        QCOMPARE(values().sfc, 0xFFFFFF9Du); // every other row is written
        QCOMPARE(values().ioLimit, 0u);      // the failed value is left as it was

        click(box("SETCACHEDISC"));
        QVERIFY(!field("CACHEDISC")->isEnabled());
        click(ok());
        QVERIFY(Dialogs::takeRecorded().isEmpty()); // unchecked writes 0 whatever the field shows
    }

    void refusedWritesShowOneMessageEach()
    {
        // Memory Management and ErrorReporting sit behind links to nowhere: their writes fail.
        auto deadLink = [](const QByteArray &key) {
            return "\n[" + key + "]\n#link\n\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,"
                                 "79,00,5c,00,4e,00,6f,00\n";
        };
        QByteArray system = systemBody;
        system.replace("\n" + mmKey + "\"IOPageLockLimit\"=dword:00000000\n\"LargeSystemCache\"=dword:00000000\n"
                       "\"SecondLevelDataCache\"=dword:00000100\n", "");
        system.replace("\n[Software\\\\Microsoft\\\\PCHealth\\\\ErrorReporting]\n\"DoReport\"=dword:00000001\n\"ShowUI\"=dword:00000001\n", "");
        system += deadLink("System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Memory Management");
        system += deadLink("Software\\\\Microsoft\\\\PCHealth\\\\ErrorReporting");
        start(system);
        QVERIFY(!field("SETTCACHE2LEVEL")->isEnabled()); // its read failed: greyed, the load went on
        QVERIFY(box("OPSFILELOADING")->isChecked());
        click(box("DSFILEP"));
        click(ok());
        QStringList texts;
        for (const Dialogs::Shown &s : Dialogs::takeRecorded())
            texts << s.text;
        QCOMPARE(texts, QStringList({"Не удается получить доступ к \"DoReport\" и \"ShowUI\"",
                                     "Не удается получить доступ к \"SecondLevelDataCache\"",
                                     "Не удается получить доступ к \"LargeSystemCache\"",
                                     "Не удается получить доступ к \"ClearPageFileAtShutdown\"",
                                     "Не удается получить доступ к \"IOPageLockLimit\""}));
        const Values v = values();
        QCOMPARE(v.sfc, 0xFFFFFF9Du);
        QCOMPARE(v.wow, QString("no"));
        QCOMPARE(v.quickEdit, 0u);
        QVERIFY(undo()->isEnabled());
    }

    void readOnlyMachineRefusesEveryRow()
    {
        start(systemBody, userBody, true);
        const QByteArray before = test::readFile(m_dir->path() + "/system.reg");
        click(ok());
        QCOMPARE(Dialogs::takeRecorded().size(), 13);
        QCOMPARE(test::readFile(m_dir->path() + "/system.reg"), before);
    }

    void hintsFollowThePointer()
    {
        start();
        auto *bar = find<ui::HintPanel>(m_page, "sStatusBar4");
        hover(box("DSFILEP"));
        QCOMPARE(bar->panelText(0), QString("Ветка:HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"));
        QCOMPARE(bar->panelText(1), QString("Ключ:SfcDisable"));
        QCOMPARE(bar->toolTip(), bar->panelText(0) + "  " + bar->panelText(1));
        hover(box("DONTSENDINMIC"));
        QCOMPARE(bar->panelText(1), QString("Ключ:DoReport,ShowUI"));
        hover(find<QWidget>(m_page, "sStickyLabel1"));
        QCOMPARE(bar->panelText(1), QString("Ключ:SecondLevelDataCache"));
        // Moving over a control with no hint of its own leaves the last one.
        hover(field("CACHEDISC"));
        QCOMPARE(bar->panelText(1), QString("Ключ:SecondLevelDataCache"));
    }

    // The change handler is also the focus handler of these four controls.
    void focusEnablesOk_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("SETTCACHE2LEVEL") << "SETTCACHE2LEVEL";
        QTest::newRow("CACHEDISC") << "CACHEDISC";
        QTest::newRow("RUN16bitOTD") << "RUN16bitOTD";
        QTest::newRow("SETCACHEDISC") << "SETCACHEDISC";
    }
    void focusEnablesOk()
    {
        QFETCH(QString, control);
        start(quietSystem, {});
        QVERIFY(!ok()->isEnabled());
        QWidget *widget = find<QWidget>(m_page, control);
        widget->setEnabled(true);
        widget->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(ok()->isEnabled());
        // Only the focus: a box taking it is not changed by that.
        if (auto *box = qobject_cast<QCheckBox *>(widget))
            QVERIFY(!box->isChecked());
    }
};

QTEST_MAIN(TestSystemSettingsPage)
#include "tst_system_settings_page.moc"
