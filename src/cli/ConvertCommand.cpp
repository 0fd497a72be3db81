// "convert --out DIR FILE.mp3...": the converter page's list and convert press over the given
// files, all ticked. One line per file: the output path, a tab and the sample frames written.
//
// Declared for main.cpp: int runConvertCommand(CliContext &context);
#include "CliContext.h"

#include "AudioConverter.h"
#include "events/PendingEvents.h"
#include "shell/MachineShellServices.h"

#include <QFileInfo>

namespace tolvex::cli {

namespace {

constexpr char usage[] = "tolvex-cli convert --out DIR FILE.mp3...\n";

// A Windows path (C:\...) as it is; a host path made absolute, so that its name can be taken.
QString pathArgument(const QString &arg)
{
    if (arg.size() >= 3 && arg[0].isLetter() && arg.mid(1, 2) == u":\\") return arg;
    return QFileInfo(arg).absoluteFilePath();
}

} // namespace

int runConvertCommand(CliContext &c)
{
    QString out;
    QStringList files;
    for (int i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--out" && i + 1 < c.args.size()) {
            out = pathArgument(c.args[++i]);
        } else if (arg.startsWith(u"--")) {
            c.err << "Неизвестный параметр: " << arg << '\n' << usage;
            return 1;
        } else {
            files.append(pathArgument(arg));
        }
    }
    if (out.isEmpty() || files.isEmpty()) {
        c.err << usage;
        return 1;
    }

    platform::MachineShellServices shell(*c.machine);
    converter::AudioConverter converter(shell);
    converter.OutputFolder = out;
    int status = 0;
    for (const QString &file : files) {
        QString error;
        if (converter.AddFile(file, &error)) {
            converter.SetTicked(int(converter.rows().size()) - 1, true);
        } else {
            c.err << file << ": " << error << '\n';
            status = 1;
        }
    }
    QObject::connect(
        &converter, &converter::AudioConverter::fileDone, &converter,
        [&](const QString &input, const QString &output, bool success, quint64 frames, const QString &error) {
            // A host folder given on the command line is printed as a host path.
            c.out << (output.startsWith(u'/') ? shell.hostPath(output) : output) << '\t' << frames << '\n'
                  << Qt::flush;
            if (!success) {
                c.err << input << ": " << (error.isEmpty() ? QStringLiteral("no frame decoded") : error)
                      << '\n';
                status = 1;
            }
        });
    QObject::connect(&converter, &converter::AudioConverter::fileNotStarted, &converter,
                     [&](const QString &input, const QString &, const QString &reason) {
                         c.err << input << ": " << reason << '\n';
                         status = 1;
                     });
    converter.Convert();
    // The press returns once the last file has started; that one goes on.
    platform::runEventsUntil([&] { return !converter.ConversionBusy; });
    return status;
}

} // namespace tolvex::cli
