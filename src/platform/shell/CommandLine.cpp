#include "CommandLine.h"

namespace tolvex::platform {

QStringList splitCommandLine(const QString &commandLine)
{
    QStringList args;
    QString current;
    bool inQuotes = false, haveArg = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine[i];
        if (c == u'\\') {
            qsizetype count = 0;
            while (i < n && commandLine[i] == u'\\') {
                ++count;
                ++i;
            }
            if (i < n && commandLine[i] == u'"') {
                current += QString(count / 2, u'\\');
                if (count % 2) {
                    current += u'"';
                } else {
                    inQuotes = !inQuotes;
                }
            } else {
                current += QString(count, u'\\');
                --i;
            }
            haveArg = true;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
            haveArg = true;
        } else if ((c == u' ' || c == u'\t') && !inQuotes) {
            if (haveArg)
                args.append(current);
            current.clear();
            haveArg = false;
        } else {
            current += c;
            haveArg = true;
        }
    }
    if (haveArg)
        args.append(current);
    return args;
}

QStringList programAndArguments(const QString &commandLine, const std::function<bool(const QString &)> &isFile)
{
    const QString line = commandLine.trimmed();
    if (!line.startsWith(u'"') && line.contains(u' ')) {
        for (qsizetype end = line.indexOf(u' '); end > 0;) {
            const QString head = line.left(end);
            for (const QString &program : {head, head + QStringLiteral(".exe")})
                if (isFile(program))
                    return QStringList{program} + splitCommandLine(line.mid(end + 1));
            if (end == line.size())
                break;
            const qsizetype next = line.indexOf(u' ', end + 1);
            end = next < 0 ? line.size() : next;
        }
    }
    return splitCommandLine(line);
}

} // namespace tolvex::platform
