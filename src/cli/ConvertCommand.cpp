// "convert --out DIR FILE.mp3...": the converter page's list and convert press over the given
// files, all ticked. One line per file: the output path, a tab and the sample frames written.
// "convert --list FILE.mp3...": the list alone, one row a line: the file's path as the page keeps
// it, its title and its album, tab-separated.
//
// Declared for main.cpp: int runConvertCommand(CliContext &context);
#include "CliContext.h"

#include "AudioConverter.h"
#include "events/PendingEvents.h"
#include "shell/MachineShellServices.h"
#include "text/PathParts.h"

#include <QFileInfo>

namespace tolvex::cli {

namespace {

constexpr char usage[] = "tolvex-cli convert --out DIR FILE.mp3...\n"
                         "tolvex-cli convert --list FILE.mp3...\n";

// A Windows path (C:\...) as it is; a host path made absolute, so that its name can be taken.
QString pathArgument(const QString &arg)
{
    return text::isDrivePath(arg) ? arg : QFileInfo(arg).absoluteFilePath();
}

} // namespace

int runConvertCommand(CliContext &c)
{
    QString out;
    QStringList files;
    bool list = false;
    for (qsizetype i = 0; i < c.args.size(); ++i) {
        const QString &arg = c.args[i];
        if (arg == u"--list") {
            list = true;
        } else if (arg == u"--out") {
            const std::optional<QString> value = switchValue(c.args, i);
            if (!value)
                return badCall(c.err, missingValue(arg), usage);
            out = pathArgument(*value);
        } else if (arg.startsWith(u"--")) {
            return badCall(c.err, unknownSwitch(arg), usage);
        } else {
            files.append(pathArgument(arg));
        }
    }
    if (list && !out.isEmpty())
        return badCall(c.err, QStringLiteral("--list только показывает список и не сочетается с --out."),
                       usage);
    if (!list && out.isEmpty())
        return badCall(c.err, QStringLiteral("Не указана папка для WAV-файлов (--out)."), usage);
    if (files.isEmpty())
        return badCall(c.err, QStringLiteral("Не указаны MP3-файлы."), usage);

    platform::MachineShellServices shell(*c.machine);
    if (!list && !shell.folderExists(out))
        return badCall(c.err, QStringLiteral("Папка %1 не найдена.").arg(out), usage);
    converter::AudioConverter converter(shell);
    converter.OutputFolder = out;
    // Every file is looked at before the first is converted: a call naming one that is no MP3
    // writes nothing.
    for (const QString &file : files) {
        // The page keeps the Windows path of a host file it was handed.
        const QString path = list && file.startsWith(u'/') ? c.machine->windowsPath(file) : file;
        if (!shell.fileExists(path))
            return badCall(c.err, QStringLiteral("Файл %1 не найден.").arg(file), usage);
        QString error;
        if (!converter.AddFile(path, &error))
            return badCall(c.err, QStringLiteral("%1 не является MP3-файлом: %2").arg(file, error), usage);
        converter.SetTicked(int(converter.rows().size()) - 1, true);
    }
    if (list) {
        for (const converter::ConverterRow &row : converter.rows())
            c.out << row.FilePath << '\t' << row.Title << '\t' << row.Album << '\n';
        return 0;
    }
    int status = 0;
    QObject::connect(
        &converter, &converter::AudioConverter::fileDone, &converter,
        [&](const QString &input, const QString &output, bool success, quint64 frames, const QString &error) {
            c.out << shownPath(shell, output) << '\t' << frames << '\n'
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
