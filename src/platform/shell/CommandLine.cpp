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

} // namespace tolvex::platform
