// The network security, taskbar, start menu, fonts and applications, and logon pages: every row
// through its page's widgets, and the rows with rules of their own through the mechanism.
#include "FindControl.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "Dialogs.h"
#include "HintPanel.h"
#include "TweakCatalogue.h"
#include "TweakPage.h"
#include "TweakPages.h"
#include "machine/Machine.h"
#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"
#include "shell/MachineShellServices.h"

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

constexpr const char *pe = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char *ea = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
constexpr const char *lanman = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";
constexpr const char *desktop = "Control Panel\\Desktop";
constexpr const char *policiesSystem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char *keyboard = ".DEFAULT\\Control Panel\\Keyboard";

// One stored value; data as the hive text writes it, "absent" for none.
struct Seed
{
    Root root;
    QString key;
    QString name;
    QString data;
};

// The start-up data of every value of the five pages, checked and unchecked mixed, and decoys:
// the same names under other keys or roots, which no row may read or change.
QList<Seed> startUpSeeds()
{
    return {
        {Root::LocalMachine, lanman, "AutoShareWks", "dword:00000001"},
        {Root::LocalMachine, lanman, "AutoShareServer", "dword:00000001"},
        {Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Lsa", "RestrictAnonymous", "dword:00000000"},
        {Root::CurrentUser, ea, "EnableBalloonTips", "dword:00000001"},
        {Root::CurrentUser, pe, "NoTrayItemsDisplay", "dword:00000000"},
        {Root::CurrentUser, pe, "EnableAutoTray", "dword:00000001"},
        {Root::CurrentUser, pe, "NoUserNameInStartMenu", "dword:00000000"},
        {Root::CurrentUser, pe, "StartMenuLogoff", "dword:00000001"},
        {Root::CurrentUser, pe, "NoStartMenuMFUprogramsList", "dword:00000000"},
        {Root::CurrentUser, pe, "NoRecentDocsHistory", "dword:00000001"},
        {Root::CurrentUser, pe, "ClearRecentDocsOnExit", "dword:00000000"},
        {Root::CurrentUser, ea, "Start_AutoCascade", "dword:00000001"},
        {Root::CurrentUser, ea, "Start_NotifyNewApps", "dword:00000000"},
        {Root::CurrentUser, pe, "NoCommonGroups", "dword:00000001"},
        {Root::CurrentUser, pe, "MenuShowDelay", "\"400\""},
        {Root::CurrentUser, desktop, "HungAppTimeout", "\"5000\""},
        {Root::CurrentUser, desktop, "WaitToKillAppTimeout", "\"20000\""},
        {Root::LocalMachine, policiesSystem, "dontdisplaylastusername", "dword:00000001"},
        {Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "AllowMultipleTSSessions",
         "dword:00000000"},
        {Root::LocalMachine, policiesSystem, "DisableStatusMessages", "dword:00000000"},
        {Root::Users, keyboard, "InitialKeyboardIndicators", "\"2\""},
        {Root::CurrentUser, "Control Panel\\Keyboard", "InitialKeyboardIndicators", "\"0\""},
        {Root::CurrentUser, desktop, "MenuShowDelay", "\"100\""},
        {Root::Users, ".DEFAULT\\Control Panel\\Desktop", "HungAppTimeout", "\"7000\""},
    };
}

// The seeds with some data replaced: "name=data" goes to the first seed of that name, a second
// change of the same name to the second; "absent" drops the seed.
QList<Seed> seedsWith(const QStringList &changes)
{
    QList<Seed> seeds = startUpSeeds();
    QStringList done;
    for (const QString &change : changes) {
        const QString name = change.section('=', 0, 0);
        qsizetype skip = done.count(name);
        done << name;
        for (Seed &seed : seeds)
            if (seed.name == name && skip-- == 0) {
                seed.data = change.section('=', 1);
                break;
            }
    }
    seeds.removeIf([](const Seed &s) { return s.data == "absent"; });
    return seeds;
}

struct Bodies
{
    QByteArray system, user, userdef;
};

Bodies hiveBodies(const QList<Seed> &seeds)
{
    Bodies bodies;
    QStringList keysDone;
    for (const Seed &seed : seeds) {
        const QString id = QString::number(int(seed.root)) + seed.key.toLower();
        if (keysDone.contains(id))
            continue;
        keysDone << id;
        QString key = seed.key;
        QByteArray *body = seed.root == Root::LocalMachine ? &bodies.system : &bodies.user;
        if (seed.root == Root::Users) {
            key = key.section('\\', 1);
            body = &bodies.userdef;
        }
        *body += "\n[" + key.replace("\\", "\\\\").toUtf8() + "]\n";
        for (const Seed &value : seeds)
            if (value.root == seed.root && value.key.compare(seed.key, Qt::CaseInsensitive) == 0)
                *body += "\"" + value.name.toUtf8() + "\"=" + value.data.toUtf8() + "\n";
    }
    return bodies;
}

// A value as the hive files in `folder` hold it, read by a fresh registry.
QString storedValue(const QString &folder, Root root, const QString &key, const QString &name)
{
    registry::HiveRegistry hives;
    hives.load(folder.toStdString());
    RegistryStore s(hives);
    s.SelectRoot(root);
    const std::string n = name.toStdString();
    if (!s.OpenPath("\\" + key.toStdString(), false) || !s.HasValue(n))
        return "absent";
    switch (s.ValueKind(n)) {
    case registry::ValueKind::Dword:
        return QString::asprintf("dword:%08x", s.GetDword(n));
    case registry::ValueKind::String:
        return "\"" + QString::fromStdString(s.GetText(n)) + "\"";
    default:
        return "another kind";
    }
}

// Every seeded value on disk, "name=data", in the seeds' order.
QStringList storedSeeds(const QString &folder, const QList<Seed> &seeds)
{
    QStringList out;
    for (const Seed &seed : seeds)
        out << seed.name + "=" + storedValue(folder, seed.root, seed.key, seed.name);
    return out;
}

QStringList seedLines(const QList<Seed> &seeds)
{
    QStringList out;
    for (const Seed &seed : seeds)
        out << seed.name + "=" + seed.data;
    return out;
}

QStringList texts(const QList<Dialogs::Shown> &shown)
{
    QStringList out;
    for (const Dialogs::Shown &s : shown)
        out << s.caption + ": " + s.text;
    return out;
}

QString describe(const TweakControls &controls, const QString &control, bool field)
{
    return (field ? "text:" + controls.text(control) : QString(controls.checked(control) ? "checked" : "unchecked")) +
           (controls.enabled(control) ? "" : " greyed");
}

std::vector<const TweakPageDef *> thesePages()
{
    return {&networkSecurityPage(), &taskbarPage(), &startMenuPage(), &fontsAppsPage(), &logonPage()};
}

// Hive files under a temporary folder, for the rules without widgets.
struct Fixture
{
    QTemporaryDir dir;
    registry::HiveRegistry hives;
    explicit Fixture(const Bodies &b)
    {
        test::writeMachine(dir.path(), b.system, b.user, b.userdef);
        hives.load(dir.path().toStdString());
        if (!hives.loadErrors().empty())
            qFatal("fixture: %s", hives.loadErrors().front().c_str());
    }
};

// A registry that refuses every write of one value name, wherever it is.
class RefusingRegistry final : public registry::RegistryBackend
{
public:
    RefusingRegistry(registry::RegistryBackend &inner, std::string refused) : m_inner(inner), m_refused(std::move(refused)) {}
    KeyHandle root(Root r) override { return m_inner.root(r); }
    KeyHandle open(const KeyHandle &base, std::string_view path, bool create) override
    {
        return m_inner.open(base, path, create);
    }
    bool isLink(const KeyHandle &base, std::string_view path) override { return m_inner.isLink(base, path); }
    std::optional<registry::RawValue> query(const KeyHandle &key, std::string_view name) override
    {
        return m_inner.query(key, name);
    }
    bool set(const KeyHandle &key, std::string_view name, const registry::RawValue &value) override
    {
        return name != m_refused && m_inner.set(key, name, value);
    }
    bool removeValue(const KeyHandle &key, std::string_view name) override { return m_inner.removeValue(key, name); }
    bool removeTree(const KeyHandle &base, std::string_view path) override { return m_inner.removeTree(base, path); }
    std::vector<std::string> subkeyNames(const KeyHandle &key) override { return m_inner.subkeyNames(key); }
    std::vector<std::string> valueNames(const KeyHandle &key) override { return m_inner.valueNames(key); }
    std::optional<registry::KeyInfo> info(const KeyHandle &key) override { return m_inner.info(key); }
    std::vector<std::string> flush() override { return m_inner.flush(); }

private:
    registry::RegistryBackend &m_inner;
    std::string m_refused;
};

using test::find;

} // namespace

class TestXpSystemPages : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    std::unique_ptr<test::ProgramSession> m_program;
    std::unique_ptr<tweaks::TweakPages> m_pages;
    QWidget *m_page = nullptr;

    // The program's start-up over `seeds`, then `component` shown.
    void start(const QList<Seed> &seeds, const QString &component, bool readOnly = false, bool defaults = true)
    {
        m_pages.reset();
        delete m_dir;
        m_dir = new QTemporaryDir;
        const Bodies b = hiveBodies(seeds);
        test::writeMachine(m_dir->path(), b.system, b.user, b.userdef);
        m_program = std::make_unique<test::ProgramSession>(m_dir->path(), m_dir->path(), readOnly);
        Dialogs::startRecording(); // the load may show messages
        m_pages = std::make_unique<tweaks::TweakPages>(*m_program->context, nullptr);
        if (defaults)
            m_pages->CreateKeys();
        m_pages->LoadRegedit(0);
        m_pages->SCancelSystemSett();
        m_page = m_pages->page(component);
        QVERIFY(m_page);
        m_page->resize(432, 438);
        // On activation the page itself takes the focus, not a field as if tabbed into; an active
        // window lets clicks focus the fields.
        m_page->setFocus();
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        m_page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_page));
    }

    QPushButton *button(const char *TweakPageDef::*member)
    {
        auto *page = static_cast<TweakPage *>(m_page);
        return find<QPushButton>(m_page, QString::fromUtf8(page->definition().*member));
    }
    QPushButton *ok() { return button(&TweakPageDef::okButton); }
    QPushButton *undo() { return button(&TweakPageDef::undoButton); }
    ui::HintPanel *bar() { return find<ui::HintPanel>(m_page, static_cast<TweakPage *>(m_page)->definition().hintBar); }
    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    static void hover(QWidget *w)
    {
        const QPointF local(3, 3);
        QEnterEvent enter(local, w->mapTo(w->window(), local), w->mapToGlobal(local));
        QApplication::sendEvent(w, &enter);
        QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    QString state(const QString &control)
    {
        if (auto *box = m_page->findChild<QCheckBox *>(control))
            return box->isChecked() ? "checked" : "unchecked";
        return "text:" + find<QLineEdit>(m_page, control)->text();
    }

private slots:
    void cleanup()
    {
        Dialogs::stopRecording();
        m_pages.reset();
        delete m_dir;
        m_dir = nullptr;
    }

    void pageMembers_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("okName");
        QTest::addColumn<QString>("undoName");
        QTest::addColumn<QString>("barName");
        QTest::addColumn<bool>("okAtStart"); // a box loaded checked enables OK; a loaded text does not
        QTest::newRow("network") << "sTabSheet7" << "Сетевая безопасность" << "SBOk" << "SbNo" << "sStatusBar8" << true;
        QTest::newRow("taskbar") << "sTabSheet8" << "Панель задач" << "PZOk" << "PZNo" << "sStatusBar9" << true;
        QTest::newRow("start menu") << "sTabSheet9" << "Меню \"Пуск\"" << "MPOk" << "MPNo" << "sStatusBar10" << true;
        QTest::newRow("fonts") << "sTabSheet10" << "Шрифты и Приложения" << "SPOk" << "SPNo" << "sStatusBar11" << false;
        QTest::newRow("logon") << "sTabSheet11" << "Вход в систему" << "VSOk" << "VSNo" << "sStatusBar12" << true;
    }

    void pageMembers()
    {
        QFETCH(QString, component);
        QFETCH(QString, group);
        QFETCH(QString, okName);
        QFETCH(QString, undoName);
        QFETCH(QString, barName);
        QFETCH(bool, okAtStart);
        start(startUpSeeds(), component);
        QCOMPARE(find<QGroupBox>(m_page, QString())->title(), group);
        auto *okButton = find<QPushButton>(m_page, okName);
        auto *undoButton = find<QPushButton>(m_page, undoName);
        QCOMPARE(okButton->text(), QString("OK"));
        QCOMPARE(undoButton->text(), QString("&No"));
        QCOMPARE(okButton->isEnabled(), okAtStart);
        QVERIFY(!undoButton->isEnabled());
        QList<int> widths;
        for (QLabel *panel : find<ui::HintPanel>(m_page, barName)->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
            widths << panel->width();
        QCOMPARE(widths, QList<int>({275, 50}));
        QVERIFY(texts(Dialogs::takeRecorded()).isEmpty());
    }

    void pageRows_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");     // of the box, or of the field's label
        QTest::addColumn<QString>("loaded");      // the control after the start-up
        QTest::addColumn<QString>("action");      // "click", "type:TEXT", or "" for none
        QTest::addColumn<QStringList>("changed"); // values OK then holds, "name=data"; the others keep theirs
        QTest::addColumn<QString>("branch");      // hint panel 0, or "" for no hint
        QTest::addColumn<QString>("key");

        const QString hklm = "Ветка:HKEY_LOCAL_MACHINE\\", hkcu = "Ветка:HKEY_CURRENT_USER\\";
        const QString hkPe = hkcu + pe, hkEa = hkcu + ea;
        auto row = [](const char *tag) -> QTestData & { return QTest::newRow(tag); };
        row("FullDisNetRes") << "sTabSheet7" << "FullDisNetRes" << "Полностью отключить сетевые ресурсы (Admin$, С$ ит.)"
                             << "checked" << "click"
                             << QStringList{"AutoShareWks=dword:00000000", "AutoShareServer=dword:00000000"}
                             << hklm + lanman << "Ключ:AutoShareWks";
        row("CloseAnUserSeeRes") << "sTabSheet7" << "CloseAnUserSeeRes"
                                 << "Запретить анонимным пользователям просматривать ресурсы" << "unchecked" << "click"
                                 << QStringList{"RestrictAnonymous=dword:00000001"}
                                 << hklm + "SYSTEM\\CurrentControlSet\\Control\\Lsa" << "Ключ:RestrictAnonymous";
        row("ShowHint") << "sTabSheet8" << "ShowHint" << "Показывать всплывающие подсказки" << "checked" << "click"
                        << QStringList{"EnableBalloonTips=dword:00000000"} << hkEa << "Ключ:EnableBalloonTips";
        row("NoTray") << "sTabSheet8" << "NoTray" << "Скрыть все значки в трее" << "unchecked" << "click"
                      << QStringList{"NoTrayItemsDisplay=dword:00000001"} << hkPe << "Ключ:NoTrayItemsDisplay";
        row("EnAutoTray") << "sTabSheet8" << "EnAutoTray" << "Автоматически скрывать иконки в трее" << "checked"
                          << "click" << QStringList{"EnableAutoTray=dword:00000000"} << hkPe << "Ключ:EnableAutoTray";
        row("DisNameUserInP") << "sTabSheet9" << "DisNameUserInP" << "Убрать имя пользователя из меню \"Пуск\""
                              << "unchecked" << "click" << QStringList{"NoUserNameInStartMenu=dword:00000001"} << hkPe
                              << "Ключ:NoUserNameInStartMenu";
        row("DelPunktExSys") << "sTabSheet9" << "DelPunktExSys" << "Удалить пункт меню \"Выход из системы\""
                             << "checked" << "click" << QStringList{"StartMenuLogoff=dword:00000000"} << hkPe
                             << "Ключ:StartMenuLogoff";
        row("DelChasP") << "sTabSheet9" << "DelChasP" << "Удалить список часто используемых программ" << "unchecked"
                        << "click" << QStringList{"NoStartMenuMFUprogramsList=dword:00000001"} << hkPe
                        << "Ключ:NoStartMenuMFUprogramsList";
        row("NoHistory") << "sTabSheet9" << "NoHistory" << "Не вести историю открытия документов" << "checked"
                         << "click" << QStringList{"NoRecentDocsHistory=dword:00000000"} << hkPe
                         << "Ключ:NoRecentDocsHistory";
        row("CleLisIsp") << "sTabSheet9" << "CleLisIsp" << "Очистка списка недавно использовавшихся документов"
                         << "unchecked" << "click" << QStringList{"ClearRecentDocsOnExit=dword:00000001"} << hkPe
                         << "Ключ:ClearRecentDocsOnExit";
        row("OpMenuPriZadInavMouse") << "sTabSheet9" << "OpMenuPriZadInavMouse"
                                     << "Раскрывать меню при задержке и наведении указателя" << "checked" << "click"
                                     << QStringList{"Start_AutoCascade=dword:00000000"} << hkEa
                                     << "Ключ:Start_AutoCascade";
        row("BoldNedUstProg") << "sTabSheet9" << "BoldNedUstProg" << "Выделять недавно установленные программы"
                              << "unchecked" << "click" << QStringList{"Start_NotifyNewApps=dword:00000001"} << hkEa
                              << "Ключ:Start_NotifyNewApps";
        row("NoAllUsersShort") << "sTabSheet9" << "NoAllUsersShort" << "Не показывать общие ярлыки \"AllUsers\""
                               << "checked" << "click" << QStringList{"NoCommonGroups=dword:00000000"} << hkPe
                               << "Ключ:NoCommonGroups";
        // Hidden: nobody changes it, and OK writes back what the load found.
        row("sEdit4") << "sTabSheet9" << "sEdit4" << "Задержка выпадения меню" << "text:400" << ""
                      << QStringList() << "" << "";
        // Letters too: no number check.
        row("sEdit5") << "sTabSheet10" << "sEdit5" << "Время \"Зависания\"" << "text:5000" << "type:12qw"
                      << QStringList{"HungAppTimeout=\"12qw\""} << hkcu + desktop << "Ключ:HungAppTimeout";
        row("sEdit6") << "sTabSheet10" << "sEdit6" << "Через сколько завершать зависшее приложение" << "text:20000"
                      << "type:3000" << QStringList{"WaitToKillAppTimeout=\"3000\""} << hkcu + desktop
                      << "Ключ:WaitToKillAppTimeout";
        row("DontSeeLastUser") << "sTabSheet11" << "DontSeeLastUser" << "Не показывать имя последнего пользователя"
                               << "checked" << "click" << QStringList{"dontdisplaylastusername=dword:00000000"}
                               << hklm + policiesSystem << "Ключ:dontdisplaylastusername";
        row("UsQuickUser") << "sTabSheet11" << "UsQuickUser" << "Использовать быстрое переключение пользователей"
                           << "unchecked" << "click" << QStringList{"AllowMultipleTSSessions=dword:00000001"}
                           << hklm + "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"
                           << "Ключ:AllowMultipleTSSessions";
        row("DontSeeMessaUnloadS") << "sTabSheet11" << "DontSeeMessaUnloadS"
                                   << "Не показывать сообщение при выходе и запуске системы" << "unchecked" << "click"
                                   << QStringList{"DisableStatusMessages=dword:00000001"} << hklm + policiesSystem
                                   << "Ключ:DisableStatusMessages";
        // Read from the default profile, where it is "2"; the user's own is "0".
        row("OnNumOnLoadS") << "sTabSheet11" << "OnNumOnLoadS" << "Включать NumLock при загрузке системы" << "checked"
                            << "click" << QStringList{"InitialKeyboardIndicators=\"0\""}
                            << "Ветка:HKEY_USERS\\.DEFAULT\\Control Panel\\Keyboard" << "Ключ:InitialKeyboardIndicators";
    }

    void pageRows()
    {
        QFETCH(QString, component);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QString, loaded);
        QFETCH(QString, action);
        QFETCH(QStringList, changed);
        QFETCH(QString, branch);
        QFETCH(QString, key);
        const QList<Seed> seeds = startUpSeeds();
        start(seeds, component);
        const TweakEntry *entry = findRow(thesePages(), control);
        QVERIFY(entry);
        QWidget *widget = find<QWidget>(m_page, control);
        QWidget *hintSource = widget;
        if (auto *box = qobject_cast<QCheckBox *>(widget)) {
            QCOMPARE(box->text(), caption);
        } else {
            hintSource = find<QLabel>(m_page, entry->label);
            QCOMPARE(static_cast<QLabel *>(hintSource)->text(), caption);
        }
        QCOMPARE(state(control), loaded);
        QVERIFY(widget->isEnabled());

        hover(hintSource);
        if (branch.isEmpty()) {
            QCOMPARE(bar()->panelText(0), QString());
            QCOMPARE(bar()->panelText(1), QString());
        } else {
            QCOMPARE(bar()->panelText(0), branch);
            QCOMPARE(bar()->panelText(1), key);
            QCOMPARE(bar()->toolTip(), branch + "  " + key);
        }

        if (action == "click") {
            click(static_cast<QCheckBox *>(widget));
            QVERIFY(state(control) != loaded);
        } else if (action.startsWith("type:")) {
            auto *field = static_cast<QLineEdit *>(widget);
            QVERIFY(!ok()->isEnabled());
            QTest::mouseClick(field, Qt::LeftButton);
            QTRY_VERIFY(ok()->isEnabled()); // the field taking the focus
            field->selectAll();
            QTest::keyClicks(field, action.mid(5));
        }
        QVERIFY(ok()->isEnabled());
        click(ok());
        QCOMPARE(texts(Dialogs::takeRecorded()), QStringList());
        QVERIFY(!ok()->isEnabled());
        QVERIFY(undo()->isEnabled());
        QStringList expected = seedLines(seeds);
        for (const QString &change : changed)
            for (QString &line : expected)
                if (line.section('=', 0, 0) == change.section('=', 0, 0)) {
                    line = change;
                    break;
                }
        QCOMPARE(storedSeeds(m_dir->path(), seeds), expected);

        click(undo());
        QCOMPARE(texts(Dialogs::takeRecorded()), QStringList());
        QCOMPARE(state(control), loaded);
        QCOMPARE(storedSeeds(m_dir->path(), seeds), seedLines(seeds));
        QVERIFY(!ok()->isEnabled());
        QVERIFY(!undo()->isEnabled());
    }

    void refusedWrites_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QStringList>("names"); // the values named by the messages, in order
        QTest::newRow("network: one message for the pair") << "sTabSheet7"
                                                           << QStringList{"AutoShareWks", "RestrictAnonymous"};
        QTest::newRow("taskbar") << "sTabSheet8" << QStringList{"EnableBalloonTips", "NoTrayItemsDisplay", "EnableAutoTray"};
        QTest::newRow("start menu, the hidden field too")
            << "sTabSheet9"
            << QStringList{"NoUserNameInStartMenu", "StartMenuLogoff", "NoStartMenuMFUprogramsList",
                           "NoRecentDocsHistory", "ClearRecentDocsOnExit", "Start_AutoCascade", "Start_NotifyNewApps",
                           "NoCommonGroups", "MenuShowDelay"};
        QTest::newRow("fonts") << "sTabSheet10" << QStringList{"HungAppTimeout", "WaitToKillAppTimeout"};
        QTest::newRow("logon") << "sTabSheet11"
                               << QStringList{"dontdisplaylastusername", "AllowMultipleTSSessions",
                                              "DisableStatusMessages", "InitialKeyboardIndicators"};
    }

    void refusedWrites()
    {
        QFETCH(QString, component);
        QFETCH(QStringList, names);
        start(startUpSeeds(), component, true);
        Dialogs::takeRecorded();
        if (!ok()->isEnabled())
            QTest::mouseClick(m_page->findChild<QLineEdit *>(), Qt::LeftButton);
        QTRY_VERIFY(ok()->isEnabled());
        click(ok());
        QStringList expected;
        for (const QString &name : names)
            expected << "Ошибка: Не удается получить доступ к \"" + name + "\"";
        QCOMPARE(texts(Dialogs::takeRecorded()), expected);
        QVERIFY(undo()->isEnabled());
    }

    void missingValuesAreToldAtLoad()
    {
        // Without the start-up defaults nothing repairs the two absent values.
        start(seedsWith({"StartMenuLogoff=absent", "Start_AutoCascade=absent"}), "sTabSheet9", false, false);
        for (const char *control : {"DelPunktExSys", "OpMenuPriZadInavMouse"}) {
            QCOMPARE(state(control), QString("unchecked")); // as it was
            QVERIFY(find<QWidget>(m_page, control)->isEnabled());
        }
        QCOMPARE(state("NoHistory"), QString("checked")); // the load went on
        QCOMPARE(texts(Dialogs::takeRecorded()),
                 QStringList({"Ошибка: Следующий ключ не найден \"StartMenuLogoff\"",
                              "Ошибка: Следующий ключ не найден \"Start_AutoCascade\""}));
        click(find<QCheckBox>(m_page, "DelPunktExSys"));
        click(ok());
        QCOMPARE(texts(Dialogs::takeRecorded()), QStringList());
        QCOMPARE(storedValue(m_dir->path(), Root::CurrentUser, pe, "StartMenuLogoff"), QString("dword:00000001"));
        QCOMPARE(storedValue(m_dir->path(), Root::CurrentUser, ea, "Start_AutoCascade"), QString("dword:00000000"));
    }

    // Each message is shown as its row loads: the rows after it are not loaded yet.
    void loadMessageComesBeforeLaterRows()
    {
        QStringList seen;
        Dialogs::setShownHook([&](const Dialogs::Shown &shown) {
            QWidget *page = m_pages->page("sTabSheet9");
            seen << shown.text + ": NoHistory " +
                        (find<QCheckBox>(page, "NoHistory")->isChecked() ? "loaded" : "not loaded yet");
        });
        start(seedsWith({"StartMenuLogoff=absent"}), "sTabSheet9", false, false);
        QCOMPARE(seen, QStringList{"Следующий ключ не найден \"StartMenuLogoff\": NoHistory not loaded yet"});
        QCOMPARE(state("NoHistory"), QString("checked"));
    }

    void unreadableTimeoutIsKept()
    {
        // As on the sample machine: the hang time-out stored as a number.
        start(seedsWith({"HungAppTimeout=dword:00001388"}), "sTabSheet10");
        auto *field = find<QLineEdit>(m_page, "sEdit5");
        QVERIFY(!field->isEnabled());
        QCOMPARE(field->text(), QString("в миллисекундах"));
        QCOMPARE(state("sEdit6"), QString("text:20000"));
        QTest::mouseClick(find<QLineEdit>(m_page, "sEdit6"), Qt::LeftButton);
        QTRY_VERIFY(ok()->isEnabled());
        click(ok());
        QCOMPARE(texts(Dialogs::takeRecorded()), QStringList());
        QCOMPARE(storedValue(m_dir->path(), Root::CurrentUser, desktop, "HungAppTimeout"), QString("dword:00001388"));
        click(undo());
        QCOMPARE(storedValue(m_dir->path(), Root::CurrentUser, desktop, "HungAppTimeout"), QString("dword:00001388"));
    }

    void hiddenDelayField_data()
    {
        QTest::addColumn<QString>("stored");  // MenuShowDelay at start-up
        QTest::addColumn<QString>("written"); // what every OK of the page writes
        QTest::newRow("a delay") << "\"400\"" << "\"400\"";
        QTest::newRow("absent: written empty") << "absent" << "\"\"";
        QTest::newRow("letters") << "\"abc\"" << "\"abc\"";
    }

    void hiddenDelayField()
    {
        QFETCH(QString, stored);
        QFETCH(QString, written);
        start(seedsWith({"MenuShowDelay=" + stored}), "sTabSheet9");
        auto *field = find<QLineEdit>(m_page, "sEdit4");
        QVERIFY(field->isHidden());
        QVERIFY(find<QLabel>(m_page, "sStickyLabel4")->isHidden());
        click(ok());
        QCOMPARE(texts(Dialogs::takeRecorded()), QStringList());
        QCOMPARE(storedValue(m_dir->path(), Root::CurrentUser, pe, "MenuShowDelay"), written);
    }

    // The rows with rules of their own, through the mechanism alone.
    void customLoad_data()
    {
        QTest::addColumn<QStringList>("changes"); // to the start-up seeds
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("before");         // the box before the load
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("messages"); // what the load tells the user
        const QStringList none;
        auto row = [](const char *tag) -> QTestData & { return QTest::newRow(tag); };
        row("shares both 1") << QStringList() << "FullDisNetRes" << false << "checked" << none;
        row("shares 1 and 0") << QStringList{"AutoShareServer=dword:00000000"} << "FullDisNetRes" << true
                              << "unchecked" << none;
        row("shares 0: the second is not read") << QStringList{"AutoShareWks=dword:00000000", "AutoShareServer=\"x\""}
                                                << "FullDisNetRes" << true << "unchecked" << none;
        row("shares 1, second absent greys") << QStringList{"AutoShareServer=absent"} << "FullDisNetRes" << false
                                             << "unchecked greyed" << none;
        row("shares first as text greys") << QStringList{"AutoShareWks=\"1\""} << "FullDisNetRes" << true
                                          << "checked greyed" << none;
        row("log-off entry 1") << QStringList() << "DelPunktExSys" << false << "checked" << none;
        row("log-off entry 2") << QStringList{"StartMenuLogoff=dword:00000002"} << "DelPunktExSys" << true
                               << "unchecked" << none;
        row("log-off entry absent keeps the box, told") << QStringList{"StartMenuLogoff=absent"} << "DelPunktExSys"
                                                        << true << "checked"
                                                        << QStringList{"Следующий ключ не найден \"StartMenuLogoff\""};
        row("frequent list as text keeps the box, told")
            << QStringList{"NoStartMenuMFUprogramsList=\"1\""} << "DelChasP" << false << "unchecked"
            << QStringList{"Следующий ключ не найден \"NoStartMenuMFUprogramsList\""};
        row("history absent, told") << QStringList{"NoRecentDocsHistory=absent"} << "NoHistory" << true << "checked"
                                    << QStringList{"Следующий ключ не найден \"NoRecentDocsHistory\""};
        row("clear on exit absent, told") << QStringList{"ClearRecentDocsOnExit=absent"} << "CleLisIsp" << true
                                          << "checked"
                                          << QStringList{"Следующий ключ не найден \"ClearRecentDocsOnExit\""};
        row("auto cascade absent, told") << QStringList{"Start_AutoCascade=absent"} << "OpMenuPriZadInavMouse" << true
                                         << "checked" << QStringList{"Следующий ключ не найден \"Start_AutoCascade\""};
        row("user name absent greys, untold") << QStringList{"NoUserNameInStartMenu=absent"} << "DisNameUserInP"
                                              << false << "unchecked greyed" << none;
        row("new apps absent greys, untold") << QStringList{"Start_NotifyNewApps=absent"} << "BoldNedUstProg" << false
                                             << "unchecked greyed" << none;
        row("delay") << QStringList() << "sEdit4" << false << "text:400" << none;
        row("delay absent is empty") << QStringList{"MenuShowDelay=absent"} << "sEdit4" << false << "text:" << none;
        row("delay as a number greys") << QStringList{"MenuShowDelay=dword:00000190"} << "sEdit4" << false
                                       << "text:[значение в миллисекундах в текстовом виде] greyed" << none;
        row("hang time letters") << QStringList{"HungAppTimeout=\"abc\""} << "sEdit5" << false << "text:abc" << none;
        row("hang time as a number greys") << QStringList{"HungAppTimeout=dword:00001388"} << "sEdit5" << false
                                           << "text:в миллисекундах greyed" << none;
        row("kill time") << QStringList() << "sEdit6" << false << "text:20000" << none;
        row("NumLock from the default profile") << QStringList() << "OnNumOnLoadS" << false << "checked" << none;
        row("NumLock: the user's own is not read")
            << QStringList{"InitialKeyboardIndicators=\"0\"", "InitialKeyboardIndicators=\"2\""} << "OnNumOnLoadS"
            << true << "unchecked" << none;
        row("NumLock absent") << QStringList{"InitialKeyboardIndicators=absent"} << "OnNumOnLoadS" << true
                              << "unchecked" << none;
    }

    void customLoad()
    {
        QFETCH(QStringList, changes);
        QFETCH(QString, control);
        QFETCH(bool, before);
        QFETCH(QString, expected);
        QFETCH(QStringList, messages);
        const QList<Seed> seeds = seedsWith(changes);
        Fixture f(hiveBodies(seeds));
        const QStringList files{"/system.reg", "/user.reg", "/userdef.reg"};
        QList<QByteArray> startFiles;
        for (const QString &file : files)
            startFiles << test::readFile(f.dir.path() + file);

        ControlStateMap controls;
        for (const TweakPageDef *page : thesePages())
            for (const TweakEntry &row : page->rows)
                controls.add(row);
        controls.setChecked(control, before);
        RegistryStore store(f.hives);
        QCOMPARE(loadPages(thesePages(), xpLoadOrder(), store, controls), messages);
        const TweakEntry *row = findRow(xpPages(), control);
        QVERIFY(row);
        QCOMPARE(describe(controls, control, row->controlType == ControlType::Field), expected);
        QVERIFY(f.hives.flush().empty());
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(test::readFile(f.dir.path() + files[i]), startFiles[i]); // loading never writes
    }

    void customApply_data()
    {
        QTest::addColumn<QStringList>("changes"); // to the start-up seeds
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("refused");   // the value name whose writes fail
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QStringList>("after"); // values then stored
        const QString wks = "Не удается получить доступ к \"AutoShareWks\"";
        QTest::newRow("shares on") << QStringList{"AutoShareWks=absent", "AutoShareServer=absent"} << "FullDisNetRes"
                                   << true << "" << true << "" << QStringList()
                                   << QStringList{"AutoShareWks=dword:00000001", "AutoShareServer=dword:00000001"};
        QTest::newRow("shares off") << QStringList() << "FullDisNetRes" << false << "" << true << "" << QStringList()
                                    << QStringList{"AutoShareWks=dword:00000000", "AutoShareServer=dword:00000000"};
        QTest::newRow("first share refused: the second is not tried")
            << QStringList() << "FullDisNetRes" << false << "" << true << "AutoShareWks" << QStringList{wks}
            << QStringList{"AutoShareWks=dword:00000001", "AutoShareServer=dword:00000001"};
        QTest::newRow("second share refused: the message names the first")
            << QStringList() << "FullDisNetRes" << false << "" << true << "AutoShareServer" << QStringList{wks}
            << QStringList{"AutoShareWks=dword:00000000", "AutoShareServer=dword:00000001"};
        QTest::newRow("log-off entry on") << QStringList{"StartMenuLogoff=absent"} << "DelPunktExSys" << true << ""
                                          << true << "" << QStringList() << QStringList{"StartMenuLogoff=dword:00000001"};
        QTest::newRow("log-off entry off") << QStringList() << "DelPunktExSys" << false << "" << true << ""
                                           << QStringList() << QStringList{"StartMenuLogoff=dword:00000000"};
        QTest::newRow("log-off entry refused")
            << QStringList() << "DelPunktExSys" << false << "" << true << "StartMenuLogoff"
            << QStringList{"Не удается получить доступ к \"StartMenuLogoff\""}
            << QStringList{"StartMenuLogoff=dword:00000001"};
        QTest::newRow("delay empty") << QStringList() << "sEdit4" << false << "" << true << "" << QStringList()
                                     << QStringList{"MenuShowDelay=\"\""};
        QTest::newRow("hang time letters") << QStringList() << "sEdit5" << false << "12ab" << true << ""
                                           << QStringList() << QStringList{"HungAppTimeout=\"12ab\""};
        QTest::newRow("hang time greyed: not written")
            << QStringList{"HungAppTimeout=dword:00001388"} << "sEdit5" << false << "в миллисекундах" << false << ""
            << QStringList() << QStringList{"HungAppTimeout=dword:00001388"};
        QTest::newRow("kill time refused") << QStringList() << "sEdit6" << false << "1" << true
                                           << "WaitToKillAppTimeout"
                                           << QStringList{"Не удается получить доступ к \"WaitToKillAppTimeout\""}
                                           << QStringList{"WaitToKillAppTimeout=\"20000\""};
    }

    void customApply()
    {
        QFETCH(QStringList, changes);
        QFETCH(QString, control);
        QFETCH(bool, on);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QFETCH(QString, refused);
        QFETCH(QStringList, errors);
        QFETCH(QStringList, after);
        const QList<Seed> seeds = seedsWith(changes);
        Fixture f(hiveBodies(seeds));
        const TweakEntry *row = findRow(xpPages(), control);
        QVERIFY(row);
        ControlStateMap controls;
        controls.add(*row);
        controls.setChecked(control, on);
        controls.setText(control, text);
        controls.setEnabled(control, enabled);
        RefusingRegistry refusing(f.hives, refused.toStdString());
        RegistryStore store(refusing);
        QCOMPARE(TweakEngine::applyRow(*row, store, controls), errors);
        QVERIFY(f.hives.flush().empty());
        QStringList stored;
        for (const QString &line : after) {
            const QString name = line.section('=', 0, 0);
            stored << name + "=" + storedValue(f.dir.path(), row->root, row->keyPath, name);
        }
        QCOMPARE(stored, after);
    }

    void halfSharedPairIsWrittenOff()
    {
        Fixture f(hiveBodies(seedsWith({"AutoShareServer=dword:00000000"})));
        const TweakEntry *row = findRow(xpPages(), "FullDisNetRes");
        ControlStateMap controls;
        controls.add(*row);
        RegistryStore store(f.hives);
        TweakEngine::loadRow(*row, store, controls);
        QCOMPARE(describe(controls, "FullDisNetRes", false), QString("unchecked"));
        QCOMPARE(TweakEngine::applyRow(*row, store, controls), QStringList());
        QVERIFY(f.hives.flush().empty());
        QCOMPARE(storedValue(f.dir.path(), Root::LocalMachine, lanman, "AutoShareWks"), QString("dword:00000000"));
        QCOMPARE(storedValue(f.dir.path(), Root::LocalMachine, lanman, "AutoShareServer"), QString("dword:00000000"));
    }
};

QTEST_MAIN(TestXpSystemPages)
#include "tst_xp_system_pages.moc"
