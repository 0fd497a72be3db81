// The window on a real prefix with a real program that its own installer put there: the
// uninstaller started from the applications page removes it, the page follows without a
// restart, and tweaks applied afterwards never bring back what the uninstaller removed.
#include "FindControl.h"
#include "WineTools.h"

#include "ApplicationsPage.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "ProgramContext.h"
#include "machine/MachineWatcher.h"
#include "shell/MachineShellServices.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;
using ui::Dialogs;

namespace {

const QString uninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TolvexTestApp";
const QString runKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const QString settingsKey = "HKCU\\Software\\TolvexTestApp";

// `wine reg query` of a key, as Wine reads the registry; empty output when the key is absent.
QString query(const QString &prefix, const QStringList &args)
{
    const test::WineResult r = test::runWine(prefix, QStringList{"reg", "query"} + args);
    test::waitForWineServer(prefix);
    return r.exitCode == 0 ? QString::fromLocal8Bit(r.out) : QString();
}

QTreeWidgetItem *listed(QTreeWidget *tree, const QString &name)
{
    const QList<QTreeWidgetItem *> found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

int pageIndex(app::TMainForm &form, const char *component)
{
    auto *pages = form.findChild<QStackedWidget *>("sPageControl1");
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->objectName() == QLatin1String(component))
            return i;
    qFatal("no page %s", component);
}

} // namespace

class TestWineUninstallWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Dialogs::stopRecording(); }

    void uninstallFromThePageThenTweak()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(test::copyPrefix(prefix));
        const QString installer = dir.path() + "/test-app-setup.exe";
        QCOMPARE(QProcess::execute(qEnvironmentVariable("TOLVEX_SOURCE_DIR") + "/tests/wine/make-installer.sh",
                                   {installer}),
                 0);
        QCOMPARE(test::runWine(prefix, {installer, "/S"}).exitCode, 0);
        test::waitForWineServer(prefix);
        const QString installed = prefix + "/drive_c/Program Files/Tolvex Test App";
        QVERIFY(QFile::exists(installed + "/uninst.exe"));
        QVERIFY(query(prefix, {uninstallKey}).contains("uninst.exe\" /S"));
        QVERIFY(query(prefix, {runKey, "/v", "TolvexTestApp"}).contains("app.exe"));
        QVERIFY(query(prefix, {settingsKey}).contains("Setting"));

        auto machine = platform::Machine::open(prefix, dir.path() + "/program");
        QVERIFY(!machine->readOnly());
        QVERIFY(machine->vistaGeneration());
        platform::MachineShellServices shell(*machine);
        platform::ProgramContext context{*machine, shell};
        Dialogs::startRecording();
        app::TMainForm form(context);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        auto *apps = form.findChild<applications::ApplicationsPage *>("sTabSheet3");
        QVERIFY(apps);
        form.showPage(pageIndex(form, "sTabSheet3"));
        apps->BuildApplicationTree();
        QTreeWidgetItem *entry = listed(apps->sTreeView1, "Tolvex Test App");
        QVERIFY(entry);
        apps->sTreeView1->setCurrentItem(entry);
        entry->setSelected(true);
        Dialogs::takeRecorded();
        apps->sButton12->click();

        // The machine is held from the moment the uninstaller starts, and let go when Wine ends.
        QVERIFY(machine->heldByWine());
        QVERIFY(machine->readOnly());
        QTRY_VERIFY_WITH_TIMEOUT(form.watcher()->held(), 5000);
        QVERIFY(form.findChild<QLabel *>("machineState")->text().contains("Только чтение"));
        QTRY_VERIFY_WITH_TIMEOUT(!form.watcher()->held(), 120000);
        QVERIFY(form.findChild<QLabel *>("machineState")->text().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!listed(apps->sTreeView1, "Tolvex Test App"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(installed + "/uninst.exe"), 10000);
        QVERIFY(!QFileInfo::exists(installed));
        bool noticeShown = false;
        for (const Dialogs::Shown &box : Dialogs::takeRecorded())
            noticeShown = noticeShown || box.text.contains("только для чтения");
        QVERIFY(noticeShown);

        // One tweak of HKEY_CURRENT_USER, one of HKEY_LOCAL_MACHINE.
        const struct
        {
            const char *page, *box, *ok;
        } tweaks[] = {{"sTabSheet18", "VFStart", "vPZOK"}, {"sTabSheet19", "vDWATSON", "vNSOK"}};
        for (const auto &t : tweaks) {
            form.showPage(pageIndex(form, t.page));
            QWidget *page = form.findChild<QWidget *>(t.page);
            test::find<QCheckBox>(page, t.box)->click();
            auto *ok = test::find<QPushButton>(page, t.ok);
            QVERIFY(ok->isEnabled());
            ok->click();
        }
        for (const Dialogs::Shown &box : Dialogs::takeRecorded())
            QVERIFY2(box.caption != "Ошибка" && box.caption != "Tolvex", qPrintable(box.text));
        form.close();

        QCOMPARE(query(prefix, {uninstallKey}), QString());
        QVERIFY(!query(prefix, {runKey}).contains("TolvexTestApp"));
        QCOMPARE(query(prefix, {settingsKey}), QString());
        // And the tweaks themselves were written.
        QVERIFY(query(prefix, {"HKCU\\Control Panel\\Desktop", "/v", "MenuShowDelay"}).contains("REG_SZ    0"));
        QVERIFY(query(prefix, {"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", "/v", "Auto"})
                    .contains("REG_SZ    0"));
    }
};

QTEST_MAIN(TestWineUninstallWindow)
#include "tst_wine_uninstall_window.moc"
