// The file scan component on a machine image: walk order, masks, sub-folders, links, runs that
// overlap or end early.
#include "ForwardingShell.h"
#include "TestMachine.h"

#include "TmFileScan.h"
#include "machine/Machine.h"
#include "shell/MachineShellServices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QPointer>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <memory>

using namespace tolvex;
using cleaning::TmFileScan;
using platform::FoundEntry;
using platform::ShellServices;

namespace {

// The machine's shell with a directory search order that no host gives by itself (names
// descending), so a scan that sorts, or reads the host folders itself, shows. Folders named in
// `unreadable` yield nothing, as the shell does for a folder it cannot read.
class OrderedShell final : public test::ForwardingShell
{
public:
    explicit OrderedShell(ShellServices &inner) : ForwardingShell(inner) {}

    QStringList unreadable;

    bool listedOnMainThread() const
    {
        QMutexLocker lock(&m_mutex);
        return m_listedOnMain;
    }

    QList<FoundEntry> listFolder(const QString &folder, const QString &mask, Detail detail) override
    {
        {
            QMutexLocker lock(&m_mutex);
            if (QThread::currentThread() == qApp->thread()) m_listedOnMain = true;
        }
        if (unreadable.contains(folder, Qt::CaseInsensitive)) return {};
        QList<FoundEntry> entries = ForwardingShell::listFolder(folder, mask, detail);
        std::sort(entries.begin(), entries.end(), [](const FoundEntry &a, const FoundEntry &b) {
            return a.name.compare(b.name, Qt::CaseInsensitive) > 0;
        });
        return entries;
    }

private:
    mutable QMutex m_mutex;
    bool m_listedOnMain = false;
};

// What the handlers of one component saw, in order: entries, then "ready".
struct Log
{
    QStringList events;
    QStringList searchResult;
    int readyCount = 0;
    bool busyInReady = true;
    bool abortedInReady = true;
    bool handlerOffMainThread = false;
    QSet<QObject *> senders;
    QPointer<QObject> worker;

    void attach(TmFileScan &scan)
    {
        scan.OnFileFound = [this](QObject *sender, const QString &fileName) {
            note(sender);
            events.append(fileName);
        };
        scan.OnReady = [this, &scan](QObject *sender, bool aborted, const QStringList &result) {
            note(sender);
            events.append(QStringLiteral("ready"));
            searchResult = result;
            ++readyCount;
            busyInReady = scan.busy();
            abortedInReady = aborted;
        };
    }
    void note(QObject *sender)
    {
        senders.insert(sender);
        worker = sender;
        if (QThread::currentThread() != qApp->thread()) handlerOffMainThread = true;
    }
    QStringList entries() const
    {
        QStringList list = events;
        list.removeAll(QStringLiteral("ready"));
        return list;
    }
};

} // namespace

class TestFileScan : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<platform::Machine> m_machine;
    std::unique_ptr<platform::MachineShellServices> m_machineShell;
    std::unique_ptr<OrderedShell> m_shell;

    // Waits for the end of the run and for its worker to free itself.
    void finish(const Log &log)
    {
        QTRY_COMPARE(log.readyCount, 1);
        QTRY_VERIFY(log.worker.isNull());
        QTest::qWait(20); // nothing may follow the end
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        test::writeMachine(m_dir.path(), {});
        const QString t = m_dir.path() + "/drive_c/T";
        test::writeFile(t + "/a.txt", "a");
        test::writeFile(t + "/b.ini", "b");
        test::writeFile(t + "/conf.ini/inner.txt", "folder named like a match");
        test::writeFile(t + "/sub/c.txt", "c");
        test::writeFile(t + "/sub/deep/x.ini", "x");
        test::writeFile(t + "/sub/deep/a.txt", "a");
        test::writeFile(m_dir.path() + "/outside/z.txt", "z");
        test::writeFile(m_dir.path() + "/outside/z.ini", "z");
        QVERIFY(QFile::link(m_dir.path() + "/outside", t + "/link"));
        for (int i = 0; i < 300; ++i)
            test::writeFile(m_dir.path() + QStringLiteral("/drive_c/Many/f%1.tmp").arg(i, 3, 10, QChar('0')),
                            "m");
        m_machine = platform::Machine::open(m_dir.path(), m_dir.path() + "/program");
        QVERIFY(m_machine);
        m_machineShell = std::make_unique<platform::MachineShellServices>(*m_machine);
        m_shell = std::make_unique<OrderedShell>(*m_machineShell);
    }

    void init() { m_shell->unreadable.clear(); }

    void walk_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<bool>("subDirs");
        QTest::addColumn<QStringList>("unreadable");
        QTest::addColumn<QStringList>("expected");

        // Listing order at every level is names descending (OrderedShell).
        const QStringList top = {"C:\\T\\sub", "C:\\T\\link", "C:\\T\\conf.ini", "C:\\T\\b.ini",
                                 "C:\\T\\a.txt"};
        const QStringList tree =
            top + QStringList{"C:\\T\\sub\\deep", "C:\\T\\sub\\c.txt", "C:\\T\\sub\\deep\\x.ini",
                              "C:\\T\\sub\\deep\\a.txt", "C:\\T\\conf.ini\\inner.txt"};
        const QStringList txt = {"C:\\T\\a.txt", "C:\\T\\sub\\c.txt", "C:\\T\\sub\\deep\\a.txt",
                                 "C:\\T\\conf.ini\\inner.txt"};

        QTest::newRow("whole tree, pre-order, link not entered")
            << QStringList{"C:\\T"} << QStringList{"*.*"} << true << QStringList() << tree;
        QTest::newRow("trailing backslash gives the same names")
            << QStringList{"C:\\T\\"} << QStringList{"*.*"} << true << QStringList() << tree;
        QTest::newRow("sub-folders off: folders reported, not entered")
            << QStringList{"C:\\T"} << QStringList{"*.*"} << false << QStringList() << top;
        QTest::newRow("*.ini through folders that do not match")
            << QStringList{"C:\\T"} << QStringList{"*.ini"} << true << QStringList()
            << QStringList{"C:\\T\\conf.ini", "C:\\T\\b.ini", "C:\\T\\sub\\deep\\x.ini"};
        QTest::newRow("two matching masks: twice, first mask's whole walk first")
            << QStringList{"C:\\T"} << QStringList{"*.*", "*.txt"} << true << QStringList() << tree + txt;
        QTest::newRow("paths outer, masks inner")
            << QStringList{"C:\\T\\sub", "C:\\T"} << QStringList{"*.ini", "*.txt"} << false << QStringList()
            << QStringList{"C:\\T\\sub\\c.txt", "C:\\T\\conf.ini", "C:\\T\\b.ini", "C:\\T\\a.txt"};
        QTest::newRow("entry under two paths: twice")
            << QStringList{"C:\\T\\sub", "C:\\T"} << QStringList{"*.txt"} << true << QStringList()
            << QStringList{"C:\\T\\sub\\c.txt", "C:\\T\\sub\\deep\\a.txt"} + txt;
        QTest::newRow("name without wildcards, other case")
            << QStringList{"C:\\T"} << QStringList{"A.TXT"} << true << QStringList()
            << QStringList{"C:\\T\\a.txt", "C:\\T\\sub\\deep\\a.txt"};
        QTest::newRow("link searched as a path is entered")
            << QStringList{"C:\\T\\link"} << QStringList{"*.ini"} << true << QStringList()
            << QStringList{"C:\\T\\link\\z.ini"};
        QTest::newRow("missing, unmapped and file paths: nothing, run goes on")
            << QStringList{"C:\\NoSuch", "Q:\\T", "C:\\T\\a.txt", "C:\\T\\sub\\deep"} << QStringList{"*"}
            << true << QStringList() << QStringList{"C:\\T\\sub\\deep\\x.ini", "C:\\T\\sub\\deep\\a.txt"};
        QTest::newRow("unreadable sub-folder: reported, walk goes on")
            << QStringList{"C:\\T"} << QStringList{"*.*"} << true << QStringList{"C:\\T\\sub\\"}
            << top + QStringList{"C:\\T\\conf.ini\\inner.txt"};
        QTest::newRow("no filters") << QStringList{"C:\\T"} << QStringList() << true << QStringList()
                                    << QStringList();
        QTest::newRow("no paths") << QStringList() << QStringList{"*.*"} << true << QStringList()
                                  << QStringList();
    }

    void walk()
    {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, filters);
        QFETCH(bool, subDirs);
        QFETCH(QStringList, unreadable);
        QFETCH(QStringList, expected);
        m_shell->unreadable = unreadable;

        TmFileScan scan(*m_shell);
        QVERIFY(scan.SubDirs);
        QVERIFY(!scan.busy());
        scan.Paths = paths;
        scan.Filters = filters;
        scan.SubDirs = subDirs;
        Log log;
        log.attach(scan);
        scan.Start();
        QVERIFY(scan.busy());
        finish(log);

        QCOMPARE(log.entries(), expected);
        QCOMPARE(log.events.last(), QStringLiteral("ready"));
        QCOMPARE(log.searchResult, expected);
        QVERIFY(!log.busyInReady);
        QVERIFY(!log.abortedInReady);
        QVERIFY(!scan.busy());
        QVERIFY(!log.handlerOffMainThread);
        QVERIFY(!m_shell->listedOnMainThread());
        QCOMPARE(log.senders.size(), 1);
        QVERIFY(!log.senders.contains(&scan));
    }

    // A Start during a run is ignored; the run works on the lists as they were when it began,
    // and a new run may be started from OnReady.
    void startWhileBusy()
    {
        TmFileScan scan(*m_shell);
        scan.SubDirs = false;
        scan.Paths = {"C:\\T\\sub"};
        scan.Filters = {"*.txt"};
        QStringList found;
        QList<QStringList> results;
        QStringList pathsAtFirstReady;
        scan.OnFileFound = [&](QObject *, const QString &fileName) { found.append(fileName); };
        scan.OnReady = [&](QObject *, bool, const QStringList &result) {
            results.append(result);
            if (results.size() == 1) {
                pathsAtFirstReady = scan.Paths;
                scan.Paths.removeFirst();
                scan.Start();
            }
        };
        scan.Start();
        scan.Paths.append("C:\\T");
        scan.Start();
        QVERIFY(scan.busy());
        QTRY_COMPARE(results.size(), 2);
        QTest::qWait(50);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0], QStringList{"C:\\T\\sub\\c.txt"});
        QCOMPARE(results[1], QStringList{"C:\\T\\a.txt"});
        QCOMPARE(found, results[0] + results[1]);
        QCOMPARE(pathsAtFirstReady, QStringList({"C:\\T\\sub", "C:\\T"}));
        QVERIFY(!scan.busy());
    }

    void freedByItsOwnReady()
    {
        auto *scan = new TmFileScan(*m_shell);
        scan->Paths = {"C:\\T"};
        scan->Filters = {"*.ini"};
        Log log;
        log.attach(*scan);
        auto ready = scan->OnReady;
        scan->OnReady = [&, scan](QObject *sender, bool aborted, const QStringList &result) {
            ready(sender, aborted, result);
            delete scan;
        };
        scan->Start();
        finish(log);
        QCOMPARE(log.entries().size(), 3);
    }

    // No OnReady for a run whose component is destroyed, nothing reported afterwards, and the
    // worker is gone, wherever the destruction comes from.
    void destroyedMidScan_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("its OnFileFound handler") << "handler";
        QTest::newRow("the main thread while the worker waits") << "outside";
        QTest::newRow("its owner") << "owner";
    }

    void destroyedMidScan()
    {
        QFETCH(QString, from);
        auto *owner = new QObject;
        QPointer<TmFileScan> scan = new TmFileScan(*m_shell, owner);
        scan->Paths = {"C:\\Many"};
        scan->Filters = {"*.tmp"};
        Log log;
        log.attach(*scan);
        const int stopAfter = 5;
        if (from == "handler") {
            auto found = scan->OnFileFound;
            scan->OnFileFound = [&, found](QObject *sender, const QString &fileName) {
                found(sender, fileName);
                if (log.events.size() == stopAfter) delete scan.data();
            };
        }
        scan->Start();
        if (from == "handler") {
            QTRY_COMPARE(log.events.size(), stopAfter);
        } else {
            // One pass of the event loop lets about one hand-off through.
            QElapsedTimer timer;
            timer.start();
            while (log.events.size() < stopAfter && timer.elapsed() < 5000)
                QCoreApplication::processEvents();
            QVERIFY(log.events.size() >= stopAfter);
            QThread::msleep(50); // the worker is now blocked on its next hand-off
            if (from == "owner")
                delete owner;
            else
                delete scan.data();
            QVERIFY(log.worker.isNull());
        }
        QVERIFY(scan.isNull());
        const int reported = log.events.size();
        QTRY_VERIFY(log.worker.isNull());
        QTest::qWait(50);
        QCOMPARE(log.events.size(), reported);
        QVERIFY(reported < 300);
        QCOMPARE(log.readyCount, 0);
        if (from != "owner") delete owner;
    }
};

QTEST_GUILESS_MAIN(TestFileScan)
#include "tst_file_scan.moc"
