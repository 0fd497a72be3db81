// Advanced cleaning on real folders: the settings and Config.ini, the search with its filters
// and exclusions, the page's commands and the deletions, which never leave a search path.
#include "ProgramSession.h"
#include "TestMachine.h"

#include "AdvancedCleaningPage.h"
#include "Dialogs.h"
#include "ProScan.h"
#include "ProSettings.h"
#include "ini/IniDocument.h"
#include "ini/IniFile.h"
#include "text/TextCodec.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <utility>

#include "StatusPanels.h"

using namespace tolvex;
using namespace tolvex::advanced_cleaning;
using ui::Dialogs;

namespace {

// A machine with drives C: and D: inside the image.
struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;

    Fixture()
    {
        test::writeMachine(machine(), {});
        QDir().mkpath(machine() + "/drive_d");
        QFile::link("../drive_d", machine() + "/dosdevices/d:");
        QDir().mkpath(dir.path() + "/program");
        program = std::make_unique<test::ProgramSession>(machine(), dir.path() + "/program");
    }
    QString machine() const { return dir.path() + "/machine"; }
    QString host(const QString &relative) const { return machine() + "/drive_c/" + relative; }
    void file(const QString &relative, const QByteArray &bytes = "x") { test::writeFile(host(relative), bytes); }
    platform::ShellServices &shell() { return *program->shell; }
};

// C:\Data with a file and links of every kind; the ones out of the tree lead into `outside`.
struct Links
{
    Links(Fixture &f, QTemporaryDir &outside)
    {
        test::writeFile(outside.path() + "/far.tmp", "far");
        test::writeFile(outside.path() + "/folder/inside.tmp", "inside");
        f.file("Data/a.tmp");
        QFile::link(f.host("Data"), f.host("Data/loop"));
        QFile::link(outside.path() + "/folder", f.host("Data/out"));
        QFile::link(f.host("Data/out"), f.host("Data/chain"));
        QFile::link(f.host("nowhere"), f.host("Data/dangling.tmp"));
        QFile::link(outside.path() + "/far.tmp", f.host("Data/tofile.tmp"));
        QFile::link(outside.path() + "/far.tmp", f.host("Data/swapped.tmp"));
    }
};

struct Collect final : ProScanObserver
{
    QStringList paths;
    std::function<void(const FoundFile &)> also;
    void fileFound(const FoundFile &file) override
    {
        paths << file.path;
        if (also)
            also(file);
    }
};

ProSettings settingsWith(const QStringList &paths, const QStringList &filters, const QStringList &exclusions = {})
{
    ProSettings s;
    for (const QString &p : paths)
        s.paths.append({p, true});
    for (const QString &f : filters)
        s.filters.append({f, {}, true});
    for (const QString &e : exclusions)
        s.exclusions.append({e, {}, true});
    return s;
}

QStringList search(platform::ShellServices &shell, const ProSettings &settings)
{
    ProScan scan(shell, settings);
    Collect found;
    scan.FindFiles(found);
    found.paths.sort();
    return found.paths;
}

QStringList rows(QTreeWidget *view, int column = 0)
{
    QStringList out;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        out << view->topLevelItem(i)->text(column);
    return out;
}

} // namespace

class TestAdvancedCleaning : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Dialogs::stopRecording(); }

    void sizeTexts_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("1536, period") << quint64(1536) << "en_US" << "1.5 Кб";
        QTest::newRow("1536, comma") << quint64(1536) << "ru_RU" << "1,5 Кб";
        QTest::newRow("a whole Kb") << quint64(2048) << "ru_RU" << "2 Кб";
        QTest::newRow("half to even, down") << quint64(128) << "ru_RU" << "0,12 Кб"; // 0.125
        QTest::newRow("half to even, up") << quint64(384) << "ru_RU" << "0,38 Кб";   // 0.375
        QTest::newRow("no grouping") << quint64(5000000) << "ru_RU" << "4882,81 Кб";
        QTest::newRow("empty") << quint64(0) << "ru_RU" << "0 Кб";
    }
    void sizeTexts()
    {
        QFETCH(quint64, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(sizeInKb(bytes, QLocale(locale)), text);
    }

    void counterTexts()
    {
        QCOMPARE(foundCountText(0), QString("Найдено файлов: 0"));
        QCOMPARE(totalSizeText(0, QLocale("ru_RU")), QString("Общий размер: 0 Мб"));
        QCOMPARE(totalSizeText(1572864, QLocale("ru_RU")), QString("Общий размер: 1,5 Мб"));
        // Far beyond 32 bits.
        QCOMPARE(totalSizeText(quint64(1) << 50, QLocale("ru_RU")), QString("Общий размер: 1073741824 Мб"));
    }

    // Filters pick names, exclusions pick paths, exactly and with case.
    void filtersAndExclusions()
    {
        Fixture f;
        f.file("Windows/a.log");
        f.file("windows/a.log");
        f.file("windows/A.LOG");
        f.file("windows/b.txt");
        const QStringList found = search(f.shell(), settingsWith({"C:\\"}, {"*.log"}, {"\\Windows\\"}));
        QCOMPARE(found, QStringList({"C:\\windows\\A.LOG", "C:\\windows\\a.log"}));
    }

    void nothingTicked()
    {
        Fixture f;
        f.file("a.tmp");
        ProSettings s = settingsWith({"C:\\"}, {"*.tmp"});
        s.filters[0].ticked = false;
        QCOMPARE(search(f.shell(), s), QStringList());
        s = settingsWith({"C:\\"}, {"*.tmp"});
        s.paths[0].ticked = false;
        QCOMPARE(search(f.shell(), s), QStringList());
        // An empty mask, as a filter row with a missing key loads, selects nothing.
        QCOMPARE(search(f.shell(), settingsWith({"C:\\"}, {""})), QStringList());
    }

    void overlappingPathsListTwice()
    {
        Fixture f;
        f.file("Temp/a.tmp");
        QCOMPARE(search(f.shell(), settingsWith({"C:\\", "C:\\Temp\\"}, {"*.tmp"})),
                 QStringList({"C:\\Temp\\a.tmp", "C:\\Temp\\a.tmp"}));
    }

    // A link loop, links out of the tree (one through another link) and a dangling link: the
    // search ends and enters no link. A link to a folder is not a file either; one to a file is.
    void linksToFoldersAreNotFiles()
    {
        Fixture f;
        QTemporaryDir outside;
        const Links links(f, outside);
        QCOMPARE(search(f.shell(), settingsWith({"C:\\Data\\"}, {"*.tmp", "*"})),
                 QStringList({"C:\\Data\\a.tmp", "C:\\Data\\dangling.tmp", "C:\\Data\\swapped.tmp",
                              "C:\\Data\\tofile.tmp"}));
    }

    // "Удалить все" after a search for every file: the files and the links to files go, each link
    // as itself; the links to folders stay, and so does everything a link leads to, even when a
    // found link has been turned towards a folder since the search.
    void deleteAllLeavesLinksToFolders()
    {
        Fixture f;
        QTemporaryDir outside;
        const Links links(f, outside);
        AdvancedCleaningPage p(f.shell());
        p.settings().paths = {{"C:\\Data\\", true}};
        p.settings().filters = {{"*", {}, true}};
        p.SpeedButton1Click();
        QCOMPARE(p.ListView4->topLevelItemCount(), 4);
        QVERIFY(QFile::remove(f.host("Data/swapped.tmp")));
        QVERIFY(QFile::link(outside.path() + "/folder", f.host("Data/swapped.tmp")));
        p.TabbedNotebook1Change(3);
        p.SpeedButton6Click();
        QCOMPARE(p.ListView4->topLevelItemCount(), 0);

        QVERIFY(!QFile::exists(f.host("Data/a.tmp")));
        QVERIFY(!QFileInfo(f.host("Data/dangling.tmp")).isSymLink());
        QVERIFY(!QFileInfo(f.host("Data/tofile.tmp")).isSymLink());
        for (const char *link : {"loop", "out", "chain"})
            QVERIFY2(QFileInfo(f.host(QString("Data/") + link)).isSymLink(), link);
        QCOMPARE(QFileInfo(f.host("Data/swapped.tmp")).symLinkTarget(), outside.path() + "/folder");
        QCOMPARE(test::readFile(outside.path() + "/far.tmp"), QByteArray("far"));
        QCOMPARE(test::readFile(outside.path() + "/folder/inside.tmp"), QByteArray("inside"));
    }

    void stopEndsEachLevelSoon()
    {
        Fixture f;
        for (int i = 0; i < 20; ++i)
            f.file(QString("Data/d%1/f%2.tmp").arg(i % 4).arg(i));
        f.file("Other/x.tmp");
        const ProSettings settings = settingsWith({"C:\\Data\\", "C:\\Other\\"}, {"*.tmp"});
        ProScan scan(f.shell(), settings);
        Collect found;
        found.also = [&](const FoundFile &) { scan.StopSearch = true; };
        scan.FindFiles(found);
        // The folder at hand ends after the file, each level above after its next entry, and the
        // next search path after its first.
        QVERIFY2(found.paths.size() <= 4, qPrintable(found.paths.join(' ')));
        QVERIFY(found.paths.size() >= 1);
    }

    void settingsRoundTrip()
    {
        Fixture f;
        ProSettings s;
        s.GetDrives(f.shell());
        QCOMPARE(s.tickedPaths(), QStringList({"C:\\", "D:\\"}));
        ini::IniDocument config = ini::IniDocument::parse(text::encodeAnsiFile("[Filters]\r\nCount=2\r\nF0=\" *.tmp\"\r\nD0=Временные\r\n"
                                                          "[Exclusion]\r\nCount=x\r\n[Path]\r\nCount=1\r\nP0=C:\\Old\\\r\n"));
        s.LoadNastr(config);
        QCOMPARE(s.filters.size(), 2);
        QCOMPARE(s.filters[0].mask, QString(" *.tmp"));
        QCOMPARE(s.filters[0].type(), QString(".tmp"));
        QCOMPARE(s.filters[1].mask, QString());
        QVERIFY(s.filters[1].ticked);
        QCOMPARE(s.exclusions.size(), 0); // a count that is not a number
        QCOMPARE(s.tickedPaths(), QStringList({"C:\\", "D:\\", "C:\\Old\\"}));

        // Adding D:\Temp sorts the list; only the added path is saved.
        QVERIFY(s.addSearchPath("D:\\Temp", f.shell()));
        QVERIFY(!s.addSearchPath("D:\\Temp\\", f.shell()));
        QVERIFY(!s.addSearchPath("\\\\server\\share", f.shell()));
        QVERIFY(s.addSearchPath("d:\\temp", f.shell())); // another case is another entry
        QStringList listed;
        for (const SearchPath &p : s.paths)
            listed << p.path + (p.ticked ? "" : " (unticked)");
        QCOMPARE(listed, QStringList({"C:\\", "C:\\Old\\", "D:\\", "D:\\Temp\\ (unticked)", "d:\\temp\\ (unticked)"}));
        ini::IniDocument saved;
        s.SaveNastr(saved);
        QCOMPARE(text::decodeAnsiFile(saved.toBytes()), QString("[Filters]\r\nCount=2\r\nF0=\" *.tmp\"\r\nD0=Временные\r\nF1=\r\nD1=\r\n"
                                                            "[Exclusion]\r\nCount=0\r\n"
                                                            "[Path]\r\nCount=3\r\nP0=C:\\Old\\\r\nP1=D:\\Temp\\\r\nP2=d:\\temp\\\r\n"));
    }

    // The page: the side panel's states per notebook page, adding and editing through the input
    // boxes and the folder chooser.
    void commandStates_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("paths") << 0 << "7 5 6 3 4";
        QTest::newRow("filters") << 1 << "7 8 5 3 4";
        QTest::newRow("exclusions") << 2 << "7 8 5 3 4";
        QTest::newRow("search") << 3 << "5 6 3 4";
    }
    void commandStates()
    {
        QFETCH(int, page);
        QFETCH(QString, enabled);
        Fixture f;
        AdvancedCleaningPage p(f.shell());
        QStringList start;
        for (const QString &name : AdvancedCleaningPage::buttonNames())
            if (p.buttonEnabled(name))
                start << name.mid(11);
        QCOMPARE(start.join(' '), QString("7 5 6 3 4")); // before any page change
        p.TabbedNotebook1->setCurrentIndex(page);
        p.TabbedNotebook1Change(page);
        QStringList on;
        for (const QString &name : AdvancedCleaningPage::buttonNames())
            if (p.buttonEnabled(name))
                on << name.mid(11);
        QCOMPARE(on.join(' '), enabled);
    }

    void addAndEditRows()
    {
        Fixture f;
        AdvancedCleaningPage p(f.shell());
        Dialogs::startRecording();
        p.TabbedNotebook1Change(1);
        Dialogs::queueText(QString(" *.tmp"));
        Dialogs::queueText(std::nullopt); // no description
        p.SpeedButton7Click();
        Dialogs::queueText(QString("   ")); // blank: nothing added
        p.SpeedButton7Click();
        Dialogs::queueText(QString("junk"));
        Dialogs::queueText(QString("без точки"));
        p.SpeedButton7Click();
        QCOMPARE(rows(p.ListView2), QStringList({" *.tmp", "junk"}));
        QCOMPARE(rows(p.ListView2, 1), QStringList({".tmp", ""}));
        QCOMPARE(p.ListView2->topLevelItem(0)->checkState(0), Qt::Checked);
        p.ListView2->topLevelItem(1)->setSelected(true);
        Dialogs::queueText(QString("*.old"));
        Dialogs::queueText(std::nullopt); // the description stays
        p.SpeedButton8Click();
        QCOMPARE(rows(p.ListView2), QStringList({" *.tmp", "*.old"}));
        QCOMPARE(rows(p.ListView2, 1), QStringList({".tmp", ".old"}));
        QCOMPARE(rows(p.ListView2, 2), QStringList({"", "без точки"}));

        p.TabbedNotebook1Change(2);
        Dialogs::queueText(QString("\\Keep\\"));
        Dialogs::queueText(QString("мои файлы"));
        p.SpeedButton7Click();
        QCOMPARE(rows(p.ListView3), QStringList({"\\Keep\\"}));
        QCOMPARE(p.ListView3->topLevelItem(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(p.settings().exclusions[0].ticked, false);
        p.ListView3->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QCOMPARE(p.settings().exclusions[0].ticked, true);

        p.TabbedNotebook1Change(0);
        p.GetDrives();
        Dialogs::queueText(QString("D:\\Temp"));
        p.SpeedButton7Click();
        Dialogs::queueText(std::nullopt);
        p.SpeedButton7Click();
        QCOMPARE(p.CheckListBox1->count(), 3);
        QCOMPARE(p.CheckListBox1->item(2)->text(), QString("D:\\Temp\\"));
        QCOMPARE(p.CheckListBox1->item(2)->checkState(), Qt::Unchecked);
        p.SpeedButton6Click(); // the drive roots go too
        QCOMPARE(p.CheckListBox1->count(), 0);
    }

    // A search through the page, then "Удалить все" with one row unticked, and "Удалить" of a
    // row whose folder has become a link to elsewhere.
    void searchAndDelete()
    {
        Fixture f;
        QTemporaryDir outside;
        f.file("Data/a.tmp", QByteArray(1536, 'x'));
        f.file("Data/b.tmp");
        f.file("Data/keep.txt");
        f.file("Data/sub/c.tmp");
        AdvancedCleaningPage p(f.shell());
        p.settings().paths = {{"C:\\Data\\", true}};
        p.settings().filters = {{"*.tmp", {}, true}};
        p.SpeedButton1Click();
        QCOMPARE(p.ListView4->topLevelItemCount(), 3);
        QCOMPARE(p.StatusBar1->panelText(1), QString("Найдено файлов: 3"));
        QVERIFY(!p.SpeedButton1->isHidden() && p.SpeedButton2->isHidden());
        const int a = rows(p.ListView4).indexOf("C:\\Data\\a.tmp");
        QVERIFY(a >= 0);
        QCOMPARE(p.ListView4->topLevelItem(a)->text(1), sizeInKb(1536));

        const int b = rows(p.ListView4).indexOf("C:\\Data\\b.tmp");
        p.ListView4->topLevelItem(b)->setCheckState(0, Qt::Unchecked);
        p.TabbedNotebook1Change(3);
        p.SpeedButton6Click();
        QCOMPARE(p.ListView4->topLevelItemCount(), 0);
        QVERIFY(!QFile::exists(f.host("Data/a.tmp")));
        QVERIFY(QFile::exists(f.host("Data/b.tmp")));
        QVERIFY(!QFile::exists(f.host("Data/sub/c.tmp")));
        QVERIFY(QFile::exists(f.host("Data/keep.txt")));
        QCOMPARE(p.StatusBar1->panelText(1), QString("Найдено файлов: 0"));

        f.file("Data/sub/c.tmp");
        p.SpeedButton1Click();
        QCOMPARE(p.ListView4->topLevelItemCount(), 2);
        // The folder is swapped for a link to another folder holding a file of the same name.
        test::writeFile(outside.path() + "/c.tmp", "precious");
        QVERIFY(QDir(f.host("Data/sub")).removeRecursively());
        QVERIFY(QFile::link(outside.path(), f.host("Data/sub")));
        const int c = rows(p.ListView4).indexOf("C:\\Data\\sub\\c.tmp");
        p.ListView4->topLevelItem(c)->setSelected(true);
        p.SpeedButton5Click();
        QCOMPARE(p.ListView4->topLevelItemCount(), 1); // the row goes all the same
        QCOMPARE(test::readFile(outside.path() + "/c.tmp"), QByteArray("precious"));
    }

    // The lists stay in the user's hands during a search: a change made while the first file
    // is listed counts for the paths and files the search reaches after it, and rows removed
    // meanwhile are neither searched nor read.
    void ticksReadAsTheSearchReachesThem_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("found");
        const QString first = "C:\\A\\first.tmp";
        const QStringList all{first, "D:\\B\\keep.tmp", "D:\\B\\skip\\a.tmp", "D:\\B\\x.log"};
        QTest::newRow("nothing") << "nothing" << all;
        QTest::newRow("later path unticked") << "untick D:\\B\\" << QStringList{first};
        QTest::newRow("later path removed") << "remove D:\\B\\" << QStringList{first};
        QTest::newRow("path being searched removed") << "remove C:\\A\\" << all;
        QTest::newRow("path list emptied") << "remove all paths" << QStringList{first};
        QTest::newRow("path added and ticked") << "add C:\\Z\\" << all + QStringList{"C:\\Z\\z.tmp"};
        QTest::newRow("exclusion ticked")
            << "tick skip" << QStringList{first, "D:\\B\\keep.tmp", "D:\\B\\x.log"};
        QTest::newRow("ticked exclusion removed") << "remove \\Old\\" << all + QStringList{"D:\\B\\Old\\o.tmp"};
        QTest::newRow("filter unticked")
            << "untick *.log" << QStringList{first, "D:\\B\\keep.tmp", "D:\\B\\skip\\a.tmp"};
        QTest::newRow("every filter removed") << "remove all filters" << QStringList{first};
    }
    void ticksReadAsTheSearchReachesThem()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, found);
        found.sort();
        Fixture f;
        f.file("A/first.tmp");
        f.file("Z/z.tmp");
        for (const char *name : {"keep.tmp", "skip/a.tmp", "x.log", "Old/o.tmp"})
            test::writeFile(f.machine() + "/drive_d/B/" + name, "x");
        AdvancedCleaningPage p(f.shell());
        p.LoadNastr(ini::IniDocument::parse(text::encodeAnsiFile("[Filters]\r\nCount=2\r\nF0=*.tmp\r\nF1=*.log\r\n"
                                                                 "[Exclusion]\r\nCount=2\r\nE0=skip\r\nE1=\\Old\\\r\n"
                                                                 "[Path]\r\nCount=2\r\nP0=C:\\A\\\r\nP1=D:\\B\\\r\n")));
        p.ListView3->topLevelItem(0)->setCheckState(0, Qt::Unchecked); // "skip" waits

        auto removeRow = [&](int page, int row) {
            p.TabbedNotebook1Change(page);
            if (page == 0)
                p.CheckListBox1->setCurrentRow(row);
            else
                (page == 1 ? p.ListView2 : p.ListView3)->topLevelItem(row)->setSelected(true);
            p.SpeedButton5Click();
        };
        const QHash<QString, std::function<void()>> changes{
            {"nothing", [] {}},
            {"untick D:\\B\\", [&] { p.CheckListBox1->item(1)->setCheckState(Qt::Unchecked); }},
            {"remove D:\\B\\", [&] { removeRow(0, 1); }},
            {"remove C:\\A\\", [&] { removeRow(0, 0); }},
            {"remove all paths", [&] {
                 p.TabbedNotebook1Change(0);
                 p.SpeedButton6Click();
             }},
            {"add C:\\Z\\", [&] {
                 p.TabbedNotebook1Change(0);
                 Dialogs::queueText(QString("C:\\Z"));
                 p.SpeedButton7Click(); // sorted in between, unticked
                 QCOMPARE(p.CheckListBox1->item(1)->text(), QString("C:\\Z\\"));
                 p.CheckListBox1->item(1)->setCheckState(Qt::Checked);
             }},
            {"tick skip", [&] { p.ListView3->topLevelItem(0)->setCheckState(0, Qt::Checked); }},
            {"remove \\Old\\", [&] { removeRow(2, 1); }},
            {"untick *.log", [&] { p.ListView2->topLevelItem(1)->setCheckState(0, Qt::Unchecked); }},
            {"remove all filters", [&] {
                 removeRow(1, 0);
                 removeRow(1, 0);
             }},
        };
        QVERIFY(changes.contains(change));
        Dialogs::startRecording();
        // The first row is C:\A\first.tmp, the only file of the first path: everything after it
        // comes later in the search.
        bool changed = false, listsUsable = false;
        connect(p.ListView4->model(), &QAbstractItemModel::rowsInserted, &p, [&] {
            if (std::exchange(changed, true))
                return;
            listsUsable = p.searching() && p.CheckListBox1->isEnabled() && p.ListView2->isEnabled() &&
                          p.ListView3->isEnabled();
            changes[change]();
        });
        p.SpeedButton1Click();
        QVERIFY(changed);
        QVERIFY(listsUsable);
        QCOMPARE(rows(p.ListView4).first(), QString("C:\\A\\first.tmp"));
        QStringList listed = rows(p.ListView4);
        listed.sort();
        QCOMPARE(listed, found);
        QCOMPARE(p.StatusBar1->panelText(1), foundCountText(found.size()));
    }
};

QTEST_MAIN(TestAdvancedCleaning)
#include "tst_advanced_cleaning.moc"
