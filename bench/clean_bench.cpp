// Advanced cleaning's search beside find(1): a generated tree of 100 000 files in 5 000 folders,
// `tolvex-cli find --filter '*.tmp'` against `find DIR -iname '*.tmp'`, medians of several warm
// runs each, alternating. Then the page's search of the same tree in this process, with a timer
// that measures how long the window goes without handling events.
#include "AdvancedCleaningPage.h"
#include "machine/Machine.h"
#include "shell/MachineShellServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int topFolders = 50, subFolders = 99, filesPerFolder = 20; // 50 + 50 * 99 = 5000 folders

int makeTree(const QString &root)
{
    int tmp = 0, n = 0;
    auto fill = [&](const QString &folder) {
        QDir().mkpath(folder);
        for (int f = 0; f < filesPerFolder; ++f, ++n) {
            QString name = QString("file%1").arg(n, 6, 10, QChar('0'));
            if (n % 20 == 0) {
                name += n % 40 == 0 ? ".tmp" : ".TMP";
                ++tmp;
            } else {
                name += n % 3 ? ".dat" : ".txt";
            }
            QFile file(folder + '/' + name);
            file.open(QIODevice::WriteOnly);
            file.write("x");
        }
    };
    for (int t = 0; t < topFolders; ++t) {
        const QString top = QString("%1/dir%2").arg(root).arg(t, 2, 10, QChar('0'));
        fill(top);
        for (int s = 0; s < subFolders; ++s)
            fill(QString("%1/sub%2").arg(top).arg(s, 2, 10, QChar('0')));
    }
    return tmp;
}

struct Timed
{
    double ms;
    int lines;
};

Timed run(const QString &program, const QStringList &args)
{
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    p.waitForFinished(-1);
    const double ms = clock.nsecsElapsed() / 1e6;
    return {ms, int(p.readAllStandardOutput().count('\n'))};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "clean_bench TOLVEX-CLI WORK-FOLDER\n");
        return 1;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const QString machine = QString::fromLocal8Bit(argv[2]) + "/machine";
    QDir().mkpath(machine + "/dosdevices");
    QFile::link("../drive_c", machine + "/dosdevices/c:");
    for (const char *hive : {"system.reg", "user.reg", "userdef.reg"}) {
        QFile f(machine + '/' + hive);
        f.open(QIODevice::WriteOnly);
        f.write("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n");
    }
    const QString tree = machine + "/drive_c/tree";
    QElapsedTimer made;
    made.start();
    const int tmpFiles = makeTree(tree);
    std::printf("Tree: %d files in %d folders, %d of them *.tmp in either case (made in %.1f s)\n",
                topFolders * (subFolders + 1) * filesPerFolder, topFolders * (subFolders + 1), tmpFiles,
                made.elapsed() / 1000.0);

    const QStringList findArgs{tree, "-iname", "*.tmp"};
    const QStringList tolvexArgs{"--machine", machine, "find", "--filter", "*.tmp", "C:\\tree"};
    run("find", findArgs); // warm the caches
    run(cli, tolvexArgs);
    std::vector<double> findMs, tolvexMs;
    int findLines = 0, tolvexLines = 0;
    for (int i = 0; i < 9; ++i) {
        const Timed f = run("find", findArgs);
        const Timed t = run(cli, tolvexArgs);
        findMs.push_back(f.ms);
        tolvexMs.push_back(t.ms);
        findLines = f.lines;
        tolvexLines = t.lines;
    }
    std::printf("find DIR -iname '*.tmp':             %7.1f ms (min %.1f), %d files\n", median(findMs),
                *std::min_element(findMs.begin(), findMs.end()), findLines);
    std::printf("tolvex-cli find --filter '*.tmp':    %7.1f ms (min %.1f), %d files\n", median(tolvexMs),
                *std::min_element(tolvexMs.begin(), tolvexMs.end()), tolvexLines);
    std::printf("ratio tolvex-cli / find:             %7.2f\n", median(tolvexMs) / median(findMs));

    // The page's search: events must be handled at least every 100 ms.
    auto opened = tolvex::platform::Machine::open(machine, QString::fromLocal8Bit(argv[2]));
    tolvex::platform::MachineShellServices shell(*opened);
    tolvex::advanced_cleaning::AdvancedCleaningPage page(shell);
    page.settings().paths = {{"C:\\tree\\", true}};
    page.settings().filters = {{"*.tmp", {}, true}};
    page.show();
    QElapsedTimer sinceTick;
    qint64 worstGap = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (ticks++)
            worstGap = std::max(worstGap, sinceTick.elapsed());
        sinceTick.restart();
    });
    QTimer::singleShot(0, [&] {
        timer.start();
        sinceTick.start();
        QElapsedTimer searching;
        searching.start();
        page.SpeedButton1Click();
        timer.stop();
        std::printf("Page search: %.1f ms, %d rows; longest time without handling events %lld ms (%d timer ticks)\n",
                    searching.nsecsElapsed() / 1e6, page.ListView4->topLevelItemCount(), worstGap, ticks);
        app.quit();
    });
    return app.exec();
}
