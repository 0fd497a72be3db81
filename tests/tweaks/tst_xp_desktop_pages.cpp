// The desktop, recycle-bin and explorer pages, driven by clicks on their components.
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
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace tolvex;
using registry::RegistryStore;
using registry::Root;
using ui::Dialogs;

namespace {

const QString binClsid = "{645FF040-5081-101B-9F08-00AA002F954E}";
const QString binKey = "CLSID\\" + binClsid;
const QString nameSpace = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace";
const QString policiesExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const QString handler = "{C2FBB630-2971-11D1-A18C-00C04FD75D13}";

// A value or key in Wine's hive text; HKEY_CLASSES_ROOT lives in the machine hive.
struct Place
{
    QString root; // "HKCU", "HKLM" or "HKCR"
    QString key;
    QString value;
    Root storeRoot() const
    {
        return root == "HKCU" ? Root::CurrentUser : root == "HKLM" ? Root::LocalMachine : Root::ClassesRoot;
    }
    bool user() const { return root == "HKCU"; }
    QByteArray keyLine(const QString &below = {}) const
    {
        QString path = (root == "HKCR" ? "Software\\Classes\\" : "") + key + (below.isEmpty() ? "" : "\\" + below);
        return "\n[" + path.replace("\\", "\\\\").toUtf8() + "]\n";
    }
};

// Wine's quoted text, non-ASCII letters as \x escapes.
QByteArray wineText(const QString &text)
{
    QByteArray out = "\"";
    for (QChar c : text)
        out += c.unicode() < 0x80 ? QByteArray(1, char(c.unicode())) : "\\x" + QByteArray::number(c.unicode(), 16);
    return out + "\"";
}

// The hive lines that give a place the data `data`: Wine's data text, "key" (the subkey `value`
// exists, with a child of its own) or "no key".
QByteArray body(const Place &p, const QString &data)
{
    if (data == "key")
        return p.keyLine(p.value) + "@=\"Recycle Bin\"\n" + p.keyLine(p.value + "\\Child") + "\"x\"=dword:00000001\n";
    if (data == "no key")
        return p.keyLine("{2227A280-3AEA-1069-A2DE-08002B30309D}") + "@=\"Printers and Faxes\"\n";
    return p.keyLine() + wineText(p.value) + "=" + data.toUtf8() + "\n";
}

using test::find;

} // namespace

class TestXpDesktopPages : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    std::unique_ptr<test::ProgramSession> m_program;
    std::unique_ptr<tweaks::TweakPages> m_pages;
    std::unique_ptr<QWidget> m_window;
    QWidget *m_page = nullptr;

    // The start-up steps over a fresh machine, then `component` shown and active. As in the main
    // window, other controls come before and after the page, unless it is to stand alone.
    void start(const QString &component, const QByteArray &system, const QByteArray &user, bool readOnly = false,
               bool alone = false)
    {
        m_window.reset();
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
        m_page = m_pages->page(component);
        QVERIFY(m_page);
        m_page->resize(432, 438);
        QWidget *window = m_page;
        if (alone) {
            m_window.reset(m_page);
        } else {
            m_window = std::make_unique<QWidget>();
            auto *layout = new QVBoxLayout(m_window.get());
            layout->addWidget(new QPushButton("before", m_window.get()));
            layout->addWidget(m_page);
            layout->addWidget(new QLineEdit("after", m_window.get()));
            window = m_window.get();
        }
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        Dialogs::startRecording();
    }

    // What the saved hive files hold at a place, in the form `body` takes.
    QString stored(const Place &p, bool isKey = false)
    {
        auto machine = platform::Machine::open(m_dir->path(), m_dir->path());
        RegistryStore s(machine->registry());
        s.SelectRoot(p.storeRoot());
        const std::string name = p.value.toStdString();
        if (!s.OpenPath("\\" + p.key.toStdString(), false))
            return isKey ? "no key" : "absent";
        if (isKey)
            return s.HasKey(name) ? "key" : "no key";
        if (!s.HasValue(name))
            return "absent";
        switch (s.ValueKind(name)) {
        case registry::ValueKind::Dword:
            return QString("dword:%1").arg(s.GetDword(name), 8, 16, QChar('0'));
        case registry::ValueKind::String:
            return '"' + QString::fromStdString(s.GetText(name)) + '"';
        default:
            return "other";
        }
    }

    QCheckBox *box(const QString &name) { return find<QCheckBox>(m_page, name); }
    QLineEdit *field(const QString &name) { return find<QLineEdit>(m_page, name); }
    QPushButton *ok() { return tweakPage()->okButton(); }
    QPushButton *undo() { return tweakPage()->undoButton(); }
    tweaks::TweakPage *tweakPage() { return static_cast<tweaks::TweakPage *>(m_page); }
    ui::HintPanel *bar() { return tweakPage()->hintPanel(); }
    QStringList shownTexts()
    {
        QStringList texts;
        for (const Dialogs::Shown &s : Dialogs::takeRecorded())
            texts << s.caption + ": " + s.text;
        return texts;
    }
    // Sent directly: offscreen windows made one after another do not reliably get enter events
    // from simulated cursor moves.
    static void hover(QWidget *w)
    {
        const QPointF local(3, 3);
        QEnterEvent enter(local, w->mapTo(w->window(), local), w->mapToGlobal(local));
        QApplication::sendEvent(w, &enter);
        QMouseEvent move(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    void retype(QLineEdit *f, const QString &text)
    {
        QTest::mouseClick(f, Qt::LeftButton);
        f->selectAll();
        if (text.isEmpty())
            QTest::keyClick(f, Qt::Key_Delete);
        for (QChar c : text) // keyClicks takes Latin-1 only
            QTest::sendKeyEvent(QTest::Click, f, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

private slots:
    void cleanup()
    {
        Dialogs::stopRecording();
        m_window.reset();
        m_pages.reset();
        delete m_dir;
        m_dir = nullptr;
    }

    void pageParts_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("okName");
        QTest::addColumn<QString>("undoName");
        QTest::addColumn<QString>("hintBar");
        QTest::newRow("desktop") << "sTabSheet5" << "Настройка рабочего стола" << "RSOk" << "RSNo" << "sStatusBar5";
        QTest::newRow("recycle bin") << "sTabSheet4" << "Настройка корзины" << "NKOk" << "NKNo" << "sStatusBar6";
        QTest::newRow("explorer") << "sTabSheet6" << "Настройка проводника" << "NasProvOk" << "NasProvNo" << "sStatusBar7";
    }

    void pageParts()
    {
        QFETCH(QString, component);
        QFETCH(QString, group);
        QFETCH(QString, okName);
        QFETCH(QString, undoName);
        QFETCH(QString, hintBar);
        start(component, {}, {});
        QCOMPARE(m_page->findChild<QGroupBox *>()->title(), group);
        QCOMPARE(ok()->objectName(), okName);
        QCOMPARE(ok()->text(), QString("OK"));
        QCOMPARE(undo()->objectName(), undoName);
        QCOMPARE(undo()->text(), QString("&No"));
        QVERIFY(!undo()->isEnabled());
        QCOMPARE(bar()->objectName(), hintBar);
        QList<int> widths;
        for (QLabel *panel : bar()->findChildren<QLabel *>())
            widths << panel->width();
        QCOMPARE(widths, QList<int>({275, 50}));
    }

    // Every box row: loaded from a fixture, clicked, OK, undo.
    void boxRow_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("startsOn");
        QTest::addColumn<QString>("startData"); // in the form `body` takes
        QTest::addColumn<QString>("otherData"); // what OK writes once the box is clicked
        QTest::addColumn<QString>("hintKey");   // empty: the row is never shown

        const QString ps = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
        const QString adv = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
        const QString mm = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
        const QString d1 = "dword:00000001", d0 = "dword:00000000";
        struct Row
        {
            const char *component, *control, *caption, *tooltip, *root;
            QString key;
            const char *value;
            QString on, off;
            const char *hintKey;
        };
        const Row rows[] = {
            {"sTabSheet5", "DISRS", "Запретить рабочий стол", "Скрывает все элементы рабочего стола", "HKCU",
             policiesExplorer, "NoDesktop", d1, d0, "NoDesktop"},
            {"sTabSheet5", "DISActDeskt", "Запретить Active Desktop", "", "HKCU", policiesExplorer, "NoActiveDesktop",
             d1, d0, "NoActiveDesktop"},
            {"sTabSheet5", "HIDERS", "Скрыть вкладку \"Рабочий стол\"", "", "HKCU", ps, "NoDispBackgroundPage", d1, d0,
             "NoDispBackgroundPage"},
            {"sTabSheet5", "HIDEZ", "Скрыть вкладку \"Заставка\"", "", "HKCU", ps, "NoDispScrSavPage", d1, d0,
             "NoDispScrSavPage"},
            {"sTabSheet5", "HIDEP", "Скрыть вкладку \"Параметры", "", "HKCU", ps, "NoDispSettingsPage", d1, d0,
             "NoDispSettingsPage"},
            {"sTabSheet5", "HIDETAO", "Скрыть вкладки \"Тема\" и \"Оформление\" в свойствах экрана", "", "HKCU", ps,
             "NoDispAppearancePage", d1, d0, "NoDispAppearancePage"},
            {"sTabSheet5", "VerWinOnDEsktop", "Версия Windows на рабочем столе",
             "В нижне правом углу отображается версия ОС", "HKCU", "Control Panel\\Desktop", "PaintDesktopVersion", d1,
             d0, "PaintDesktopVersion"},
            {"sTabSheet4", "ADDSHortInMyC", "Добавить значок корзины в \"Мой компьютер\"", "", "HKLM", nameSpace,
             "{645FF040-5081-101B-9F08-00AA002F954E}", "key", "no key", "{645FF040-5081-101B-9F08-00AA002F954E}"},
            {"sTabSheet6", "DSMSFDisk", "Отключить сообщение о недостатке свободного места на диске", "", "HKCU",
             policiesExplorer, "NoLowDiskSpaceChecks", d1, d0, "NoLowDiskSpaceChecks"},
            {"sTabSheet6", "AnimPrSvorWindow", "Анимация при сворачивании, разворачивании окон", "", "HKCU",
             "Control Panel\\Desktop\\WindowMetrics", "MinAnimate", "\"1\"", "\"0\"", "MinAnimate"},
            {"sTabSheet6", "RunWindowOt", "Запускать окна проводника в отдельном процессе", "", "HKCU", adv,
             "SeparateProcess", d1, d0, "SeparateProcess"},
            {"sTabSheet6", "AutResProv", "Автоматически перезапускать проводник при ошибках", "", "HKLM",
             "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "AutoRestartShell", d1, d0,
             "AutoRestartShell"},
            {"sTabSheet6", "DelStrIar", "Удалить стрелки у ярлыков", "", "HKLM", "SOFTWARE\\Classes\\lnkfile",
             "IsShortcut", "\"1\"", "\"0\"", ""},
            {"sTabSheet6", "SeeSodMove", "Отображать содержимое окна при перетаскивании", "", "HKCU",
             "Control Panel\\Desktop", "DragFullWindows", "\"1\"", "\"0\"", "DragFullWindows"},
            {"sTabSheet6", "DisCachIM", "Запретить кэширование изображений(Thumbnails)", "", "HKCU", adv,
             "DisableThumbnailCache", d1, d0, "DisableThumbnailCache"},
            {"sTabSheet6", "NoFind", "Удалить меню \"Find\"", "", "HKCU", policiesExplorer, "NoFind", d1, d0, "NoFind"},
            {"sTabSheet6", "NoRun", "Удалить меню \"Run\"", "", "HKCU", policiesExplorer, "NoRun", d1, d0, "NoRun"},
            {"sTabSheet6", "AddCopyTo", "Добавить пункт меню \"Копировать в папку…\"", "", "HKCR",
             "*\\shellex\\ContextMenuHandlers\\Copy To", "'", '"' + handler + '"', "\"\"", "'"},
            {"sTabSheet6", "AddMoveTo", "Добавить пункт меню \"Переместить в…\"", "", "HKCR",
             "*\\shellex\\ContextMenuHandlers\\Move To", "'", '"' + handler + '"', "\"\"", "'"},
            {"sTabSheet6", "NoUsingFilePod", "Не использовать файл подкачки для хранения ядра системы", "", "HKLM", mm,
             "DisablePagingExecutive", d1, d0, "DisablePagingExecutive"},
            {"sTabSheet6", "MoveMouseToDef", "Перемещать указатель мыши в диалоговых окнах к кнопке по умолчанию", "",
             "HKCU", "Control Panel\\Mouse", "SnapToDefaultButton", "\"1\"", "\"0\"", "SnapToDefaultButton"},
        };
        for (const Row &r : rows)
            for (bool startsOn : {true, false})
                QTest::addRow("%s %s", r.control, startsOn ? "on" : "off")
                    << r.component << r.control << r.caption << r.tooltip << r.root << r.key << r.value << startsOn
                    << (startsOn ? r.on : r.off) << (startsOn ? r.off : r.on) << r.hintKey;
    }

    void boxRow()
    {
        QFETCH(QString, component);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        QFETCH(QString, root);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, startsOn);
        QFETCH(QString, startData);
        QFETCH(QString, otherData);
        QFETCH(QString, hintKey);
        const Place place{root, key, value};
        const bool isKey = startData.endsWith("key");
        const QByteArray fixture = body(place, startData);
        start(component, place.user() ? QByteArray() : fixture, place.user() ? fixture : QByteArray());
        const QString startUp = stored(place, isKey);
        QCOMPARE(startUp, startData);

        QCheckBox *b = box(control);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->toolTip(), tooltip);
        QCOMPARE(b->isChecked(), startsOn);
        QVERIFY(b->isEnabled());
        // A box set by the load enables OK like a click; DISRS enables it only on taking the focus.
        QCOMPARE(ok()->isEnabled(), startsOn && control != "DISRS");

        if (hintKey.isEmpty()) {
            QVERIFY(!b->isVisible());
            b->setChecked(!startsOn); // a box that is never shown changes only by the program
        } else {
            QVERIFY(b->isVisible());
            hover(b);
            QCOMPARE(bar()->panelText(0), "Ветка:" + QString(root == "HKCU"   ? "HKEY_CURRENT_USER"
                                                             : root == "HKLM" ? "HKEY_LOCAL_MACHINE"
                                                                              : "HKEY_CLASSES_ROOT") +
                                              "\\" + key);
            QCOMPARE(bar()->panelText(1), "Ключ:" + hintKey);
            QCOMPARE(bar()->toolTip(), bar()->panelText(0) + "  " + bar()->panelText(1));
            click(b);
        }
        QCOMPARE(b->isChecked(), !startsOn);
        QTRY_VERIFY(ok()->isEnabled());
        QCOMPARE(stored(place, isKey), startUp); // nothing is written before OK

        click(ok());
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(stored(place, isKey), otherData);
        QVERIFY(!ok()->isEnabled());
        QVERIFY(undo()->isEnabled());

        click(undo());
        QCOMPARE(stored(place, isKey), startUp);
        QCOMPARE(b->isChecked(), startsOn);
        QVERIFY(!ok()->isEnabled());
        QVERIFY(!undo()->isEnabled());
    }

    void subkeyRemovedWithItsChildren()
    {
        const Place place{"HKLM", nameSpace, binClsid};
        start("sTabSheet4", body(place, "key"), {});
        click(box("ADDSHortInMyC"));
        click(ok());
        const Place child{"HKLM", nameSpace + "\\" + binClsid, "Child"};
        QCOMPARE(stored(child, true), QString("no key"));
        // Undo makes the subkey again, not what was below it.
        click(undo());
        QCOMPARE(stored(place, true), QString("key"));
        QCOMPARE(stored(child, true), QString("no key"));
    }

    void desktopBoxSetByLoadLeavesOkDisabled()
    {
        start("sTabSheet5", {}, body({"HKCU", policiesExplorer, "NoDesktop"}, "dword:00000001"));
        QVERIFY(box("DISRS")->isChecked());
        QVERIFY(!ok()->isEnabled());
        // Taking the focus from the keyboard counts as well.
        box("DISRS")->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(ok()->isEnabled());
    }

    // OK is the window's default button while the desktop page is shown, and only then.
    void enterPressesDesktopOk()
    {
        start("sTabSheet5", {}, {});
        QVERIFY(ok()->isDefault());
        click(box("HIDEZ"));
        QVERIFY(ok()->isEnabled());
        auto *after = m_window->findChild<QLineEdit *>();
        after->setFocus();
        QTest::keyClick(after, Qt::Key_Return);
        QVERIFY(!ok()->isEnabled()); // pressed: written, undo on
        QVERIFY(undo()->isEnabled());
        QCOMPARE(stored({"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "NoDispScrSavPage"}),
                 QString("dword:00000001"));

        click(box("HIDEZ"));
        m_page->hide();
        QTest::keyClick(after, Qt::Key_Return);
        QVERIFY(ok()->isEnabled()); // not shown: Enter does nothing to it
        for (const char *page : {"sTabSheet4", "sTabSheet6"})
            QVERIFY(!static_cast<tweaks::TweakPage *>(m_pages->page(page))->okButton()->isDefault());
    }

    // Standing alone, the first box of the page holds the focus from the start and is where the
    // focus goes when OK turns itself off.
    void focusOfTheFirstBox()
    {
        start("sTabSheet5", {}, {}, false, true);
        QCheckBox *disrs = box("DISRS");
        QVERIFY(!ok()->isEnabled());
        click(disrs);
        QVERIFY(disrs->isChecked());
        QVERIFY(ok()->isEnabled());

        click(box("HIDEZ"));
        click(ok());
        QVERIFY(!ok()->isEnabled());
    }

    void refusedWrites_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QStringList>("messages");
        auto access = [](const QStringList &names) {
            QStringList texts;
            for (const QString &n : names)
                texts << "Ошибка: Не удается получить доступ к \"" + n + "\"";
            return texts;
        };
        QTest::newRow("desktop") << "sTabSheet5"
                                 << access({"NoDesktop", "NoActiveDesktop", "NoDispBackgroundPage", "NoDispScrSavPage",
                                            "NoDispSettingsPage", "NoDispAppearancePage", "PaintDesktopVersion"});
        QTest::newRow("explorer") << "sTabSheet6"
                                  << access({"NoLowDiskSpaceChecks", "MinAnimate", "SeparateProcess", "AutoRestartShell",
                                             "IsShortcut", "DragFullWindows", "DisableThumbnailCache", "NoFind", "NoRun",
                                             "'-1", "'-2", "DisablePagingExecutive", "SnapToDefaultButton"});
        // The store's own error, once, in the application's error box: the rest of OK is skipped.
        QTest::newRow("recycle bin") << "sTabSheet4" << QStringList{"Tolvex: Failed to set data for 'LocalizedString'"};
    }

    void refusedWrites()
    {
        QFETCH(QString, component);
        QFETCH(QStringList, messages);
        // One box of each page loads checked, so that OK can be clicked.
        const QByteArray user = Place{"HKCU", policiesExplorer, ""}.keyLine() +
                                "\"NoActiveDesktop\"=dword:00000001\n\"NoRun\"=dword:00000001\n";
        start(component, body({"HKLM", nameSpace, binClsid}, "key"), user, true);
        const QByteArray systemFile = test::readFile(m_dir->path() + "/system.reg");
        const QByteArray userFile = test::readFile(m_dir->path() + "/user.reg");
        QVERIFY(ok()->isEnabled());
        click(ok());
        QCOMPARE(shownTexts(), messages);
        const bool bin = component == "sTabSheet4";
        QCOMPARE(ok()->isEnabled(), bin);
        QCOMPARE(undo()->isEnabled(), !bin);
        QCOMPARE(test::readFile(m_dir->path() + "/system.reg"), systemFile);
        QCOMPARE(test::readFile(m_dir->path() + "/user.reg"), userFile);
    }

    void binName()
    {
        const Place name{"HKCR", binKey, "LocalizedString"};
        start("sTabSheet4", body(name, "\"BIN\"") + body({"HKLM", nameSpace, binClsid}, "key"), {});
        QLineEdit *f = field("sEdit3");
        QCOMPARE(f->text(), QString("BIN"));
        QVERIFY(f->isEnabled());
        auto *label = find<QLabel>(m_page, "sStickyLabel3");
        QCOMPARE(label->text(), QString("Установить название корзины"));
        hover(label);
        QCOMPARE(bar()->panelText(0), "Ветка:HKEY_CLASSES_ROOT\\" + binKey);
        QCOMPARE(bar()->panelText(1), QString("Ключ:LocalizedString"));

        retype(f, "TRASH 2");
        click(ok());
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(stored(name), QString("\"TRASH 2\""));
        click(undo());
        QCOMPARE(f->text(), QString("BIN"));
        QCOMPARE(stored(name), QString("\"BIN\""));

        retype(f, "");
        click(box("ADDSHortInMyC")); // OK is enabled through the box here
        click(ok());
        QCOMPARE(stored(name), QString("\"\""));
    }

    void binNameKeepsItsLetters()
    {
        const Place name{"HKCR", binKey, "LocalizedString"};
        start("sTabSheet4", body(name, wineText("Корзина")) + body({"HKLM", nameSpace, binClsid}, "key"), {});
        QCOMPARE(field("sEdit3")->text(), QString("Корзина"));
        retype(field("sEdit3"), "Мусор");
        QCOMPARE(field("sEdit3")->text(), QString("Мусор"));
        click(ok());
        click(undo());
        QCOMPARE(stored(name), '"' + QString("Корзина") + '"');
    }

    void clickOnBinNameEnablesOk()
    {
        start("sTabSheet4", body({"HKCR", binKey, "LocalizedString"}, "\"BIN\""), {});
        QVERIFY(!ok()->isEnabled());
        QTest::mouseClick(field("sEdit3"), Qt::LeftButton);
        QVERIFY(ok()->isEnabled());
    }

    void binNameOfAnotherKind()
    {
        const Place name{"HKCR", binKey, "LocalizedString"};
        start("sTabSheet4", body(name, "dword:00000007") + body({"HKLM", nameSpace, binClsid}, "key"),
              body({"HKCU", policiesExplorer, "NoDesktop"}, "dword:00000001"));
        QLineEdit *f = field("sEdit3");
        QVERIFY(!f->isEnabled());
        QCOMPARE(f->text(), QString());
        // The load went on past it.
        QVERIFY(box("ADDSHortInMyC")->isChecked());
        QVERIFY(find<QCheckBox>(m_pages->page("sTabSheet5"), "DISRS")->isChecked());
        click(box("ADDSHortInMyC"));
        click(ok());
        QCOMPARE(shownTexts(), QStringList());
        QCOMPARE(stored(name), QString("dword:00000007")); // never shown, so not overwritten
        QCOMPARE(stored({"HKLM", nameSpace, binClsid}, true), QString("no key"));
    }
};

QTEST_MAIN(TestXpDesktopPages)
#include "tst_xp_desktop_pages.moc"
