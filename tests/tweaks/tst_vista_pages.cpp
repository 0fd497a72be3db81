// The Vista generation's four tweak pages and their loader, driven by clicks on the components.
#include "FindControl.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "Dialogs.h"
#include "HintPanel.h"
#include "TweakPage.h"
#include "machine/Machine.h"
#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"
#include "shell/MachineShellServices.h"
#include "vista/VistaCatalogue.h"
#include "vista/VistaLoader.h"

#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::tweaks;
using registry::RegistryStore;
using ui::Dialogs;

namespace {

const QByteArray vistaBuild = "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion]\n\"CurrentBuildNumber\"=\"6000\"\n";

// A line of hive text: every character outside printable ASCII as Wine escapes it.
QByteArray wine(const QString &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7f) {
            out += char(c);
            continue;
        }
        const bool hexNext = i + 1 < text.size() && QByteArrayView("0123456789abcdefABCDEF").contains(text[i + 1].toLatin1());
        out += "\\x" + QByteArray::number(c, 16).rightJustified(hexNext ? 4 : 0, '0');
    }
    return out;
}

QByteArray doubled(QString key) { return key.replace('\\', "\\\\").toUtf8(); }

// The system and user hive bodies holding `value`=`data` under the key the user sees as
// `root`\`key`; "absent" leaves the key out altogether.
std::pair<QByteArray, QByteArray> fixture(const QString &root, const QString &key, const QString &value,
                                          const QString &data)
{
    QByteArray system = vistaBuild, user;
    if (data == "absent")
        return {system, user};
    const QByteArray block = "\n[" + (root == "HKEY_CLASSES_ROOT" ? "Software\\\\Classes\\\\" : QByteArray()) +
                             doubled(key) + "]\n\"" + value.toUtf8() + "\"=" + wine(data) + "\n";
    (root == "HKEY_CURRENT_USER" ? user : system) += block;
    return {system, user};
}

registry::Root rootOf(const QString &name)
{
    if (name == "HKEY_CURRENT_USER")
        return registry::Root::CurrentUser;
    if (name == "HKEY_CLASSES_ROOT")
        return registry::Root::ClassesRoot;
    return registry::Root::LocalMachine;
}

// A value as the hive files hold it now: `dword:0000000a`, `"text"` or `absent`.
QString stored(const QString &folder, const QString &root, const QString &key, const QString &value)
{
    auto machine = platform::Machine::open(folder, folder);
    RegistryStore s(machine->registry());
    s.SelectRoot(rootOf(root));
    const std::string name = value.toStdString();
    if (!s.OpenPath("\\" + key.toStdString(), false) || !s.HasValue(name))
        return "absent";
    if (s.ValueKind(name) == registry::ValueKind::Dword)
        return "dword:" + QString::number(s.GetDword(name), 16).rightJustified(8, '0');
    return '"' + QString::fromStdString(s.GetText(name)) + '"';
}

// The snapshot's fields by the names the table uses, and its recycle-bin name as "name".
const QList<std::pair<QString, bool VistaSnapshot::*>> &snapshotFields()
{
    static const QList<std::pair<QString, bool VistaSnapshot::*>> fields = {
        {"minAnimate", &VistaSnapshot::minAnimate},
        {"autoRestartShell", &VistaSnapshot::autoRestartShell},
        {"dragFullWindows", &VistaSnapshot::dragFullWindows},
        {"noPagingExecutive", &VistaSnapshot::noPagingExecutive},
        {"clearPageFile", &VistaSnapshot::clearPageFile},
        {"drWatsonEnabled", &VistaSnapshot::drWatsonEnabled},
        {"noLastAccessUpdate", &VistaSnapshot::noLastAccessUpdate},
        {"unloadDll", &VistaSnapshot::unloadDll},
        {"bootDefrag", &VistaSnapshot::bootDefrag},
        {"uacDisabled", &VistaSnapshot::uacDisabled},
        {"autoEndTasks", &VistaSnapshot::autoEndTasks},
        {"cpuPriority", &VistaSnapshot::cpuPriority},
        {"balloonTips", &VistaSnapshot::balloonTips},
        {"autoTray", &VistaSnapshot::autoTray},
        {"fastStartMenu", &VistaSnapshot::fastStartMenu},
    };
    return fields;
}

// "uacDisabled=1" sets one field; "name=X" the recycle-bin name.
void setField(VistaSnapshot &snapshot, const QString &assignment)
{
    const QString field = assignment.section('=', 0, 0), data = assignment.section('=', 1);
    if (field == "name") {
        snapshot.recycleBinName = data;
        return;
    }
    for (const auto &[name, member] : snapshotFields())
        if (name == field)
            snapshot.*member = data == "1";
}

// The fields that are set, for messages.
QString describe(const VistaSnapshot &snapshot)
{
    QStringList on;
    for (const auto &[name, member] : snapshotFields())
        if (snapshot.*member)
            on << name;
    return on.join(',') + " name=" + snapshot.recycleBinName;
}

QString describe(const TweakControls &controls, const QString &control, bool field)
{
    return (field ? "text:" + controls.text(control) : QString(controls.checked(control) ? "checked" : "unchecked")) +
           (controls.enabled(control) ? "" : " greyed");
}

ControlStateMap vistaControls()
{
    ControlStateMap controls;
    for (const TweakPageDef *page : vistaPages())
        for (const TweakEntry &row : page->rows)
            controls.add(row);
    return controls;
}

// The four pages as one set of controls, as the loader walks rows across them.
class AllPages final : public TweakControls
{
public:
    QList<TweakPage *> pages;
    TweakPage *pageOf(const QString &c) const
    {
        for (TweakPage *p : pages)
            if (p->has(c))
                return p;
        return nullptr;
    }
    bool has(const QString &c) const override { return pageOf(c); }
    bool checked(const QString &c) const override { return pageOf(c)->checked(c); }
    void setChecked(const QString &c, bool on) override { pageOf(c)->setChecked(c, on); }
    QString text(const QString &c) const override { return pageOf(c)->text(c); }
    void setText(const QString &c, const QString &t) override { pageOf(c)->setText(c, t); }
    bool enabled(const QString &c) const override { return pageOf(c)->enabled(c); }
    void setEnabled(const QString &c, bool on) override { pageOf(c)->setEnabled(c, on); }
};

struct PageNames
{
    const char *ok, *undo, *hintBar, *group;
};
const QHash<QString, PageNames> pageNames = {
    {"sTabSheet18", {"vPZOK", "vPZNO", "sStatusBar13", "Панель задач"}},
    {"sTabSheet19", {"vNSOK", "vNSNO", "sStatusBar14", "Настройка системы"}},
    {"sTabSheet20", {"vNKOK", "vNKNO", "sStatusBar15", "Настройка корзины"}},
    {"sTabSheet21", {"vNPOK", "vNPNO", "sStatusBar16", "Настройка проводника"}},
};

using test::find;

void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TestVistaPages : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    std::unique_ptr<test::ProgramSession> m_program;
    CapturedState m_captured;
    AllPages m_pages;
    VistaSnapshot m_snapshot;

    // What the main window does at start on Vista: make the pages, load them, capture them.
    void start(const QByteArray &system, const QByteArray &user, bool readOnly = false)
    {
        stop();
        m_dir = new QTemporaryDir;
        test::writeMachine(m_dir->path(), system, user);
        m_program = std::make_unique<test::ProgramSession>(m_dir->path(), m_dir->path(), readOnly);
        QVERIFY(m_program->machine->vistaGeneration());
        for (const TweakPageDef *def : vistaPages()) {
            auto *page = new TweakPage(*def, *m_program->context, m_captured);
            page->resize(432, 438);
            m_pages.pages << page;
        }
        m_snapshot = {};
        RegistryStore store(m_program->machine->registry());
        VLoadRegedit(store, m_pages, m_snapshot);
        for (TweakPage *page : m_pages.pages)
            TweakEngine::capture(page->definition(), *page, m_captured);
        Dialogs::startRecording();
    }
    void stop()
    {
        qDeleteAll(m_pages.pages);
        m_pages.pages.clear();
        m_captured = {};
        delete m_dir;
        m_dir = nullptr;
    }
    TweakPage *shown(const QString &component)
    {
        for (TweakPage *page : m_pages.pages)
            if (page->objectName() == component) {
                page->show();
                page->activateWindow();
                if (!QTest::qWaitForWindowActive(page))
                    qFatal("page not shown");
                return page;
            }
        qFatal("no page %s", qPrintable(component));
    }

    static void hover(QWidget *w)
    {
        const QPointF local(3, 3);
        QEnterEvent enter(local, w->mapTo(w->window(), local), w->mapToGlobal(local));
        QApplication::sendEvent(w, &enter);
        QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    static void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

private slots:
    void cleanup()
    {
        Dialogs::stopRecording();
        stop();
    }

    void everyRowLoadsOnceAndHasASnapshotField()
    {
        QStringList rows, boxes;
        for (const TweakPageDef *page : vistaPages())
            for (const TweakEntry &row : page->rows) {
                rows << row.control;
                if (row.controlType == ControlType::CheckBox)
                    boxes << row.control;
            }
        QStringList order = vistaLoadOrder();
        QCOMPARE(order.size(), rows.size());
        QCOMPARE(order.last(), QString("sEdit2"));
        order.sort();
        rows.sort();
        QCOMPARE(order, rows);
        QStringList mapped;
        for (const VistaSnapshotState &s : vistaSnapshotStates)
            mapped << s.control;
        mapped.sort();
        boxes.sort();
        QCOMPARE(mapped, boxes);
        QCOMPARE(boxes.size(), 15);
    }

    // The loader on its own: the control each value gives, and the snapshot field beside it.
    // `seedBox` and `seedState` are what an earlier load left; a failed read must keep them.
    void loadRules_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("data"); // hive syntax, or "absent": the key is missing
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("seedBox");
        QTest::addColumn<QString>("seedState");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("state");

        const QString lm = "HKEY_LOCAL_MACHINE", cu = "HKEY_CURRENT_USER", cr = "HKEY_CLASSES_ROOT";
        const QString mm = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
        const QString ae = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
        const QString pc = "System\\CurrentControlSet\\Control\\PriorityControl";
        const QString lua = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
        const QString dfrg = "SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction";
        const QString bin = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
        const QString dt = "Control Panel\\Desktop";
        const QString wl = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

        QTest::newRow("DWORD 1") << lm << mm << "ClearPageFileAtShutdown" << "dword:00000001" << "vClFilePod" << false
                                 << "clearPageFile=0" << "checked" << "clearPageFile=1";
        QTest::newRow("DWORD 2 is not 1") << lm << mm << "ClearPageFileAtShutdown" << "dword:00000002" << "vClFilePod"
                                          << true << "clearPageFile=1" << "unchecked" << "clearPageFile=0";
        QTest::newRow("DWORD absent greys, keeps box and state")
            << lm << mm << "Other" << "dword:00000001" << "vClFilePod" << true << "clearPageFile=0" << "checked greyed"
            << "clearPageFile=0";
        QTest::newRow("DWORD key absent greys") << lm << mm << "x" << "absent" << "vNoUsingFilePod" << false
                                                << "noPagingExecutive=1" << "unchecked greyed" << "noPagingExecutive=1";
        QTest::newRow("DWORD as text greys") << lm << wl << "AutoRestartShell" << "\"1\"" << "vAutResProv" << true
                                             << "autoRestartShell=0" << "checked greyed" << "autoRestartShell=0";
        QTest::newRow("EnableLUA 0") << lm << lua << "EnableLUA" << "dword:00000000" << "vDUAC" << false
                                     << "uacDisabled=0" << "checked" << "uacDisabled=1";
        QTest::newRow("EnableLUA 1") << lm << lua << "EnableLUA" << "dword:00000001" << "vDUAC" << true
                                     << "uacDisabled=1" << "unchecked" << "uacDisabled=0";
        QTest::newRow("EnableLUA absent greys") << lm << lua << "Other" << "dword:00000000" << "vDUAC" << false
                                                << "uacDisabled=1" << "unchecked greyed" << "uacDisabled=1";
        QTest::newRow("priority 6") << lm << pc << "Win32PrioritySeparation" << "dword:00000006" << "vPCPU" << false
                                    << "cpuPriority=0" << "checked" << "cpuPriority=1";
        QTest::newRow("priority 0x26") << lm << pc << "Win32PrioritySeparation" << "dword:00000026" << "vPCPU" << true
                                       << "cpuPriority=1" << "unchecked" << "cpuPriority=0";

        QTest::newRow("Auto 1: state inverted") << lm << ae << "Auto" << "\"1\"" << "vDWATSON" << true
                                                << "drWatsonEnabled=0" << "unchecked" << "drWatsonEnabled=1";
        QTest::newRow("Auto 0") << lm << ae << "Auto" << "\"0\"" << "vDWATSON" << false << "drWatsonEnabled=1"
                                << "checked" << "drWatsonEnabled=0";
        QTest::newRow("Auto absent differs from 1") << lm << ae << "Debugger" << "\"x\"" << "vDWATSON" << false
                                                    << "drWatsonEnabled=1" << "checked" << "drWatsonEnabled=0";
        QTest::newRow("Auto key absent never greys") << lm << ae << "Auto" << "absent" << "vDWATSON" << false
                                                     << "drWatsonEnabled=1" << "checked" << "drWatsonEnabled=0";
        QTest::newRow("Auto as DWORD greys, keeps state") << lm << ae << "Auto" << "dword:00000001" << "vDWATSON"
                                                          << true << "drWatsonEnabled=1" << "checked greyed"
                                                          << "drWatsonEnabled=1";

        QTest::newRow("Boot defrag Y") << lm << dfrg << "Enable" << "\"Y\"" << "vOPSFILELOADING" << false
                                       << "bootDefrag=0" << "checked" << "bootDefrag=1";
        QTest::newRow("Boot defrag compares case") << lm << dfrg << "Enable" << "\"y\"" << "vOPSFILELOADING" << true
                                                   << "bootDefrag=1" << "unchecked" << "bootDefrag=0";
        QTest::newRow("Boot defrag key absent reads as empty") << lm << dfrg << "Enable" << "absent"
                                                               << "vOPSFILELOADING" << true << "bootDefrag=1"
                                                               << "unchecked" << "bootDefrag=0";
        QTest::newRow("AutoEndTasks as DWORD greys") << cu << dt << "AutoEndTasks" << "dword:00000001" << "vADZP"
                                                     << false << "autoEndTasks=1" << "unchecked greyed"
                                                     << "autoEndTasks=1";
        QTest::newRow("MenuShowDelay 0") << cu << dt << "MenuShowDelay" << "\"0\"" << "VFStart" << false
                                         << "fastStartMenu=0" << "checked" << "fastStartMenu=1";
        QTest::newRow("MenuShowDelay absent") << cu << dt << "Other" << "\"0\"" << "VFStart" << true
                                              << "fastStartMenu=1" << "unchecked" << "fastStartMenu=0";
        QTest::newRow("expandable text counts as text") << cu << dt << "DragFullWindows" << "str(2):\"1\""
                                                        << "vSeeSodMove" << false << "dragFullWindows=0" << "checked"
                                                        << "dragFullWindows=1";
        QTest::newRow("balloon tips 1") << cu << "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced"
                                        << "EnableBalloonTips" << "dword:00000001" << "vShowHint" << false
                                        << "balloonTips=0" << "checked" << "balloonTips=1";
        QTest::newRow("auto tray absent greys") << cu << "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer"
                                                << "NoDrives" << "dword:00000001" << "vEnAutoTray" << true
                                                << "autoTray=0" << "checked greyed" << "autoTray=0";

        QTest::newRow("bin name keeps its case") << cr << bin << "LocalizedString" << "\"Корзина\"" << "sEdit2"
                                                 << false << "name=earlier" << "text:Корзина" << "name=Корзина";
        QTest::newRow("bin name is not expanded") << cr << bin << "LocalizedString" << "str(2):\"%SystemRoot%\\\\x\""
                                                  << "sEdit2" << false << "name=earlier" << "text:%SystemRoot%\\x"
                                                  << "name=%SystemRoot%\\x";
        QTest::newRow("bin name absent is empty") << cr << bin << "LocalizedString" << "absent" << "sEdit2" << false
                                                  << "name=earlier" << "text:" << "name=";
        // The failure greys the field instead of escaping from the loader.
        QTest::newRow("bin name as DWORD greys, keeps name") << cr << bin << "LocalizedString" << "dword:00000001"
                                                             << "sEdit2" << false << "name=earlier" << "text: greyed"
                                                             << "name=earlier";
    }

    void loadRules()
    {
        QFETCH(QString, root);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, data);
        QFETCH(QString, control);
        QFETCH(bool, seedBox);
        QFETCH(QString, seedState);
        QFETCH(QString, expected);
        QFETCH(QString, state);
        QTemporaryDir dir;
        const auto [system, user] = fixture(root, key, value, data);
        test::writeMachine(dir.path(), system, user);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        QVERIFY(hives.loadErrors().empty());
        const QByteArray systemBefore = test::readFile(dir.path() + "/system.reg");
        const QByteArray userBefore = test::readFile(dir.path() + "/user.reg");

        ControlStateMap controls = vistaControls();
        controls.setChecked(control, seedBox);
        controls.setText(control, "old");
        VistaSnapshot snapshot, wanted;
        setField(snapshot, seedState);
        setField(wanted, state);
        // The other rows have nothing to read: their fields follow the boxes they load (only
        // "Auto", absent, gives a checked box), so set them as the load will.
        if (control != "vDWATSON")
            snapshot.drWatsonEnabled = wanted.drWatsonEnabled = false;
        if (control != "sEdit2")
            snapshot.recycleBinName = wanted.recycleBinName = "";

        RegistryStore store(hives);
        VLoadRegedit(store, controls, snapshot);
        QCOMPARE(describe(controls, control, control == "sEdit2"), expected);
        QVERIFY2(snapshot == wanted, qPrintable(describe(snapshot) + " wanted " + describe(wanted)));
        QVERIFY(hives.flush().empty());
        QCOMPARE(test::readFile(dir.path() + "/system.reg"), systemBefore); // loading never writes
        QCOMPARE(test::readFile(dir.path() + "/user.reg"), userBefore);
    }

    // Each row through the pages: load, click, OK, undo.
    void clickOkUndo_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("startUp"); // hive syntax, or "absent"
        QTest::addColumn<QString>("loaded");  // "checked", "unchecked" or "text:..."
        QTest::addColumn<QString>("state");   // the snapshot field it sets
        QTest::addColumn<QString>("afterOk"); // after a click (a field: typing this text) and OK
        QTest::addColumn<QString>("afterUndo");

        const QString lm = "HKEY_LOCAL_MACHINE", cu = "HKEY_CURRENT_USER", cr = "HKEY_CLASSES_ROOT";
        const QString adv = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
        const QString pe = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
        const QString dt = "Control Panel\\Desktop";
        const QString mm = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
        const QString ae = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
        const QString dfrg = "SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction";
        const QString lua = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
        const QString pc = "System\\CurrentControlSet\\Control\\PriorityControl";
        const QString d1 = "dword:00000001", d0 = "dword:00000000";
        QTest::newRow("vShowHint on") << "sTabSheet18" << "vShowHint" << cu << adv << "EnableBalloonTips" << d1 << "checked"
                             << "balloonTips=1" << d0 << d1;
        QTest::newRow("vShowHint off") << "sTabSheet18" << "vShowHint" << cu << adv << "EnableBalloonTips" << d0 << "unchecked"
                              << "balloonTips=0" << d1 << d0;
        QTest::newRow("vEnAutoTray") << "sTabSheet18" << "vEnAutoTray" << cu << pe << "EnableAutoTray" << d0 << "unchecked"
                            << "autoTray=0" << d1 << d0;
        QTest::newRow("VFStart on") << "sTabSheet18" << "VFStart" << cu << dt << "MenuShowDelay" << "\"0\"" << "checked"
                           << "fastStartMenu=1" << "\"400\"" << "\"0\"";
        QTest::newRow("VFStart off") << "sTabSheet18" << "VFStart" << cu << dt << "MenuShowDelay" << "\"400\"" << "unchecked"
                            << "fastStartMenu=0" << "\"0\"" << "\"400\"";

        QTest::newRow("vDWATSON, Auto 1") << "sTabSheet19" << "vDWATSON" << lm << ae << "Auto" << "\"1\"" << "unchecked"
                                 << "drWatsonEnabled=1" << "\"0\"" << "\"1\"";
        QTest::newRow("vDWATSON, Auto absent") << "sTabSheet19" << "vDWATSON" << lm << ae << "Auto" << "absent" << "checked"
                                      << "drWatsonEnabled=0" << "\"1\"" << "\"0\"";
        QTest::newRow("vClFilePod") << "sTabSheet19" << "vClFilePod" << lm << mm << "ClearPageFileAtShutdown" << d1
                           << "checked" << "clearPageFile=1" << d0 << d1;
        QTest::newRow("vNOWRITELASTNTFS") << "sTabSheet19" << "vNOWRITELASTNTFS" << lm
                                 << "SYSTEM\\CurrentControlSet\\Control\\FileSystem" << "NtfsDisableLastAccessUpdate"
                                 << d0 << "unchecked" << "noLastAccessUpdate=0" << d1 << d0;
        QTest::newRow("vAUTUNLDLL") << "sTabSheet19" << "vAUTUNLDLL" << lm << "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer"
                           << "AlwaysUnloadDLL" << d1 << "checked" << "unloadDll=1" << d0 << d1;
        QTest::newRow("vOPSFILELOADING") << "sTabSheet19" << "vOPSFILELOADING" << lm << dfrg << "Enable" << "\"Y\""
                                << "checked" << "bootDefrag=1" << "\"N\"" << "\"Y\"";
        QTest::newRow("vOPSFILELOADING, no key") << "sTabSheet19" << "vOPSFILELOADING" << lm << dfrg << "Enable" << "absent"
                                        << "unchecked" << "bootDefrag=0" << "\"Y\"" << "\"N\"";
        QTest::newRow("vDUAC on") << "sTabSheet19" << "vDUAC" << lm << lua << "EnableLUA" << d0 << "checked" << "uacDisabled=1"
                         << d1 << d0;
        QTest::newRow("vDUAC off") << "sTabSheet19" << "vDUAC" << lm << lua << "EnableLUA" << d1 << "unchecked"
                          << "uacDisabled=0" << d0 << d1;
        QTest::newRow("vADZP") << "sTabSheet19" << "vADZP" << cu << dt << "AutoEndTasks" << "\"1\"" << "checked"
                      << "autoEndTasks=1" << "\"0\"" << "\"1\"";
        QTest::newRow("vPCPU off") << "sTabSheet19" << "vPCPU" << lm << pc << "Win32PrioritySeparation" << "dword:00000002"
                          << "unchecked" << "cpuPriority=0" << "dword:00000006" << "dword:00000002";
        QTest::newRow("vPCPU on") << "sTabSheet19" << "vPCPU" << lm << pc << "Win32PrioritySeparation" << "dword:00000006"
                         << "checked" << "cpuPriority=1" << "dword:00000002" << "dword:00000006";

        QTest::newRow("sEdit2") << "sTabSheet20" << "sEdit2" << cr << "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
                       << "LocalizedString" << "\"КОРЗИНА\"" << "text:КОРЗИНА" << "name=КОРЗИНА" << "\"МУСОР 2\""
                       << "\"КОРЗИНА\"";

        QTest::newRow("vAnimPrSvorWindow") << "sTabSheet21" << "vAnimPrSvorWindow" << cu << "Control Panel\\Desktop\\WindowMetrics"
                                  << "MinAnimate" << "\"1\"" << "checked" << "minAnimate=1" << "\"0\"" << "\"1\"";
        QTest::newRow("vAutResProv") << "sTabSheet21" << "vAutResProv" << lm
                            << "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon" << "AutoRestartShell" << d1
                            << "checked" << "autoRestartShell=1" << d0 << d1;
        QTest::newRow("vSeeSodMove") << "sTabSheet21" << "vSeeSodMove" << cu << dt << "DragFullWindows" << "\"0\""
                            << "unchecked" << "dragFullWindows=0" << "\"1\"" << "\"0\"";
        QTest::newRow("vNoUsingFilePod") << "sTabSheet21" << "vNoUsingFilePod" << lm << mm << "DisablePagingExecutive" << d1
                                << "checked" << "noPagingExecutive=1" << d0 << d1;
    }

    void clickOkUndo()
    {
        QFETCH(QString, page);
        QFETCH(QString, control);
        QFETCH(QString, root);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, startUp);
        QFETCH(QString, loaded);
        QFETCH(QString, state);
        QFETCH(QString, afterOk);
        QFETCH(QString, afterUndo);
        const auto [system, user] = fixture(root, key, value, startUp);
        start(system, user);
        TweakPage *p = shown(page);
        const PageNames names = pageNames.value(page);
        auto *ok = find<QPushButton>(p, names.ok);
        auto *undo = find<QPushButton>(p, names.undo);
        const bool field = loaded.startsWith("text:");

        QCOMPARE(describe(*p, control, field), loaded);
        VistaSnapshot wanted; // the other rows read nothing and load off
        setField(wanted, state);
        QVERIFY2(m_snapshot == wanted, qPrintable(describe(m_snapshot) + " wanted " + describe(wanted)));
        QVERIFY(!undo->isEnabled());

        // The hint of the row, on its own page's bar.
        auto *bar = find<ui::HintPanel>(p, names.hintBar);
        hover(field ? static_cast<QWidget *>(find<QLabel>(p, "sLabel17")) : find<QCheckBox>(p, control));
        QCOMPARE(bar->panelText(0), "Ветка:" + root + "\\" + key);
        QCOMPARE(bar->panelText(1), "Ключ:" + value);
        QCOMPARE(bar->toolTip(), bar->panelText(0) + "  " + bar->panelText(1));

        if (field) {
            auto *edit = find<QLineEdit>(p, control);
            click(edit);
            edit->selectAll();
            typeText(edit, afterOk.mid(1, afterOk.size() - 2));
        } else {
            click(find<QCheckBox>(p, control));
        }
        QVERIFY(ok->isEnabled());
        click(ok);
        QCOMPARE(Dialogs::takeRecorded().size(), 0);
        QCOMPARE(stored(m_dir->path(), root, key, value), afterOk);
        QVERIFY(!ok->isEnabled());
        QVERIFY(undo->isEnabled());

        click(undo);
        QCOMPARE(Dialogs::takeRecorded().size(), 0);
        QCOMPARE(stored(m_dir->path(), root, key, value), afterUndo);
        QCOMPARE(describe(*p, control, field), loaded);
        QVERIFY(!ok->isEnabled());
        QVERIFY(!undo->isEnabled());
    }

    void pagesLookAndStartUp()
    {
        // Every box off but one on the system page; the bin name loaded.
        const QByteArray system = vistaBuild +
                                  "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\AeDebug]\n\"Auto\"=\"1\"\n"
                                  "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\System]\n"
                                  "\"EnableLUA\"=dword:00000000\n";
        start(system, {});
        for (auto it = pageNames.begin(); it != pageNames.end(); ++it) {
            TweakPage *p = shown(it.key());
            QCOMPARE(p->okButton()->objectName(), QString(it->ok));
            QCOMPARE(p->okButton()->text(), QString("OK"));
            QCOMPARE(p->undoButton()->objectName(), QString(it->undo));
            QCOMPARE(p->undoButton()->text(), QString("&No"));
            QCOMPARE(p->hintPanel()->objectName(), QString(it->hintBar));
            QVERIFY(p->findChild<QGroupBox *>());
            QCOMPARE(p->findChild<QGroupBox *>()->title(), QString(it->group));
            // Only the page with a box loaded checked starts with OK on.
            QCOMPARE(p->okButton()->isEnabled(), it.key() == "sTabSheet19");
        }
    }

    // A backup reloads the pages: the snapshot follows what OK wrote, unapplied clicks are lost,
    // and undo still returns to the start-up state.
    void reloadRefreshesTheSnapshot()
    {
        const auto [system, user] = fixture("HKEY_LOCAL_MACHINE",
                                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                                            "EnableLUA", "dword:00000000");
        start(system, user);
        TweakPage *p = shown("sTabSheet19");
        QVERIFY(m_snapshot.uacDisabled);
        click(find<QCheckBox>(p, "vDUAC"));
        click(p->okButton());
        QVERIFY(m_snapshot.uacDisabled); // only a load changes it
        click(find<QCheckBox>(p, "vADZP"));
        {
            RegistryStore store(m_program->machine->registry());
            VLoadRegedit(store, m_pages, m_snapshot);
        }
        QVERIFY(!m_snapshot.uacDisabled);
        QVERIFY(!p->checked("vDUAC"));
        QVERIFY(!p->checked("vADZP"));
        click(p->undoButton());
        QVERIFY(p->checked("vDUAC"));
        QCOMPARE(stored(m_dir->path(), "HKEY_LOCAL_MACHINE",
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "EnableLUA"),
                 QString("dword:00000000"));
    }

    void binNameEnablesOkWhenClickedNotTyped()
    {
        start(vistaBuild, {});
        TweakPage *p = shown("sTabSheet20");
        auto *edit = find<QLineEdit>(p, "sEdit2");
        typeText(edit, "X");
        QVERIFY(!p->okButton()->isEnabled());
        click(edit);
        QVERIFY(p->okButton()->isEnabled());
    }

    void binNameOfAnotherKind()
    {
        const QString bin = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
        const auto [system, user] = fixture("HKEY_CLASSES_ROOT", bin, "LocalizedString", "dword:00000007");
        start(system, user);
        TweakPage *p = shown("sTabSheet20");
        QVERIFY(!p->enabled("sEdit2"));
        QCOMPARE(p->text("sEdit2"), QString());
        p->okClick();
        QCOMPARE(Dialogs::takeRecorded().size(), 0);
        // Never shown, so not overwritten.
        QCOMPARE(stored(m_dir->path(), "HKEY_CLASSES_ROOT", bin, "LocalizedString"), QString("dword:00000007"));
    }

    void binNameKeepsItsCase()
    {
        const auto [system, user] = fixture("HKEY_CLASSES_ROOT", "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}",
                                            "LocalizedString", "\"Корзина\"");
        start(system, user);
        TweakPage *p = shown("sTabSheet20");
        QCOMPARE(p->text("sEdit2"), QString("Корзина"));
        QCOMPARE(m_snapshot.recycleBinName, p->text("sEdit2"));
        p->okClick();
        p->undoClick();
        QCOMPARE(stored(m_dir->path(), "HKEY_CLASSES_ROOT", "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}",
                        "LocalizedString"),
                 QString("\"Корзина\""));
    }

    // A refused write shows one message per row, in the order OK writes them.
    void refusedWrites_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("taskbar") << "sTabSheet18" << QStringList{"EnableBalloonTips", "EnableAutoTray", "MenuShowDelay"};
        QTest::newRow("system") << "sTabSheet19"
                                << QStringList{"Auto",    "ClearPageFileAtShutdown", "NtfsDisableLastAccessUpdate",
                                               "AlwaysUnloadDLL", "Enable", "EnableLUA", "AutoEndTasks",
                                               "Win32PrioritySeparation"};
        QTest::newRow("recycle bin") << "sTabSheet20" << QStringList{"LocalizedString"};
        QTest::newRow("explorer") << "sTabSheet21"
                                  << QStringList{"MinAnimate", "AutoRestartShell", "DragFullWindows",
                                                 "DisablePagingExecutive"};
    }

    void refusedWrites()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, values);
        start(vistaBuild, {}, true);
        const QByteArray before = test::readFile(m_dir->path() + "/system.reg");
        TweakPage *p = shown(page);
        p->okClick(); // the button is off on pages whose boxes all loaded unchecked
        QStringList texts;
        for (const Dialogs::Shown &s : Dialogs::takeRecorded()) {
            QCOMPARE(s.caption, QString("Ошибка"));
            texts << s.text;
        }
        QStringList wanted;
        for (const QString &v : values)
            wanted << "Не удается получить доступ к \"" + v + "\"";
        QCOMPARE(texts, wanted);
        QVERIFY(p->undoButton()->isEnabled());
        QCOMPARE(test::readFile(m_dir->path() + "/system.reg"), before);
    }
};

QTEST_MAIN(TestVistaPages)
#include "tst_vista_pages.moc"
