// The duplicate finder beside jdupes, rdfind and fdupes on one generated tree: 50 000 files in
// 5 000 duplicate groups and many unique files, sizes spread log-uniformly from 512 bytes to
// 128 KB. Each tool runs warm, alternating, three times; wall time and peak memory are medians.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Tool
{
    const char *name;
    QString program;
    QStringList args;
    std::vector<double> seconds, megabytes;
};

// /usr/bin/time -f "%e %M": wall seconds and peak resident kilobytes.
bool measure(Tool &tool)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start("/usr/bin/time", QStringList{"-f", "%e %M", tool.program} + tool.args);
    p.waitForFinished(-1);
    const QList<QByteArray> lines = p.readAllStandardError().trimmed().split('\n');
    const QList<QByteArray> figures = lines.last().split(' ');
    if (figures.size() != 2)
        return false;
    tool.seconds.push_back(figures[0].toDouble());
    tool.megabytes.push_back(figures[1].toDouble() / 1024);
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "dups_bench TOLVEX-CLI WORK-FOLDER\n");
        return 1;
    }
    const QString machine = QString::fromLocal8Bit(argv[2]) + "/machine";
    const QString tree = machine + "/drive_c/tree";
    QDir().mkpath(machine + "/dosdevices");
    QFile::link("../drive_c", machine + "/dosdevices/c:");
    for (const char *hive : {"/system.reg", "/user.reg", "/userdef.reg"}) {
        QFile f(machine + hive);
        f.open(QIODevice::WriteOnly);
        f.write("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n");
    }

    QRandomGenerator random(20261210);
    auto logSize = [&] { return int(std::exp(std::log(512.0) + random.generateDouble() * std::log(256.0))); };
    auto content = [&](int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
        return bytes;
    };
    int n = 0;
    qint64 total = 0;
    auto place = [&](const QByteArray &bytes) {
        const QString folder = QString("%1/d%2/e%3").arg(tree).arg(n % 50).arg((n / 50) % 20);
        if (n % 1000 < 1)
            QDir().mkpath(folder);
        QDir().mkpath(folder);
        QFile f(QString("%1/f%2.dat").arg(folder).arg(n++));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        total += bytes.size();
    };
    std::vector<int> groupSizes;
    for (int g = 0; g < 5000; ++g) {
        const int size = logSize();
        groupSizes.push_back(size);
        const QByteArray bytes = content(size);
        place(bytes);
        place(bytes);
    }
    // Unique files: half of them the size of some group, so that size alone decides nothing.
    for (int u = 0; u < 40000; ++u)
        place(content(u % 2 ? groupSizes[size_t(random.bounded(5000))] : logSize()));
    std::printf("Tree: %d files, 5000 groups of two, %.2f GB\n", n, total / 1e9);

    const QString windowsTree = QStringLiteral("C:\\tree");
    std::vector<Tool> tools{
        {"tolvex-cli dups --size --content", QString::fromLocal8Bit(argv[1]),
         {"--machine", machine, "dups", "--size", "--content", windowsTree}, {}, {}},
        {"jdupes -r", "jdupes", {"-r", "-q", tree}, {}, {}},
        {"rdfind", "rdfind", {"-makeresultsfile", "false", "-dryrun", "true", tree}, {}, {}},
        {"fdupes -r", "fdupes", {"-r", "-q", tree}, {}, {}},
    };
    for (Tool &tool : tools)
        measure(tool); // warm the caches
    for (int run = 0; run < 3; ++run)
        for (Tool &tool : tools)
            if (!measure(tool))
                std::fprintf(stderr, "%s did not run\n", tool.name);
    double fastestPeer = 1e9;
    for (size_t i = 1; i < tools.size(); ++i)
        if (!tools[i].seconds.empty())
            fastestPeer = std::min(fastestPeer, median(tools[i].seconds));
    for (const Tool &tool : tools) {
        if (tool.seconds.empty())
            continue;
        std::printf("%-34s %7.2f s  peak %6.1f MB  ratio to the fastest peer %.2f\n", tool.name, median(tool.seconds),
                    median(tool.megabytes), median(tool.seconds) / fastestPeer);
    }
    return 0;
}
