#include "PathParts.h"

namespace tolvex::text {

namespace {
qsizetype lastDelimiter(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (path[i] == u'\\' || path[i] == u':')
            return i;
    return -1;
}
} // namespace

QString extractFileName(const QString &path) { return path.mid(lastDelimiter(path) + 1); }

QString extractFilePath(const QString &path) { return path.left(lastDelimiter(path) + 1); }

QString extractFileExt(const QString &path)
{
    const qsizetype delimiter = lastDelimiter(path);
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > delimiter ? path.mid(dot) : QString();
}

bool isDrivePath(const QString &path)
{
    if (path.size() < 3)
        return false;
    const QChar letter = path[0].toUpper();
    return letter >= u'A' && letter <= u'Z' && path[1] == u':' && path[2] == u'\\';
}

QString withTrailingBackslash(const QString &folder)
{
    return folder.endsWith(u'\\') ? folder : folder + u'\\';
}

} // namespace tolvex::text
