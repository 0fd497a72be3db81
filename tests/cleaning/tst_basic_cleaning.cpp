// Basic cleaning on real folders of a machine image: the analysis, its status words and counts,
// what a clean deletes, and that it never reaches outside the folders it listed.
#include "ProgramSession.h"
#include "TestMachine.h"

#include "BasicCleaning.h"
#include "BasicCleaningPage.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using cleaning::BasicCleaning;

namespace {

const QString temp = "C:\\users\\me\\Temp\\";
const QString cache = "C:\\users\\me\\Cache";

// A machine whose %TEMP% is C:\users\me\Temp and whose browser cache is C:\users\me\Cache.
struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;

    Fixture()
    {
        test::writeMachine(machine(), {},
                           "\n[Environment]\n\"TEMP\"=\"C:\\\\users\\\\me\\\\Temp\"\n"
                           "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]\n"
                           "\"Cache\"=\"C:\\\\users\\\\me\\\\Cache\"\n");
        QDir().mkpath(host("users/me/Temp"));
        QDir().mkpath(host("users/me/Cache"));
        program = std::make_unique<test::ProgramSession>(machine(), dir.path() + "/program");
    }
    QString machine() const { return dir.path() + "/machine"; }
    QString host(const QString &relative) const { return machine() + "/drive_c/" + relative; }
    void file(const QString &relative) { test::writeFile(host(relative), "x"); }
    void cacheEntries(int n)
    {
        for (int i = 0; i < n; ++i)
            file(QString("users/me/Cache/Content.IE5/F%1/e%2.htm").arg(i % 3).arg(i));
    }
    void tempEntries(int n)
    {
        for (int i = 0; i < n; ++i)
            file(QString("users/me/Temp/t%1.tmp").arg(i));
    }
    platform::ShellServices &shell() { return *program->shell; }
};

// Runs an analysis to its end, collecting pass included.
struct Analysis
{
    QStringList statuses, listed;
    int systemShown = -1;
    QObject receiver; // the connections end with this analysis
    Analysis(BasicCleaning &c, bool browser, bool system)
    {
        QObject::connect(&c, &BasicCleaning::statusChanged, &receiver, [this](const QString &s) { statuses << s; });
        QObject::connect(&c, &BasicCleaning::listed, &receiver, [this](const QString &s) { listed << s; });
        QObject::connect(&c, &BasicCleaning::systemCountChanged, &receiver, [this, &c](int n) {
            if (c.ListingPass)
                systemShown = n;
        });
        c.Scan(browser, system);
        c.waitUntilIdle();
    }
};

} // namespace

class TestBasicCleaning : public QObject
{
    Q_OBJECT

private slots:
    void statusWords_data()
    {
        QTest::addColumn<bool>("combined");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("status");
        QTest::newRow("cache 69") << false << 69 << "Очистка не требуется";
        QTest::newRow("cache 70") << false << 70 << "Рекомендуется очистка";
        QTest::newRow("cache 71") << false << 71 << "Рекомендуется очистка";
        QTest::newRow("cache 200") << false << 200 << "Рекомендуется очистка";
        QTest::newRow("cache 201") << false << 201 << "Очистка необходима";
        QTest::newRow("all 99") << true << 99 << "Очистка не требуется";
        QTest::newRow("all 100") << true << 100 << "Рекомендуется очистка";
        QTest::newRow("all 150") << true << 150 << "Рекомендуется очистка";
        QTest::newRow("all 151") << true << 151 << "Очистка необходима";
    }
    void statusWords()
    {
        QFETCH(bool, combined);
        QFETCH(int, count);
        QFETCH(QString, status);
        QCOMPARE(combined ? cleaning::statusForAll(count) : cleaning::statusForBrowserCache(count), status);
    }

    // The cache alone rates "no need"; with the system's 45 entries the 105 together override it.
    void combinedStatusOverridesTheCacheAlone()
    {
        Fixture f;
        f.cacheEntries(60);
        f.tempEntries(45);
        BasicCleaning c(f.shell());
        Analysis a(c, true, true);
        QCOMPARE(c.IECount, 60);
        QCOMPARE(a.systemShown, 45);
        QCOMPARE(a.statuses, QStringList({"Очистка не требуется", "Рекомендуется очистка"}));
    }

    void browserCacheAlone_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("status");
        QTest::newRow("empty") << 0 << "Очистка не требуется";
        QTest::newRow("71") << 71 << "Рекомендуется очистка";
        QTest::newRow("201") << 201 << "Очистка необходима";
    }
    void browserCacheAlone()
    {
        QFETCH(int, entries);
        QFETCH(QString, status);
        Fixture f;
        f.cacheEntries(entries);
        f.tempEntries(3);
        BasicCleaning c(f.shell());
        Analysis a(c, true, false);
        QCOMPARE(c.IECount, entries);
        QCOMPARE(a.statuses, QStringList{status});
        QVERIFY(a.listed.isEmpty());
        QVERIFY(!c.busy());
        c.Clear(true, false);
        QVERIFY(f.shell().urlCacheEntries().isEmpty());
        QVERIFY(QFile::exists(f.host("users/me/Temp/t0.tmp")));
    }

    // Every entry at any depth is listed; only the top-level ones are collected, and a clean
    // takes a folder with its contents.
    void listedAndCollected()
    {
        Fixture f;
        f.file("users/me/Temp/a.tmp");
        f.file("users/me/Temp/sub/b.tmp");
        BasicCleaning c(f.shell());
        Analysis a(c, false, true);
        QCOMPARE(a.listed.size(), 3);
        QVERIFY(a.listed.contains(temp + "sub\\b.tmp"));
        QCOMPARE(a.systemShown, 3);
        QStringList collected = c.collected();
        collected.sort();
        QCOMPARE(collected, QStringList({temp + "a.tmp", temp + "sub"}));
        c.Clear(false, true);
        QCOMPARE(QDir(f.host("users/me/Temp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(QDir(f.host("users/me/Temp")).exists());
    }

    void prefetchFolderToo()
    {
        Fixture f;
        f.file("windows/Prefetch/NOTEPAD.EXE-1.pf");
        f.file("users/me/Temp/a.tmp");
        BasicCleaning c(f.shell());
        Analysis a(c, false, true);
        QVERIFY(a.listed.contains("C:\\windows\\Prefetch\\NOTEPAD.EXE-1.pf"));
        QCOMPARE(c.SystemCount, 2);
    }

    // A second, shorter analysis leaves older names behind the count; a clean deletes only its own.
    void secondShorterAnalysis()
    {
        Fixture f;
        f.tempEntries(3);
        BasicCleaning c(f.shell());
        { Analysis a(c, false, true); }
        QCOMPARE(c.SystemCount, 3);
        QFile::remove(f.host("users/me/Temp/t1.tmp"));
        QFile::remove(f.host("users/me/Temp/t2.tmp"));
        { Analysis a(c, false, true); }
        QCOMPARE(c.SystemCount, 1);
        QCOMPARE(c.DeletionList.size(), 3);
        f.tempEntries(3); // the two come back after the analysis
        c.Clear(false, true);
        QVERIFY(!QFile::exists(f.host("users/me/Temp/t0.tmp")));
        QVERIFY(QFile::exists(f.host("users/me/Temp/t1.tmp")));
        QVERIFY(QFile::exists(f.host("users/me/Temp/t2.tmp")));
    }

    // More entries than the old fixed list held are all collected.
    void manyEntries()
    {
        Fixture f;
        f.tempEntries(1200);
        BasicCleaning c(f.shell());
        Analysis a(c, false, true);
        QCOMPARE(c.SystemCount, 1200);
        c.Clear(false, true);
        QCOMPARE(QDir(f.host("users/me/Temp")).entryList(QDir::Files).size(), 0);
    }

    // The names of the analysis stay put when the system box is unticked at the clean.
    void untickedSystemKeepsTheFiles()
    {
        Fixture f;
        f.tempEntries(2);
        f.cacheEntries(2);
        BasicCleaning c(f.shell());
        { Analysis a(c, true, true); }
        c.Clear(true, false);
        QVERIFY(f.shell().urlCacheEntries().isEmpty());
        QCOMPARE(QDir(f.host("users/me/Temp")).entryList(QDir::Files).size(), 2);
    }

    // Links inside the temporary folder go as links; what they point at survives, and the
    // listing never enters a linked folder.
    void linksAreRemovedNotFollowed()
    {
        Fixture f;
        QTemporaryDir outside;
        test::writeFile(outside.path() + "/precious.txt", "keep");
        test::writeFile(outside.path() + "/folder/inner.txt", "keep");
        QVERIFY(QFile::link(outside.path() + "/precious.txt", f.host("users/me/Temp/file-link")));
        QVERIFY(QFile::link(outside.path() + "/folder", f.host("users/me/Temp/folder-link")));
        f.file("users/me/Temp/a.tmp");
        BasicCleaning c(f.shell());
        Analysis a(c, false, true);
        QCOMPARE(a.listed.size(), 3); // the two links and a.tmp; nothing below folder-link
        c.Clear(false, true);
        QVERIFY(!QFileInfo(f.host("users/me/Temp/file-link")).isSymLink());
        QVERIFY(!QFileInfo::exists(f.host("users/me/Temp/folder-link")));
        QCOMPARE(test::readFile(outside.path() + "/precious.txt"), QByteArray("keep"));
        QCOMPARE(test::readFile(outside.path() + "/folder/inner.txt"), QByteArray("keep"));
    }

    // A folder listed by the analysis that has become a link before the clean is removed as a
    // link: the clean never reaches what it now points at.
    void folderBecomesLinkBeforeClean()
    {
        Fixture f;
        QTemporaryDir outside;
        test::writeFile(outside.path() + "/precious.txt", "keep");
        f.file("users/me/Temp/sub/b.tmp");
        BasicCleaning c(f.shell());
        { Analysis a(c, false, true); }
        QVERIFY(QDir(f.host("users/me/Temp/sub")).removeRecursively());
        QVERIFY(QFile::link(outside.path(), f.host("users/me/Temp/sub")));
        c.Clear(false, true);
        QVERIFY(!QFileInfo::exists(f.host("users/me/Temp/sub")) && !QFileInfo(f.host("users/me/Temp/sub")).isSymLink());
        QCOMPARE(test::readFile(outside.path() + "/precious.txt"), QByteArray("keep"));
    }

    // While the collecting pass runs, neither an analysis nor a clean starts.
    void noNewCommandWhilePassRuns()
    {
        Fixture f;
        f.tempEntries(300);
        BasicCleaning c(f.shell());
        QSignalSpy started(&c, &BasicCleaning::analysisStarted);
        QSignalSpy cleaned(&c, &BasicCleaning::cleaned);
        c.Scan(false, true);
        QVERIFY(c.busy()); // the collecting pass has only begun
        c.Scan(false, true);
        c.Clear(false, true);
        QCOMPARE(started.size(), 1);
        QCOMPARE(cleaned.size(), 0);
        c.waitUntilIdle();
        QCOMPARE(c.SystemCount, 300);
    }

    void systemPaths()
    {
        Fixture f;
        BasicCleaning c(f.shell());
        QCOMPARE(c.GetSystemPath(35), temp);
        QCOMPARE(c.GetSystemPath(36), QString("C:\\windows\\"));
        QCOMPARE(c.GetSystemPath(37), QString("C:\\windows\\system32\\"));
        QCOMPARE(c.GetSystemPath(38), QString("C:\\Program Files\\")); // no %ProgramFiles% on this machine
        QCOMPARE(c.GetSystemPath(43), QString("C:\\Program Files\\Common Files\\"));
        QCOMPARE(c.GetSystemPath(32), cache + "\\");
        QCOMPARE(c.GetSystemPath(99), QString());
    }

    // The page: an analysis fills the memo and the labels and enables the clean; the clean turns
    // itself off. An analysis with neither box still enables it and fills the progress bar.
    void page()
    {
        Fixture f;
        f.file("users/me/Temp/a.tmp");
        f.file("users/me/Temp/sub/b.tmp");
        f.cacheEntries(4);
        cleaning::BasicCleaningPage page(f.shell());
        QVERIFY(page.sCheckBox3->isChecked());
        page.sCheckBox1->setChecked(true); // as the main window's start-up does
        auto *analyse = page.findChild<QPushButton *>("sButton1");
        auto *clean = page.findChild<QPushButton *>("sButton2");
        QVERIFY(!clean->isEnabled());
        analyse->click();
        QTRY_VERIFY(!page.cleaning().busy());
        QTRY_VERIFY(clean->isEnabled());
        QCOMPARE(page.findChild<QPlainTextEdit *>("sMemo1")->toPlainText().split('\n').size(), 3);
        QCOMPARE(page.findChild<QLabel *>("sLabel4")->text(), QString("3"));
        QCOMPARE(page.findChild<QLabel *>("IESize")->text(), QString("4"));
        QCOMPARE(page.findChild<QLabel *>("STProv")->text(), QString("Очистка не требуется"));
        QCOMPARE(page.findChild<QProgressBar *>("sProgressBar1")->value(), 3);
        clean->click();
        QVERIFY(!clean->isEnabled());
        QVERIFY(!QFile::exists(f.host("users/me/Temp/a.tmp")));
        QVERIFY(f.shell().urlCacheEntries().isEmpty());

        page.sCheckBox1->setChecked(false);
        page.sCheckBox3->setChecked(false);
        analyse->click();
        QVERIFY(clean->isEnabled());
        QCOMPARE(page.findChild<QLabel *>("sLabel4")->text(), QString("3")); // as it was
        QCOMPARE(page.findChild<QProgressBar *>("sProgressBar1")->value(), 3);

        // A right click on the browser box ticks it.
        emit page.sCheckBox1->customContextMenuRequested({1, 1});
        QVERIFY(page.sCheckBox1->isChecked());
    }
};

QTEST_MAIN(TestBasicCleaning)
#include "tst_basic_cleaning.moc"
