// The main window: its pages, the side bar and its panels, the start-up sequence, the options
// page's colours, and the boxes for errors and machine notices. Driven by clicks on components
// found by name.
#include "ForwardingShell.h"
#include "TestMachine.h"
#include "WineTools.h"

#include "Application.h"
#include "Dialogs.h"
#include "DuplicateFinderPage.h"
#include "ErrorBox.h"
#include "FrameBar.h"
#include "MainForm.h"
#include "OptionsPage.h"
#include "ProgramContext.h"
#include "TrackBar.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "shell/MachineShellServices.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <stdexcept>

using namespace tolvex;
using app::TMainForm;
using platform::Machine;
using platform::ShellServices;
using ui::Dialogs;

namespace {

QByteArray versionKey(const QByteArray &build)
{
    return "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion]\n\"CurrentBuildNumber\"=\"" + build +
           "\"\n";
}

// The values whose failed read the XP load tells in a message box: present, so that a start-up
// shows none.
const QByteArray toldValues =
    "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Advanced]\n\"Start_AutoCascade\"=dword:00000000\n"
    "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\Explorer]\n"
    "\"ClearRecentDocsOnExit\"=dword:00000000\n\"NoRecentDocsHistory\"=dword:00000000\n"
    "\"NoStartMenuMFUprogramsList\"=dword:00000000\n\"StartMenuLogoff\"=dword:00000000\n";

// Shell services of a machine whose program folder cannot be found: step 2 of the start-up fails.
class NoProgramFolder final : public test::ForwardingShell
{
public:
    using ForwardingShell::ForwardingShell;
    QString programFolder() override { throw std::runtime_error("Папка программы недоступна"); }
};

// Shell services whose folder listings are slow and counted, so that a scan is surely running
// when the window closes, and any listing after the close is seen.
class SlowListing final : public test::ForwardingShell
{
public:
    using ForwardingShell::ForwardingShell;
    QList<platform::FoundEntry> listFolder(const QString &f, const QString &m, Detail d) override
    {
        ++listings;
        QThread::msleep(5);
        return ForwardingShell::listFolder(f, m, d);
    }
    std::atomic<int> listings{0};
};

// A wineserver held open on a folder for the life of the object: the machine there is read-only.
struct RunningServer
{
    QString folder;
    explicit RunningServer(const QString &f) : folder(f) { test::runProgram("wineserver", {"-p30"}, folder); }
    ~RunningServer()
    {
        test::runProgram("wineserver", {"-k"}, folder);
        test::waitForWineServer(folder);
    }
};

// A main window, created (so started) on a machine image of its own, and shown.
struct Window
{
    QTemporaryDir dir;
    QString machineFolder;
    std::unique_ptr<Machine> machine;
    std::unique_ptr<ShellServices> shell;
    std::unique_ptr<platform::ProgramContext> context;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<RunningServer> server;

    enum Option { Plain, FailingProgramFolder, ReadOnly, Slow };

    explicit Window(const QByteArray &build, Option option = Plain) : machineFolder(dir.path() + "/machine")
    {
        test::writeMachine(machineFolder, versionKey(build), toldValues);
        if (option == ReadOnly) server = std::make_unique<RunningServer>(machineFolder);
        machine = Machine::open(machineFolder, dir.path() + "/program");
        if (option == FailingProgramFolder)
            shell = std::make_unique<NoProgramFolder>(*machine);
        else if (option == Slow)
            shell = std::make_unique<SlowListing>(*machine);
        else
            shell = std::make_unique<platform::MachineShellServices>(*machine);
        context = std::make_unique<platform::ProgramContext>(platform::ProgramContext{*machine, *shell});
        form = std::make_unique<TMainForm>(*context);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) qFatal("the main window was not shown");
    }

    template <typename T = QWidget> T *find(const QString &name) const { return form->findChild<T *>(name); }
    int page() const { return find<QStackedWidget>("sPageControl1")->currentIndex(); }
    QWidget *panel(const QString &name) const { return find(name); }

    void clickTitle(int item) const
    {
        auto *title = find<QToolButton>(QStringLiteral("sFrameBar1Items%1Title").arg(item));
        QVERIFY2(title, qPrintable(QString("no title of item %1").arg(item)));
        QTest::mouseClick(title, Qt::LeftButton);
    }
    void click(QWidget *widget) const
    {
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
};

// Closed panels are deleted later; a test sees them gone once pending deletions have run.
void runDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QPoint sliderHandle(QSlider *slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.subControls = QStyle::SC_All;
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

// Releases the mouse over the slider's handle after pressing it there: the value stays as set.
void releaseOverHandle(QSlider *slider, int value)
{
    slider->setValue(value);
    const QPoint at = sliderHandle(slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, at);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
}

bool isGrey(const QColor &c)
{
    return c.red() == c.green() && c.green() == c.blue();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QPalette m_startPalette;

private slots:
    void initTestCase() { m_startPalette = QApplication::palette(); }

    void init() { Dialogs::startRecording(); }

    void cleanup()
    {
        Dialogs::stopRecording();
        QApplication::setPalette(m_startPalette);
    }

    void windowFrame()
    {
        Window w("2600");
        TMainForm &form = *w.form;
        QCOMPARE(form.windowTitle(), QString("Tolvex beta v 0.4"));
        QCOMPARE(form.size(), QSize(627, 460));
        QCOMPARE(form.minimumSize(), QSize(627, 460));
        QCOMPARE(form.maximumSize(), QSize(627, 460));
        QCOMPARE(form.pos(), QPoint(329, 150));
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.font().family(), QString("Tahoma"));
        QCOMPARE(form.font().pixelSize(), 11);

        auto *bar = w.find("sFrameBar1");
        auto *pages = w.find<QStackedWidget>("sPageControl1");
        auto *status = w.find<QStatusBar>("sStatusBar2");
        QVERIFY(bar && pages && status);
        QCOMPARE(status->height(), 22);
        QCOMPARE(status->mapTo(&form, QPoint(0, 0)).y(), 460 - 22);
        QCOMPARE(status->currentMessage(), QString());
        QCOMPARE(bar->mapTo(&form, QPoint(0, 0)), QPoint(0, 0));
        QCOMPARE(bar->size(), QSize(195, 460 - 22));
        QCOMPARE(pages->mapTo(&form, QPoint(0, 0)), QPoint(195, 0));
        QCOMPARE(pages->size(), QSize(627 - 195, 460 - 22));

        QCOMPARE(pages->count(), 22);
        for (QTabBar *tabs : form.findChildren<QTabBar *>())
            QVERIFY2(!tabs->isVisible(), "a tab bar is visible");
    }

    void pages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("component");
        const char *names[] = {"sTabSheet1",  "sTabSheet2",  "sTabSheet3",  "SystemSettings", "sTabSheet5",
                               "sTabSheet4",  "sTabSheet6",  "sTabSheet7",  "sTabSheet8",     "sTabSheet9",
                               "sTabSheet10", "sTabSheet11", "AntiDouble",  "sTabSheet12",    "sTabSheet15",
                               "sTabSheet16", "sTabSheet17", "sTabSheet18", "sTabSheet19",    "sTabSheet20",
                               "sTabSheet21", "sTabSheet22"};
        for (int i = 0; i < 22; ++i)
            QTest::addRow("%d %s", i, names[i]) << i << QString(names[i]);
    }

    void pages()
    {
        QFETCH(int, index);
        QFETCH(QString, component);
        Window w("2600");
        QCOMPARE(w.find<QStackedWidget>("sPageControl1")->widget(index)->objectName(), component);
    }

    void sideBarItems_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("title");
        QTest::newRow("0") << 0 << "Очистка";
        QTest::newRow("1") << 1 << "Очистка(Расширенные функции)";
        QTest::newRow("2") << 2 << "Параметры MS Windows XP";
        QTest::newRow("3") << 3 << "Параметры MS Windows Vista";
        QTest::newRow("4") << 4 << "Мультимедия";
        QTest::newRow("5") << 5 << "Опции";
    }

    void sideBarItems()
    {
        QFETCH(int, item);
        QFETCH(QString, title);
        Window w("2600");
        QCOMPARE(w.form->sFrameBar1->count(), 6);
        QCOMPARE(w.find<QToolButton>(QString("sFrameBar1Items%1Title").arg(item))->text(), title);
    }

    void generation_data()
    {
        QTest::addColumn<QByteArray>("build");
        QTest::addColumn<int>("hiddenItem");
        QTest::addColumn<int>("shownItem");
        QTest::addColumn<int>("backupPage");
        QTest::newRow("XP 2600") << QByteArray("2600") << 3 << 2 << 14;
        QTest::newRow("XP 5999") << QByteArray("5999") << 3 << 2 << 14;
        QTest::newRow("Vista 6000") << QByteArray("6000") << 2 << 3 << 21;
        QTest::newRow("Vista 7601") << QByteArray("7601") << 2 << 3 << 21;
    }

    void generation()
    {
        QFETCH(QByteArray, build);
        QFETCH(int, hiddenItem);
        QFETCH(int, shownItem);
        QFETCH(int, backupPage);
        Window w(build);
        QVERIFY(w.find(QString("sFrameBar1Items%1").arg(hiddenItem))->isHidden());
        QVERIFY(w.find(QString("sFrameBar1Items%1").arg(shownItem))->isVisible());

        // The options panel shows the backup page at once, and its link shows it again.
        w.clickTitle(5);
        QCOMPARE(w.page(), backupPage);
        auto *backup = w.panel("TFrame4")->findChild<QWidget *>("sWebLabel4");
        w.click(w.panel("TFrame4")->findChild<QWidget *>("sWebLabel3"));
        QCOMPARE(w.page(), 13);
        w.click(backup);
        QCOMPARE(w.page(), backupPage);
    }

    void startUp()
    {
        Window w("2600");
        QVERIFY(Dialogs::takeRecorded().isEmpty());
        QCOMPARE(w.form->sFrameBar1->openIndex(), 0);
        QVERIFY(w.panel("TFrame1"));
        QCOMPARE(w.page(), 0);
        QVERIFY(w.find<QPushButton>("sBitBtn1")->isChecked());
        auto *cache = w.find<QCheckBox>("sCheckBox1");
        QVERIFY(cache && cache->isChecked());
        QVERIFY(w.form->sPageControl1->widget(0)->isAncestorOf(cache));
        QCOMPARE(cache->parentWidget()->objectName(), QString("sGroupBox2"));

        auto *skins = w.find<QComboBox>("ComboSkin");
        QStringList listed;
        for (int i = 0; i < skins->count(); ++i)
            listed << skins->itemText(i);
        QCOMPARE(listed, QStyleFactory::keys());
        QCOMPARE(skins->currentText().toLower(), QApplication::style()->name().toLower());
        // Choosing another skin has no effect.
        const QString style = QApplication::style()->name();
        skins->setCurrentIndex(skins->count() - 1 - skins->currentIndex());
        QCOMPARE(QApplication::style()->name(), style);
    }

    void converterFolder_data()
    {
        QTest::addColumn<bool>("onDriveC");
        QTest::newRow("on drive C") << true;
        QTest::newRow("outside the drives") << false;
    }

    // The program folder as the shell names it: a Windows path on a drive, else the host path.
    void converterFolder()
    {
        QFETCH(bool, onDriveC);
        QTemporaryDir dir;
        const QString machineFolder = dir.path() + "/machine";
        test::writeMachine(machineFolder, versionKey("2600"));
        const QString programFolder =
            onDriveC ? machineFolder + "/drive_c/Program Files/Tolvex" : dir.path() + "/program";
        QDir().mkpath(programFolder);
        auto machine = Machine::open(machineFolder, programFolder);
        platform::MachineShellServices shell(*machine);
        platform::ProgramContext context{*machine, shell};
        TMainForm form(context);
        auto *edit = form.findChild<QLineEdit *>("sEdit1");
        QVERIFY(edit);
        QCOMPARE(edit->parentWidget()->objectName(), QString("sTabSheet17"));
        // One path in one form: Windows on a drive, else the host's with '/' throughout.
        QCOMPARE(edit->text(), onDriveC ? QString("C:\\Program Files\\Tolvex\\Converts") : programFolder + "/Converts");
    }

    void links_data()
    {
        QTest::addColumn<QByteArray>("build");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("page");
        const QByteArray xp = "2600", vista = "6000";
        auto row = [](const char *name, const QByteArray &build, int item, const char *panel,
                      const char *control, const QString &caption, const QString &hint, bool shown,
                      int page) {
            QTest::newRow(name) << build << item << QString(panel) << QString(control) << caption << hint
                                << shown << page;
        };
        row("TFrame1 Windows", xp, 0, "TFrame1", "sBitBtn1", "Windows",
            "Позваляет просканировать и очистить систему и Windows приложения", true, 0);
        row("TFrame1 Реестр", xp, 0, "TFrame1", "sBitBtn2", "Реестр",
            "Поиск и устранение неисправностей реестра", true, 1);
        row("TFrame1 Приложения", xp, 0, "TFrame1", "sBitBtn3", "Приложения",
            "Позваляет удалить необходимое приложение из ОС", true, 2);
        row("TFrame1 Дублькилл", xp, 0, "TFrame1", "sBitBtn4", " Дублькилл", "Поиск дублированных файлов",
            true, 12);
        row("TFrame3 рабочий стол", xp, 2, "TFrame3", "sWebLabel2", "Настройка рабочего стола", "", true, 4);
        row("TFrame3 проводник", xp, 2, "TFrame3", "sWebLabel4", "Настройки проводника", "", true, 6);
        row("TFrame3 сеть", xp, 2, "TFrame3", "sWebLabel5", "Сетевая безопасность", "", true, 7);
        row("TFrame3 система", xp, 2, "TFrame3", "sWebLabel1", "Системные настройки", "", true, 3);
        row("TFrame3 корзина", xp, 2, "TFrame3", "sWebLabel3", "Настройка Корзины", "", true, 5);
        row("TFrame3 вход", xp, 2, "TFrame3", "sWebLabel9", "Вход в систему ", "", true, 11);
        row("TFrame3 панель задач", xp, 2, "TFrame3", "sWebLabel6", "Панель задач", "", true, 8);
        row("TFrame3 Пуск", xp, 2, "TFrame3", "sWebLabel7", "Меню \"Пуск\"", "", true, 9);
        row("TFrame3 приложения", xp, 2, "TFrame3", "sWebLabel8", "Приложения", "", true, 10);
        row("TFrame2 панель задач", vista, 3, "TFrame2", "sWebLabel3", "Панель задач", "", true, 17);
        row("TFrame2 система", vista, 3, "TFrame2", "sWebLabel1", "Настройка системы", "", true, 18);
        row("TFrame2 корзина", vista, 3, "TFrame2", "sWebLabel2", "Настройка корзины", "", true, 19);
        row("TFrame2 проводник", vista, 3, "TFrame2", "sWebLabel4", "Настройка проводника", "", true, 20);
        row("TFrame6 конвертирование", xp, 4, "TFrame6", "sWebLabel3", "Конвертирование", "", true, 16);
        const QString backupHint =
            "Позволяет сделать резервную копию текущих данных в реестре. Это поможет при "
            "настройки системы от критических глюков.";
        row("TFrame4 бекап XP", xp, 5, "TFrame4", "sWebLabel4", "Бекап реестра", backupHint, true, 14);
        row("TFrame4 бекап Vista", vista, 5, "TFrame4", "sWebLabel4", "Бекап реестра", backupHint, true, 21);
        row("TFrame4 общие (hidden)", xp, 5, "TFrame4", "sWebLabel3", "Общие", "", false, 13);
    }

    void links()
    {
        QFETCH(QByteArray, build);
        QFETCH(int, item);
        QFETCH(QString, panel);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        QFETCH(bool, shown);
        QFETCH(int, page);
        Window w(build);
        if (item != 0) w.clickTitle(item);
        QWidget *frame = w.panel(panel);
        QVERIFY(frame);
        QWidget *link = frame->findChild<QWidget *>(control);
        QVERIFY(link);
        const QString text = qobject_cast<QLabel *>(link) ? qobject_cast<QLabel *>(link)->text()
                                                          : qobject_cast<QAbstractButton *>(link)->text();
        QCOMPARE(text, caption);
        QCOMPARE(link->toolTip(), hint);
        QCOMPARE(link->isVisible(), shown);
        // From a page that the link does not show, so that the click must change it.
        w.find<QStackedWidget>("sPageControl1")->setCurrentIndex(page == 12 ? 13 : 12);
        w.click(link);
        QCOMPARE(w.page(), page);
    }

    void linkOrder_data()
    {
        QTest::addColumn<QByteArray>("build");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("TFrame1") << QByteArray("2600") << 0 << "TFrame1"
                                 << QStringList{"sBitBtn1", "sBitBtn2", "sBitBtn3", "sBitBtn4"};
        QTest::newRow("TFrame3") << QByteArray("2600") << 2 << "TFrame3"
                                 << QStringList{"sWebLabel2", "sWebLabel4", "sWebLabel5",
                                                "sWebLabel1", "sWebLabel3", "sWebLabel9",
                                                "sWebLabel6", "sWebLabel7", "sWebLabel8"};
        QTest::newRow("TFrame2") << QByteArray("6000") << 3 << "TFrame2"
                                 << QStringList{"sWebLabel3", "sWebLabel1", "sWebLabel2", "sWebLabel4"};
        QTest::newRow("TFrame6") << QByteArray("2600") << 4 << "TFrame6" << QStringList{"sWebLabel3"};
        QTest::newRow("TFrame4") << QByteArray("2600") << 5 << "TFrame4" << QStringList{"sWebLabel4"};
    }

    // The visible links of each panel, top to bottom, and no others.
    void linkOrder()
    {
        QFETCH(QByteArray, build);
        QFETCH(int, item);
        QFETCH(QString, panel);
        QFETCH(QStringList, order);
        Window w(build);
        if (item != 0) w.clickTitle(item);
        QWidget *frame = w.panel(panel);
        QVERIFY(frame);
        QList<QWidget *> shown;
        for (QWidget *child : frame->findChildren<QWidget *>())
            if (child->isVisible() &&
                (qobject_cast<QLabel *>(child) || qobject_cast<QAbstractButton *>(child)))
                shown << child;
        std::sort(shown.begin(), shown.end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
        QStringList names;
        for (QWidget *link : shown)
            names << link->objectName();
        QCOMPARE(names, order);
    }

    void cleaningButtonsAreOneRadioGroup()
    {
        Window w("2600");
        const QStringList names{"sBitBtn1", "sBitBtn2", "sBitBtn3", "sBitBtn4"};
        QList<QPushButton *> buttons;
        for (const QString &name : names)
            buttons << w.panel("TFrame1")->findChild<QPushButton *>(name);
        auto pressed = [&] {
            QStringList down;
            for (QPushButton *b : buttons)
                if (b->isChecked()) down << b->objectName();
            return down;
        };
        QCOMPARE(pressed(), QStringList{"sBitBtn1"});
        for (int i : {2, 1, 3, 3, 0, 1}) {
            w.click(buttons[i]);
            QCOMPARE(pressed(), QStringList{names[i]});
        }
        // A new panel, and "Windows" is pressed again.
        w.clickTitle(4);
        w.clickTitle(0);
        runDeletions();
        QCOMPARE(w.form->findChildren<QWidget *>("TFrame1").size(), 1);
        QCOMPARE(w.find<QPushButton>("sBitBtn1")->isChecked(), true);
        QCOMPARE(w.find<QPushButton>("sBitBtn2")->isChecked(), false);
        QCOMPARE(w.page(), 0);
    }

    void xpItemShowsDesktopPageEveryTime()
    {
        Window w("2600");
        w.clickTitle(2);
        QCOMPARE(w.page(), 4);
        QPointer<QWidget> first = w.panel("TFrame3");
        w.click(first->findChild<QWidget *>("sWebLabel1"));
        QCOMPARE(w.page(), 3);
        w.clickTitle(4);
        QCOMPARE(w.page(), 16);
        w.clickTitle(2);
        QCOMPARE(w.page(), 4);
        runDeletions();
        QVERIFY(first.isNull());
        QVERIFY(w.panel("TFrame3"));
    }

    void clickingTheOpenItemDoesNothing()
    {
        Window w("2600");
        QWidget *frame = w.panel("TFrame1");
        w.click(frame->findChild<QWidget *>("sBitBtn2"));
        QCOMPARE(w.page(), 1);
        w.clickTitle(0);
        runDeletions();
        QCOMPARE(w.panel("TFrame1"), frame);
        QCOMPARE(w.page(), 1);
        QVERIFY(w.find<QPushButton>("sBitBtn2")->isChecked());
    }

    void closingDestroysThePanel_data()
    {
        QTest::addColumn<QByteArray>("build");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("page");
        QTest::newRow("item 1") << QByteArray("2600") << 1 << "TFrame5" << 15;
        QTest::newRow("item 2") << QByteArray("2600") << 2 << "TFrame3" << 4;
        QTest::newRow("item 3") << QByteArray("6000") << 3 << "TFrame2" << 17;
        QTest::newRow("item 4") << QByteArray("2600") << 4 << "TFrame6" << 16;
        QTest::newRow("item 5") << QByteArray("2600") << 5 << "TFrame4" << 14;
    }

    void closingDestroysThePanel()
    {
        QFETCH(QByteArray, build);
        QFETCH(int, item);
        QFETCH(QString, panel);
        QFETCH(int, page);
        Window w(build);
        QPointer<QWidget> cleaning = w.panel("TFrame1");
        w.clickTitle(item);
        runDeletions();
        QVERIFY(cleaning.isNull());
        QCOMPARE(w.form->sFrameBar1->openIndex(), item);
        QPointer<QWidget> opened = w.panel(panel);
        QVERIFY(opened && opened->isVisible());
        QCOMPARE(w.page(), page);
        w.clickTitle(0);
        runDeletions();
        QVERIFY(opened.isNull());
        QCOMPARE(w.form->sFrameBar1->openIndex(), 0);
        QCOMPARE(w.page(), 0);
    }

    void hiddenItemsTakeNoSpace_data()
    {
        QTest::addColumn<QByteArray>("build");
        QTest::addColumn<int>("hidden");
        QTest::newRow("XP") << QByteArray("2600") << 3;
        QTest::newRow("Vista") << QByteArray("6000") << 2;
    }

    void hiddenItemsTakeNoSpace()
    {
        QFETCH(QByteArray, build);
        QFETCH(int, hidden);
        Window w(build);
        // The items below the hidden one follow the one above it directly.
        QWidget *above = w.find(QString("sFrameBar1Items%1").arg(hidden - 1));
        QWidget *below = w.find(QString("sFrameBar1Items%1").arg(hidden + 1));
        QWidget *gone = w.find(QString("sFrameBar1Items%1").arg(hidden));
        QVERIFY(!gone->isVisible());
        const int spacing = w.form->sFrameBar1->layout()->spacing();
        QCOMPARE(below->geometry().top(), above->geometry().bottom() + 1 + spacing);
        // The last item ends at the bottom of the bar.
        QWidget *last = w.find("sFrameBar1Items5");
        QCOMPARE(last->geometry().bottom(), w.form->sFrameBar1->height() - 1);

        // Its title cannot open it.
        w.clickTitle(hidden);
        QCOMPARE(w.form->sFrameBar1->openIndex(), 0);
        QCOMPARE(w.page(), 0);
    }

    void errorBoxText_data()
    {
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "abc"
                                << "abc.";
        QTest::newRow("Cyrillic") << "Ошибка"
                                  << "Ошибка.";
        QTest::newRow("slash, just after '.'") << "a/"
                                               << "a/.";
        QTest::newRow("quote, before '.'") << "x'"
                                           << "x'";
        QTest::newRow("percent") << "100%"
                                 << "100%";
        QTest::newRow("dot") << "a."
                             << "a.";
        QTest::newRow("empty") << ""
                               << "";
    }

    void errorBoxText()
    {
        QFETCH(QString, error);
        QFETCH(QString, shown);
        QCOMPARE(ui::errorBoxText(error), shown);
    }

    void failingStepSkipsTheRest()
    {
        Window w("2600", Window::FailingProgramFolder);
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, Dialogs::Icon::Error);
        QCOMPARE(shown[0].caption, QString("Tolvex"));
        QCOMPARE(shown[0].text, QString("Папка программы недоступна."));
        QVERIFY(w.form->isVisible());
        // Step 1 ran.
        QVERIFY(w.find("sFrameBar1Items3")->isHidden());
        // Steps 3, 5 and 6 did not.
        auto *skins = w.find<QComboBox>("ComboSkin");
        QCOMPARE(skins->count(), 0);
        QCOMPARE(skins->placeholderText(), QString("[Скин]"));
        QVERIFY(!w.find<QCheckBox>("sCheckBox1")->isChecked());
        QCOMPARE(w.form->sFrameBar1->openIndex(), -1);
        QVERIFY(!w.panel("TFrame1"));
        // The side bar works all the same.
        w.clickTitle(0);
        QCOMPARE(w.page(), 0);
        QVERIFY(w.find<QPushButton>("sBitBtn1")->isChecked());
    }

    void createKeysFailuresAreShownOnce()
    {
        if (QStandardPaths::findExecutable("wineserver").isEmpty())
            QSKIP("no wineserver to hold the registry read-only");
        Window w("2600", Window::ReadOnly);
        QVERIFY(w.machine->readOnly());
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QString("Ошибка"));
        QVERIFY(!shown[0].text.isEmpty());
        // The start-up went on.
        QVERIFY(w.find<QCheckBox>("sCheckBox1")->isChecked());
        QCOMPARE(w.form->sFrameBar1->openIndex(), 0);
    }

    void closingIsAllowed()
    {
        Window w("2600");
        QVERIFY(w.form->close());
        QVERIFY(!w.form->isVisible());
    }

    // The duplicate scan's worker writes into tables that the window owns: closing the window
    // mid-scan stops the worker and waits for it before they go (the sanitizer build sees any
    // write after that).
    void closingDuringDuplicateScan()
    {
        Window w("2600", Window::Slow);
        for (int i = 0; i < 400; ++i)
            test::writeFile(w.machineFolder + QString("/drive_c/Tree/f%1/a.txt").arg(i), "same");
        auto *page = w.find<duplicates::DuplicateFinderPage>("AntiDouble");
        QVERIFY(page);
        Dialogs::queueText("C:\\Tree");
        page->AddButtonClick();
        page->StartButtonClick();
        QVERIFY(page->scanning());
        auto &shell = static_cast<SlowListing &>(*w.shell);
        QTRY_VERIFY(shell.listings > 2);
        QVERIFY(w.form->close());
        w.form.reset();
        const int atClose = shell.listings;
        QTest::qWait(100);
        QCOMPARE(shell.listings.load(), atClose);
        QVERIFY2(atClose < 401, "the scan ran to its end instead of stopping");
    }

    void machineNotice_data()
    {
        QTest::addColumn<bool>("brokenHive");
        QTest::addColumn<bool>("serverRunning");
        QTest::newRow("nothing to say") << false << false;
        QTest::newRow("broken hive") << true << false;
        QTest::newRow("read-only") << false << true;
        QTest::newRow("both") << true << true;
    }

    void machineNotice()
    {
        QFETCH(bool, brokenHive);
        QFETCH(bool, serverRunning);
        if (serverRunning && QStandardPaths::findExecutable("wineserver").isEmpty())
            QSKIP("no wineserver to hold the registry read-only");
        QTemporaryDir dir;
        test::writeMachine(dir.path(), versionKey("2600"));
        if (brokenHive)
            test::writeFile(dir.path() + "/user.reg",
                            test::hiveText("User\\S-1-5-21-0-0-0-1000", "\n[Broken\n"));
        std::unique_ptr<RunningServer> server;
        if (serverRunning) server = std::make_unique<RunningServer>(dir.path());
        auto machine = Machine::open(dir.path(), dir.path());
        QWidget window;
        app::showMachineNotice(&window, *machine);
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        if (!brokenHive && !serverRunning) {
            QVERIFY(shown.isEmpty());
            return;
        }
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QString("Tolvex"));
        QCOMPARE(shown[0].text.contains("user.reg"), brokenHive);
        QCOMPARE(shown[0].text.contains("только для чтения"), serverRunning);
    }

    // A second window on a machine the first one holds says so, in Russian, and writes nothing;
    // what the first writes stays.
    void secondWindowOnTheSameMachine()
    {
        Window first("2600");
        Dialogs::takeRecorded();
        auto write = [](Machine &machine, const char *data) {
            registry::RegistryStore store(machine.registry());
            store.SelectRoot(registry::Root::CurrentUser);
            store.OpenPath("\\Software\\Both", true);
            store.SetText("Who", data);
            store.ClosePath();
            return machine.saveRegistry();
        };
        QVERIFY(write(*first.machine, "first").isEmpty());
        {
            auto machine = Machine::open(first.machineFolder, first.dir.path() + "/program");
            QVERIFY(machine->readOnly());
            platform::MachineShellServices shell(*machine);
            platform::ProgramContext context{*machine, shell};
            TMainForm second(context);
            second.show();
            app::showMachineNotice(&second, *machine);
            const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].text.contains("уже открыта другим экземпляром Tolvex"), qPrintable(shown[0].text));
            QVERIFY_THROWS_EXCEPTION(registry::RegistryError, write(*machine, "second"));
            second.close();
        }
        QVERIFY(write(*first.machine, "first again").isEmpty());
        QVERIFY(test::readFile(first.machineFolder + "/user.reg").contains("\"Who\"=\"first again\""));
    }

    // The application object's safety net: an error escaping an event handler.
    void escapedErrorIsShown()
    {
        struct Thrower : QWidget
        {
            void mousePressEvent(QMouseEvent *) override { throw std::runtime_error("Сбой обработчика"); }
        } thrower;
        thrower.resize(40, 40);
        thrower.show();
        QVERIFY(QTest::qWaitForWindowExposed(&thrower));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not accepted by receiving widget"));
        QTest::mouseClick(&thrower, Qt::LeftButton);
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, Dialogs::Icon::Error);
        QCOMPARE(shown[0].caption, QString("Tolvex"));
        QCOMPARE(shown[0].text, QString("Сбой обработчика."));
    }

    void optionsPage()
    {
        Window w("2600");
        QWidget *page = w.find("sTabSheet12");
        QVERIFY(page);
        QCOMPARE(w.find<QStackedWidget>("sPageControl1")->indexOf(page), 13);
        auto *hue = page->findChild<QSlider *>("sTrackBar1");
        auto *saturation = page->findChild<QSlider *>("sTrackBar2");
        QVERIFY(hue && saturation);
        QCOMPARE(hue->minimum(), -100);
        QCOMPARE(hue->maximum(), 100);
        QCOMPARE(saturation->minimum(), 0);
        QCOMPARE(saturation->maximum(), 100);
        QCOMPARE(page->findChild<QComboBox *>("sComboBox1")->currentText(), QString("Русский"));
        QHash<QString, bool> enabled;
        for (QPushButton *b : page->findChildren<QPushButton *>())
            enabled.insert(b->text(), b->isEnabled());
        QCOMPARE(enabled.value("Применить", true), false);
        QCOMPARE(enabled.value("Отмена", true), false);
        QCOMPARE(enabled.value("По умолчанию"), true);
        QStringList boxes;
        for (QCheckBox *b : page->findChildren<QCheckBox *>())
            boxes << b->text();
        QVERIFY(boxes.contains("Добавить программу в автозапуск"));
        QVERIFY(boxes.contains("Очищать \"Корзину\", и времнную папку"));
    }

    void colourSliders_data()
    {
        QTest::addColumn<int>("hue");
        QTest::addColumn<int>("saturation");
        QTest::addColumn<int>("expectedHue");
        QTest::addColumn<int>("expectedSaturation");
        // The highlight colour starts at hue 0, saturation 200 (of 255).
        QTest::newRow("as started") << 0 << 100 << 0 << 200;
        QTest::newRow("quarter turn") << 50 << 100 << 90 << 200;
        QTest::newRow("back a quarter, wraps") << -50 << 100 << 270 << 200;
        QTest::newRow("half turn") << 100 << 100 << 180 << 200;
        QTest::newRow("half saturation") << 0 << 50 << 0 << 100;
        QTest::newRow("both sliders") << 50 << 50 << 90 << 100;
        QTest::newRow("grey") << 50 << 0 << -1 << 0;
    }

    void colourSliders()
    {
        QFETCH(int, hue);
        QFETCH(int, saturation);
        QFETCH(int, expectedHue);
        QFETCH(int, expectedSaturation);
        QPalette start = QApplication::palette();
        start.setColor(QPalette::Highlight, QColor::fromHsv(0, 200, 180));
        start.setColor(QPalette::Link, QColor::fromHsv(240, 255, 200));
        QApplication::setPalette(start);
        Window w("2600");
        auto *hueBar = w.find<QSlider>("sTrackBar1");
        auto *saturationBar = w.find<QSlider>("sTrackBar2");

        // Moving without a mouse release changes nothing.
        hueBar->setValue(hue);
        saturationBar->setValue(saturation);
        QCOMPARE(QApplication::palette().color(QPalette::Highlight), start.color(QPalette::Highlight));

        releaseOverHandle(hueBar, hue);
        releaseOverHandle(saturationBar, saturation);
        const QPalette now = QApplication::palette();
        const QColor highlight = now.color(QPalette::Highlight);
        QCOMPARE(highlight.hsvHue(), expectedHue);
        QVERIFY2(qAbs(highlight.hsvSaturation() - expectedSaturation) <= 1, qPrintable(highlight.name()));
        QCOMPARE(highlight.value(), 180);
        if (saturation == 0) {
            for (int g = 0; g < QPalette::NColorGroups; ++g)
                for (int r = 0; r < QPalette::NColorRoles; ++r)
                    QVERIFY(isGrey(now.color(QPalette::ColorGroup(g), QPalette::ColorRole(r))));
        }
        // Back to the start: the colours are the ones the program started with.
        releaseOverHandle(hueBar, 0);
        releaseOverHandle(saturationBar, 100);
        QCOMPARE(QApplication::palette().color(QPalette::Highlight), start.color(QPalette::Highlight));
        QCOMPARE(QApplication::palette().color(QPalette::Link), start.color(QPalette::Link));
    }

    // A click on the groove moves the slider; the release after it recolours as well.
    void colourSliderGrooveClick()
    {
        QPalette start = QApplication::palette();
        start.setColor(QPalette::Highlight, QColor::fromHsv(0, 200, 180));
        QApplication::setPalette(start);
        Window w("2600");
        w.clickTitle(5);
        w.click(w.panel("TFrame4")->findChild<QWidget *>("sWebLabel3"));
        auto *hueBar = w.find<QSlider>("sTrackBar1");
        QVERIFY(hueBar->isVisible());
        QTest::mouseClick(hueBar, Qt::LeftButton, {}, QPoint(hueBar->width() - 3, hueBar->height() / 2));
        QVERIFY(hueBar->value() > 0);
        QCOMPARE(QApplication::palette().color(QPalette::Highlight).hsvHue(), qRound(hueBar->value() * 1.8));
    }
};

int main(int argc, char **argv)
{
    app::TolvexApplication application(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_window.moc"
