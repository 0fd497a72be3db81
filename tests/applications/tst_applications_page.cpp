// The applications page as a user drives it: its controls, the tree and its three commands, the
// startup grid with its paint rebuild, deletion and addition, with every box answered by the test.
#include "ApplicationsFixture.h"
#include "FindControl.h"

#include "ApplicationsPage.h"
#include "Dialogs.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

using namespace tolvex;
using namespace tolvex::applications;
using namespace tolvex::test;
using ui::Dialogs;

namespace {

// "node" for a category, "  node" for an entry, "    node" for its path child.
QStringList treeLines(QTreeWidget *tree)
{
    QStringList lines;
    for (int c = 0; c < tree->topLevelItemCount(); ++c) {
        QTreeWidgetItem *category = tree->topLevelItem(c);
        lines << category->text(0);
        for (int e = 0; e < category->childCount(); ++e) {
            lines << "  " + category->child(e)->text(0);
            for (int p = 0; p < category->child(e)->childCount(); ++p)
                lines << "    " + category->child(e)->child(p)->text(0);
        }
    }
    return lines;
}

QTreeWidgetItem *node(QTreeWidget *tree, const QString &category, const QString &entry = {},
                      bool path = false)
{
    for (int c = 0; c < tree->topLevelItemCount(); ++c) {
        QTreeWidgetItem *top = tree->topLevelItem(c);
        if (top->text(0) != category) continue;
        if (entry.isEmpty()) return top;
        for (int e = 0; e < top->childCount(); ++e)
            if (top->child(e)->text(0) == entry) return path ? top->child(e)->child(0) : top->child(e);
    }
    qFatal("no node %s / %s", qPrintable(category), qPrintable(entry));
}

QStringList gridLines(QTableWidget *grid)
{
    QStringList lines;
    for (int r = 0; r < grid->rowCount(); ++r)
        lines << grid->item(r, 0)->text() + "|" + grid->item(r, 1)->text() + "|" + grid->item(r, 2)->text();
    return lines;
}

QStringList shown()
{
    QStringList lines;
    for (const Dialogs::Shown &s : Dialogs::takeRecorded())
        lines << s.caption + ": " + s.text;
    return lines;
}

struct Page
{
    ApplicationsMachine machine;
    ApplicationsPage page;

    explicit Page(int arguments = 0) : machine(arguments), page(*machine.context) { page.resize(432, 438); }
    QTreeWidget *tree() { return find<QTreeWidget>(&page, "sTreeView1"); }
    QTableWidget *grid() { return find<QTableWidget>(&page, "SG"); }
    void click(const char *name) { find<QPushButton>(&page, name)->click(); }
    void select(QTreeWidgetItem *item) { tree()->setCurrentItem(item); }
};

const QStringList emptyCategories{"Новые", "Старые", "Неизвестно", "Весь список"};

} // namespace

class TestApplicationsPage : public QObject
{
    Q_OBJECT

private slots:
    void init() { Dialogs::startRecording(); }
    void cleanup() { Dialogs::stopRecording(); }

    void controls()
    {
        Page p;
        QCOMPARE(p.page.objectName(), QString("sTabSheet3"));
        auto *tabs = p.page.findChild<QTabWidget *>();
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QString("Удаление"));
        QCOMPARE(tabs->widget(0)->objectName(), QString("sTabSheet13"));
        QCOMPARE(tabs->tabText(1), QString("Автозагрузка"));
        QCOMPARE(tabs->widget(1)->objectName(), QString("sTabSheet14"));
        QCOMPARE(find<QPushButton>(&p.page, "sButton12")->text(), QString("Удалить приложение"));
        QCOMPARE(find<QPushButton>(&p.page, "sButton11")->text(), QString("Обновить"));
        QCOMPARE(find<QPushButton>(&p.page, "sButton13")->text(), QString("Удалить из списка"));
        QCOMPARE(find<QPushButton>(&p.page, "sButton23")->text(), QString("Добавить"));
        QCOMPARE(find<QPushButton>(&p.page, "sButton22")->text(), QString("Удалить"));
        QStringList menu3, menu4;
        for (QAction *a : find<QMenu>(&p.page, "PopupMenu3")->actions())
            menu3 << a->objectName() + " " + a->text();
        for (QAction *a : find<QMenu>(&p.page, "PopupMenu4")->actions())
            menu4 << a->objectName() + " " + a->text();
        QCOMPARE(menu3, QStringList({"N9 Удалить приложение", "N11 Обновить", "N12 Удалить из списка"}));
        QCOMPARE(menu4, QStringList({"MenuItem1 Добавить", "MenuItem2 Удалить"}));

        QCOMPARE(p.tree()->font().pixelSize(), 16);
        QTableWidget *grid = p.grid();
        QCOMPARE(grid->columnCount(), 3);
        QStringList headers;
        for (int c = 0; c < 3; ++c)
            headers << grid->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, QStringList({"Имя файла", "Путь к файлу", "Путь в реестре"}));
        QCOMPARE(QList<int>({grid->columnWidth(0), grid->columnWidth(1), grid->columnWidth(2)}),
                 QList<int>({126, 202, 81}));
        QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 20);
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    }

    void treeAndRefresh()
    {
        Page p;
        QCOMPARE(treeLines(p.tree()), emptyCategories); // before the first rebuild
        uninstallEntry(p.machine, uninstall64, "New", sz("Свежая"), sz("C:\\fresh\\u.exe"), sz("20080115"));
        uninstallEntry(p.machine, uninstall64, "Old", sz("Давняя"), sz(""), sz("20050115"));
        uninstallEntry(p.machine, uninstall64, "Upd", sz("Обновление системы"), sz("C:\\kb.exe"));
        uninstallEntry(p.machine, uninstall32, "W32", sz("Без даты (32)"), sz("C:\\x86\\u.exe"));
        QCOMPARE(treeLines(p.tree()), emptyCategories);

        p.click("sButton11");
        const QStringList filled{"Новые",
                                 "  Свежая",
                                 "    Путь:C:\\fresh\\u.exe",
                                 "Старые",
                                 "  Давняя",
                                 "    Путь не подписан",
                                 "Неизвестно",
                                 "  Без даты (32)",
                                 "    Путь:C:\\x86\\u.exe",
                                 "Весь список",
                                 "  Свежая",
                                 "    Путь:C:\\fresh\\u.exe",
                                 "  Давняя",
                                 "    Путь не подписан",
                                 "  Без даты (32)",
                                 "    Путь:C:\\x86\\u.exe"};
        QCOMPARE(treeLines(p.tree()), filled);

        p.machine.set(Root::LocalMachine, uninstall64 + "\\Old", "InstallDate", sz("20080110"));
        find<QAction>(&p.page, "N11")->trigger();
        QCOMPARE(node(p.tree(), "Новые")->childCount(), 2);
        QVERIFY(shown().isEmpty());
    }

    // Nothing names a program but an entry node: the commands then find no key.
    void commandsWithoutAnEntryNode_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::newRow("nothing") << "";
        QTest::newRow("category") << "category";
        QTest::newRow("path node") << "path";
    }
    void commandsWithoutAnEntryNode()
    {
        QFETCH(QString, selection);
        Page p;
        uninstallEntry(p.machine, uninstall64, "A", sz("Программа"), sz("C:\\u.exe"));
        p.page.BuildApplicationTree();
        if (selection == "category")
            p.select(node(p.tree(), "Весь список"));
        else if (selection == "path")
            p.select(node(p.tree(), "Весь список", "Программа", true));
        QCOMPARE(p.page.FindSelectedEntryKey(), std::nullopt);

        p.click("sButton12");
        QCOMPARE(shown(), QStringList({"Tolvex: UninstallString не найденно"}));
        p.click("sButton13"); // answered Yes
        QCOMPARE(shown(), QStringList({"Удаление: Удалить ключ из реестра?", "Tolvex: Ошибка"}));
        QVERIFY(p.machine.hasKey(Root::LocalMachine, uninstall64 + "\\A"));
    }

    void deleteEntryAsksThenRebuilds()
    {
        Page p;
        uninstallEntry(p.machine, uninstall32, "Twin32", sz("Близнец"), sz("C:\\x86.exe"));
        uninstallEntry(p.machine, uninstall64, "Twin64", sz("Близнец"), sz("C:\\x64.exe"));
        uninstallEntry(p.machine, uninstall64, "Other", sz("Другая"), sz("C:\\o.exe"));
        p.page.BuildApplicationTree();
        // The second twin's node: the first in enumeration order is the one that goes.
        QTreeWidgetItem *all = node(p.tree(), "Весь список");
        QCOMPARE(all->child(1)->text(0), QString("Близнец"));
        p.select(all->child(1));
        QCOMPARE(p.page.FindSelectedEntryKey(), uninstall64 + "\\Twin64");

        Dialogs::queueAnswer(Dialogs::Answer::No);
        p.click("sButton13");
        QCOMPARE(shown(), QStringList({"Удаление: Удалить ключ из реестра?"}));
        QVERIFY(p.machine.hasKey(Root::LocalMachine, uninstall64 + "\\Twin64"));

        p.select(node(p.tree(), "Весь список")->child(1));
        find<QAction>(&p.page, "N12")->trigger();
        QCOMPARE(shown(), QStringList({"Удаление: Удалить ключ из реестра?", "Tolvex: Раздел удален"}));
        QVERIFY(!p.machine.hasKey(Root::LocalMachine, uninstall64 + "\\Twin64"));
        QCOMPARE(treeLines(p.tree()),
                 QStringList({"Новые", "Старые", "Неизвестно", "  Другая", "    Путь:C:\\o.exe", "  Близнец",
                              "    Путь:C:\\x86.exe", "Весь список", "  Другая", "    Путь:C:\\o.exe",
                              "  Близнец", "    Путь:C:\\x86.exe"}));
        // The command saved the hive.
        p.machine.open();
        QVERIFY(!p.machine.hasKey(Root::LocalMachine, uninstall64 + "\\Twin64"));
        QVERIFY(p.machine.hasKey(Root::LocalMachine, uninstall32 + "\\Twin32"));
    }

    void uninstallThatCannotStartSaysWhy()
    {
        Page p;
        uninstallEntry(p.machine, uninstall64, "A", sz("Программа"), sz("C:\\u.exe /S"));
        p.page.BuildApplicationTree();
        p.select(node(p.tree(), "Весь список", "Программа"));
        find<QAction>(&p.page, "N9")->trigger();
        const QList<Dialogs::Shown> boxes = Dialogs::takeRecorded();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].icon, Dialogs::Icon::Error);
        QVERIFY2(boxes[0].text.contains("C:\\u.exe /S") && boxes[0].text.contains("Wine"),
                 qPrintable(boxes[0].text));
    }

    void gridRows()
    {
        Page p(1);
        p.machine.set(Root::LocalMachine, run64, "", sz("C:\\default.exe"));
        p.machine.set(Root::LocalMachine, run64, "Пусто", sz(""));
        p.machine.set(Root::LocalMachine, run32, "Old32", sz("C:\\old32.exe"));
        p.machine.set(Root::CurrentUser, windowsKey, "load", sz("C:\\taskmgr.exe"));
        p.page.FormPaint();
        QCOMPARE(gridLines(p.grid()), QStringList({" |C:\\default.exe|HKEY_LM\\Run", "Пусто| |HKEY_LM\\Run",
                                                   "Old32|C:\\old32.exe|HKEY_LM\\Run (32)",
                                                   "load|C:\\taskmgr.exe|HKEY_CU\\load"}));
        QCOMPARE(p.grid()->currentRow(), 0);
    }

    // The grid follows the registry whenever its tab paints.
    void paintRebuildsTheGrid()
    {
        Page p;
        p.page.show();
        find<QTabWidget>(&p.page, "tabs")->setCurrentIndex(1);
        QVERIFY(QTest::qWaitForWindowExposed(&p.page));
        QTRY_COMPARE(p.grid()->rowCount(), 0);
        p.machine.set(Root::CurrentUser, run64, "Later", sz("C:\\later.exe"));
        p.page.sTabSheet14->update();
        QTRY_COMPARE(gridLines(p.grid()), QStringList({"Later|C:\\later.exe|HKEY_CU\\Run"}));
        // A rebuild that finds nothing new leaves the grid alone: no refill, no paint, no loop.
        const QTableWidgetItem *item = p.grid()->item(0, 0);
        p.page.sTabSheet14->update();
        QTest::qWait(50);
        QCOMPARE(p.grid()->item(0, 0), item);
    }

    void deleteRowAsksFirst()
    {
        Page p;
        p.machine.set(Root::CurrentUser, run64, "ctfmon.exe", sz("C:\\ctfmon.exe"));
        p.machine.set(Root::Users, defaultRun, "Общий", sz("C:\\shared.exe"));
        p.page.FormPaint();
        p.grid()->selectRow(1);

        Dialogs::queueAnswer(Dialogs::Answer::Cancel);
        p.click("sButton22");
        QCOMPARE(shown(), QStringList({"Удаление: Вы действительно хотите удалить запись \"Общий\" ?"}));
        QCOMPARE(p.grid()->rowCount(), 2);

        find<QAction>(&p.page, "MenuItem2")->trigger();
        QCOMPARE(shown(), QStringList({"Удаление: Вы действительно хотите удалить запись \"Общий\" ?"}));
        QCOMPARE(gridLines(p.grid()), QStringList({"ctfmon.exe|C:\\ctfmon.exe|HKEY_CU\\Run"}));
        QCOMPARE(p.grid()->currentRow(), 0); // the row number survives, moved into the grid
        p.machine.open();
        QCOMPARE(p.machine.value(Root::Users, defaultRun, "Общий"), std::nullopt);
    }

    void deleteOnAnEmptyGridChangesNothing()
    {
        Page p;
        p.machine.makeKey(Root::CurrentUser, run64);
        QVERIFY(p.machine.context->finishCommand().isEmpty());
        p.page.FormPaint();
        QCOMPARE(p.grid()->rowCount(), 0);
        const QByteArray before = readFile(p.machine.folder() + "/user.reg");
        p.click("sButton22");
        QCOMPARE(shown(), QStringList({"Удаление: Вы действительно хотите удалить запись \"Имя файла\" ?"}));
        QCOMPARE(readFile(p.machine.folder() + "/user.reg"), before);
    }

    void addAsksForAFileThenAName_data()
    {
        QTest::addColumn<std::optional<QString>>("name");
        QTest::addColumn<QString>("stored");
        QTest::newRow("typed") << std::optional<QString>("Игра") << "Игра";
        QTest::newRow("prompt cancelled") << std::optional<QString>() << "Приложение";
    }
    void addAsksForAFileThenAName()
    {
        QFETCH(std::optional<QString>, name);
        QFETCH(QString, stored);
        Page p;
        const QString host = p.machine.folder() + "/drive_c/Program Files/Игра/game.exe";
        writeFile(host, "MZ");
        Dialogs::queueText(host);
        Dialogs::queueText(name);
        find<QAction>(&p.page, "MenuItem1")->trigger();
        const QList<Dialogs::Shown> boxes = Dialogs::takeRecorded();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].text, QString("Приложения|*.exe"));
        QCOMPARE(boxes[1].caption + ": " + boxes[1].text, QString("Добавить: Введите имя"));
        QCOMPARE(gridLines(p.grid()),
                 QStringList({stored + "|C:\\Program Files\\Игра\\game.exe|HKEY_CU\\Run"}));
        p.machine.open();
        QCOMPARE(p.machine.value(Root::CurrentUser, run64, stored), sz("C:\\Program Files\\Игра\\game.exe"));
    }

    // A program outside the machine's own folders: Windows can start it only through a drive
    // that reaches it, so that drive's path is written, and without one nothing is.
    void addHostProgram_data()
    {
        QTest::addColumn<bool>("rootDrive"); // Z: mapped to the host's /, as in every Wine prefix
        QTest::newRow("a drive reaches it") << true;
        QTest::newRow("no drive reaches it") << false;
    }
    void addHostProgram()
    {
        QFETCH(bool, rootDrive);
        ApplicationsMachine machine;
        if (rootDrive) {
            QVERIFY(QFile::link("/", machine.folder() + "/dosdevices/z:"));
            machine.open();
        }
        ApplicationsPage page(*machine.context);
        const QString host = machine.dir.path() + "/outside/tool.exe";
        writeFile(host, "MZ");
        const QByteArray before = readFile(machine.folder() + "/user.reg");
        Dialogs::queueText(host);
        Dialogs::queueText(QString("Tool"));
        find<QPushButton>(&page, "sButton23")->click();
        const QList<Dialogs::Shown> boxes = Dialogs::takeRecorded();
        auto *grid = find<QTableWidget>(&page, "SG");
        if (rootDrive) {
            QString windows = "Z:" + host;
            windows.replace('/', '\\');
            QVERIFY2(boxes.size() == 2, qPrintable(boxes.last().caption + ": " + boxes.last().text));
            QCOMPARE(gridLines(grid), QStringList({"Tool|" + windows + "|HKEY_CU\\Run"}));
            // As a program started now reads it.
            auto reopened = platform::Machine::open(machine.folder(), machine.dir.path());
            registry::RegistryStore store(reopened->registry());
            QVERIFY(store.OpenPath("\\" + run64.toStdString(), false));
            QCOMPARE(QString::fromStdString(store.GetText("Tool")), windows);
            return;
        }
        QCOMPARE(boxes.size(), 2); // the chooser, then why nothing was added; no name is asked
        QCOMPARE(boxes[1].icon, Dialogs::Icon::Error);
        QVERIFY2(boxes[1].text.contains(host) && boxes[1].text.contains("на одном из дисков машины"),
                 qPrintable(boxes[1].text));
        QCOMPARE(grid->rowCount(), 0);
        QCOMPARE(readFile(machine.folder() + "/user.reg"), before);
    }

    void addCancelledAtTheFile()
    {
        Page p;
        Dialogs::queueText(std::nullopt);
        p.click("sButton23");
        QCOMPARE(Dialogs::takeRecorded().size(), 1); // no name prompt
        QVERIFY(!p.machine.hasKey(Root::CurrentUser, run64));
    }

    void addRefusedIsShown()
    {
        Page p;
        p.machine.machine->registry().setReadOnly(true);
        Dialogs::queueText("C:\\x.exe");
        Dialogs::queueText("X");
        p.click("sButton23");
        const QList<Dialogs::Shown> boxes = Dialogs::takeRecorded();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[2].icon, Dialogs::Icon::Error);
        QCOMPARE(boxes[2].caption, QString("Tolvex"));
    }
};

QTEST_MAIN(TestApplicationsPage)
#include "tst_applications_page.moc"
