// Helpers of convert-bench.sh:
//   convert_bench signal OUT.wav SECONDS   a stereo 44100 Hz signal to encode: chords that move,
//                                          with a little noise, so that the encoder works as on music
//   convert_bench [--machine DIR] convert --out DIR FILE...
//                                          tolvex-cli's convert command in this process, for trees
//                                          whose tolvex-cli has no convert command yet
#include "CliContext.h"
#include "WavWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cmath>
#include <random>
#include <vector>

namespace tolvex::cli {
int runConvertCommand(CliContext &context);
}

using namespace tolvex;

namespace {

int writeSignal(const QString &path, int seconds)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    converter::WavWriter writer(file);
    constexpr int rate = 44100;
    const qint64 frames = qint64(seconds) * rate;
    writer.writeHeader(rate, 2, quint64(frames) * 4);
    std::mt19937 random(12345);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::vector<qint16> block;
    const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37};
    for (qint64 start = 0; start < frames; start += rate) {
        block.clear();
        const qint64 end = std::min(frames, start + rate);
        const double shift = std::pow(2.0, double((start / rate) % 12) / 12.0);
        for (qint64 i = start; i < end; ++i) {
            const double t = double(i) / rate;
            double left = 0, right = 0;
            for (int n = 0; n < 5; ++n) {
                const double tone = std::sin(2 * M_PI * notes[n] * shift * t);
                left += tone * (n % 2 ? 1500 : 2500);
                right += tone * (n % 2 ? 2500 : 1500);
            }
            block.push_back(qint16(std::clamp(left + noise(random), -32768.0, 32767.0)));
            block.push_back(qint16(std::clamp(right + noise(random), -32768.0, 32767.0)));
        }
        if (!writer.writeSamples(block.data(), qsizetype(block.size()))) return 1;
    }
    return writer.finish() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == u"signal") return writeSignal(args[1], args[2].toInt());
    QString folder;
    if (args.size() >= 2 && args[0] == u"--machine") {
        folder = args[1];
        args = args.mid(2);
    }
    if (args.isEmpty() || args[0] != u"convert") {
        fprintf(stderr, "convert_bench signal OUT.wav SECONDS | [--machine DIR] convert --out DIR FILE...\n");
        return 1;
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty()) folder = platform::Machine::chooseFolder(programFolder);
    QTextStream out(stdout), err(stderr);
    cli::CliContext context{platform::Machine::open(folder, programFolder), args.mid(1), out, err};
    const int status = cli::runConvertCommand(context);
    out.flush();
    err.flush();
    return status;
}
