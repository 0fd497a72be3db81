// Cleaning on a real Wine prefix: the drives a search starts with, the temporary folder, and the
// user folders that are links into the home folder.
#include "CliRun.h"
#include "ProgramSession.h"
#include "TestMachine.h"
#include "WineTools.h"

#include "AdvancedCleaningPage.h"
#include "BasicCleaning.h"
#include "ProSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;

class TestWineCleaning : public QObject
{
    Q_OBJECT

private slots:
    // Z: is the host's root: a shared folder, never searched from the start.
    void startupSearchPaths()
    {
        QTemporaryDir program;
        test::ProgramSession session(test::freshPrefix(), program.path());
        QCOMPARE(session.shell->driveType("C:\\"), 3);
        QCOMPARE(session.shell->driveType("Z:\\"), 4);
        advanced_cleaning::ProSettings settings;
        settings.GetDrives(*session.shell);
        QCOMPARE(settings.tickedPaths(), QStringList{"C:\\"});
    }

    void temporaryFolder()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(QProcess::execute("cp", {"-a", test::freshPrefix(), prefix}) == 0);
        test::ProgramSession session(prefix, dir.path() + "/program");
        cleaning::BasicCleaning cleaning(*session.shell);
        const QString temp = cleaning.GetSystemPath(35);
        QVERIFY2(temp.startsWith("C:\\users\\", Qt::CaseInsensitive) && temp.endsWith("\\Temp\\"), qPrintable(temp));
        const QString host = session.shell->hostPath(temp);
        QVERIFY(QDir().mkpath(host));
        test::writeFile(host + "/junk.tmp", "x");
        test::writeFile(host + "/setup/part.tmp", "x");
        cleaning.Scan(false, true);
        cleaning.waitUntilIdle();
        QVERIFY(cleaning.collected().contains(temp + "junk.tmp"));
        cleaning.Clear(false, true);
        QVERIFY(!QFile::exists(host + "/junk.tmp"));
        QVERIFY(!QFile::exists(host + "/setup"));
    }

    // Desktop, Documents, Music and the other user folders of a prefix are links into the home
    // folder. A search for every file lists none of them, and "Удалить все" after it leaves each
    // link, and what it leads to, as it was; a link to a file goes as a link.
    void userFolderLinksStay()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(test::copyPrefix(prefix));
        QStringList users = QDir(prefix + "/drive_c/users").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        users.removeAll("Public");
        QCOMPARE(users.size(), 1);
        const QString home = prefix + "/drive_c/users/" + users.first();
        const QString windowsHome = "C:\\users\\" + users.first();
        auto windowsPath = [&](const QString &host) {
            return windowsHome + QString(host).mid(home.size()).replace('/', '\\');
        };

        // The copy's links lead into the real home: before anything runs, each is pointed at a
        // folder of this test, so that nothing of the home is ever at stake.
        const QString targets = dir.path() + "/targets";
        QHash<QString, QString> links; // link -> its target
        QDirIterator it(home, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            if (const QString link = it.next(); it.fileInfo().isSymLink())
                links.insert(link, targets + '/' + QString(link).mid(home.size() + 1).replace('/', '_'));
        QVERIFY(!links.isEmpty());
        for (auto l = links.cbegin(); l != links.cend(); ++l) {
            test::writeFile(l.value() + "/mine.txt", l.key().toUtf8());
            QVERIFY(QFile::remove(l.key()));
            QVERIFY(QFile::link(l.value(), l.key()));
        }
        QDirIterator check(home, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
        while (check.hasNext())
            if (const QString entry = check.next(); check.fileInfo().isSymLink())
                QVERIFY2(check.fileInfo().symLinkTarget().startsWith(targets + '/'), qPrintable(entry));
        test::writeFile(home + "/junk.tmp", "junk");
        test::writeFile(targets + "/note.txt", "note");
        QVERIFY(QFile::link(targets + "/note.txt", home + "/note.txt"));
        // Whatever else Wine keeps there, the file and the link to a file are found, no link to a folder.
        auto checkFound = [&](const QStringList &listed) {
            QVERIFY2(listed.contains(windowsHome + "\\junk.tmp"), qPrintable(listed.join(' ')));
            QVERIFY2(listed.contains(windowsHome + "\\note.txt"), qPrintable(listed.join(' ')));
            for (const QString &link : links.keys())
                QVERIFY2(!listed.contains(windowsPath(link)), qPrintable(windowsPath(link)));
        };

        const test::Run run = test::cli(prefix, {"find", "--filter", "*", windowsHome});
        QCOMPARE(run.status, 0);
        QStringList listed;
        for (const QString &line : run.out.split('\n', Qt::SkipEmptyParts))
            listed << line.section('\t', 0, 0);
        checkFound(listed);

        test::ProgramSession session(prefix, dir.path() + "/program");
        advanced_cleaning::AdvancedCleaningPage page(*session.shell);
        page.settings().paths = {{windowsHome + "\\", true}};
        page.settings().filters = {{"*", {}, true}};
        page.SpeedButton1Click();
        listed.clear();
        for (int i = 0; i < page.ListView4->topLevelItemCount(); ++i)
            listed << page.ListView4->topLevelItem(i)->text(0);
        checkFound(listed);
        page.TabbedNotebook1Change(3);
        page.SpeedButton6Click();

        for (auto l = links.cbegin(); l != links.cend(); ++l) {
            QVERIFY2(QFileInfo(l.key()).isSymLink(), qPrintable(windowsPath(l.key())));
            QCOMPARE(QFileInfo(l.key()).symLinkTarget(), l.value());
            QCOMPARE(test::readFile(l.value() + "/mine.txt"), l.key().toUtf8());
        }
        QVERIFY(!QFileInfo::exists(home + "/junk.tmp"));
        QVERIFY(!QFileInfo(home + "/note.txt").isSymLink());
        QCOMPARE(test::readFile(targets + "/note.txt"), QByteArray("note"));
    }
};

QTEST_MAIN(TestWineCleaning)
#include "tst_wine_cleaning.moc"
