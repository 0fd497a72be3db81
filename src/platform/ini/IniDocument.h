#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tolvex::ini {

// An INI file in memory, with the rules of the Windows profile functions: sections and keys in
// the order of their first write, a key rewritten in place, names compared ignoring case, other
// lines kept as they were. Bytes are Windows-1251, or UTF-8 with a byte-order mark when a text
// has no Windows-1251 form; lines end in CR LF.
class IniDocument
{
public:
    static IniDocument parse(const QByteArray &bytes);
    QByteArray toBytes() const;

    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &fallback = {}) const;
    void setValue(const QString &section, const QString &key, const QString &value);
    void removeKey(const QString &section, const QString &key);
    void removeSection(const QString &section);

    QStringList sections() const;
    QStringList keys(const QString &section) const;

private:
    struct Line
    {
        QString key; // empty for a line that is not key=value
        QString value;
        QString raw;
    };
    struct Section
    {
        QString name;
        bool isPreamble = false;
        QList<Line> lines;
        // Case-folded key -> its first line, built on the first lookup, so that a file of many
        // keys is not read in quadratic time; dropped when lines are removed.
        mutable QHash<QString, qsizetype> keyLines;
        mutable bool indexed = false;
    };
    const Section *find(const QString &section) const;
    Section *find(const QString &section);
    // The line of `key` in `section`, -1 when it has none.
    static qsizetype lineOf(const Section &section, const QString &key);

    QList<Section> m_sections;
};

} // namespace tolvex::ini
