// Wall time from process start to exit for tolvex and for an empty Qt window, both run with
// TOLVEX_EXIT_WHEN_SHOWN=1 so that each ends once its window is shown. Runs alternate, so that a
// slow moment of the machine weighs on both alike. The platform is whatever the environment
// says (QT_QPA_PLATFORM, DISPLAY).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double runOnce(const QString &program)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TOLVEX_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "startup_bench: %s did not end cleanly: %s\n", qPrintable(program),
                     qPrintable(process.errorString()));
        std::exit(1);
    }
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: startup_bench <tolvex> <empty_window> [runs]\n");
        return 2;
    }
    const QString tolvex = args[1], empty = args[2];
    const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 15;

    // One unmeasured run each, so that both start from a warm file cache.
    runOnce(tolvex);
    runOnce(empty);
    std::vector<double> tolvexTimes, emptyTimes;
    for (int i = 0; i < runs; ++i) {
        tolvexTimes.push_back(runOnce(tolvex));
        emptyTimes.push_back(runOnce(empty));
    }

    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("default"));
    const double t = median(tolvexTimes), e = median(emptyTimes);
    std::printf("Start-up until the first window is shown, %d runs each, platform %s\n", runs,
                qPrintable(platform));
    std::printf("  %-14s median %8.1f ms   (min %.1f, max %.1f)\n", "empty window", e,
                *std::min_element(emptyTimes.begin(), emptyTimes.end()),
                *std::max_element(emptyTimes.begin(), emptyTimes.end()));
    std::printf("  %-14s median %8.1f ms   (min %.1f, max %.1f)\n", "tolvex", t,
                *std::min_element(tolvexTimes.begin(), tolvexTimes.end()),
                *std::max_element(tolvexTimes.begin(), tolvexTimes.end()));
    std::printf("  ratio tolvex/empty: %.2f\n", t / e);
    return 0;
}
