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

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

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

    // A link loop, a link out of the tree and a dangling link: the search ends, never enters a
    // link, and lists a link only as the entry it is.
    void linksAreNeverEntered()
    {
        Fixture f;
        QTemporaryDir outside;
        test::writeFile(outside.path() + "/far.tmp", "x");
        f.file("Data/a.tmp");
        QVERIFY(QFile::link(f.host("Data"), f.host("Data/loop")));
        QVERIFY(QFile::link(outside.path(), f.host("Data/out")));
        QVERIFY(QFile::link(f.host("nowhere"), f.host("Data/dangling.tmp")));
        QCOMPARE(search(f.shell(), settingsWith({"C:\\Data\\"}, {"*.tmp", "*"})),
                 QStringList({"C:\\Data\\a.tmp", "C:\\Data\\dangling.tmp", "C:\\Data\\loop", "C:\\Data\\out"}));
    }

    void stopEndsEachLevelSoon()
    {
        Fixture f;
        for (int i = 0; i < 20; ++i)
            f.file(QString("Data/d%1/f%2.tmp").arg(i % 4).arg(i));
        f.file("Other/x.tmp");
        ProScan scan(f.shell(), settingsWith({"C:\\Data\\", "C:\\Other\\"}, {"*.tmp"}));
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
};

QTEST_MAIN(TestAdvancedCleaning)
#include "tst_advanced_cleaning.moc"
