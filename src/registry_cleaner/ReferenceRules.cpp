#include "ReferenceRules.h"

#include "text/PathParts.h"

namespace tolvex::registry_cleaner {

namespace {

void cutAt(QString &text, QChar c)
{
    const qsizetype at = text.indexOf(c);
    if (at >= 0)
        text.truncate(at);
}

} // namespace

QString StripExtension(const QString &name)
{
    const QString ext = text::extractFileExt(name);
    return ext.isEmpty() ? name : name.left(name.indexOf(ext));
}

bool ExtractReferencedFile(const QString &t, QString &path)
{
    QString name = text::extractFileName(t);
    QString ext = text::extractFileExt(t);
    for (const QChar c : {u' ', u'!', u','})
        cutAt(ext, c);
    for (const QChar c : {u'^', u'%'})
        cutAt(name, c);

    QString rest = t;
    if (const qsizetype first = rest.indexOf(QStringLiteral(":\\")); first >= 0)
        rest.remove(first, 2);
    const bool unusable = rest.contains(QStringLiteral(":\\")) || t.contains(u'|') || t.contains(u'=') ||
                          t.contains(u'*') || name.contains(u'/') || name.contains(u'\\') || name.contains(u'"');
    if (t.size() <= 3 || t[1] != u':' || t[2] != u'\\' || unusable || name.isEmpty() || ext.isEmpty())
        return false;
    const QString folder = text::extractFilePath(t);
    path = t.endsWith(u'.') ? folder + name : folder + StripExtension(name) + ext;
    return true;
}

} // namespace tolvex::registry_cleaner
