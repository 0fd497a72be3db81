#include "IniDocument.h"

#include "text/TextCodec.h"

namespace tolvex::ini {

namespace {

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// A value as it is written: in double quotes when reading it back would otherwise lose its outer
// spaces or its own enclosing quotes.
QString stored(const QString &value)
{
    if (value.trimmed() != value || unquoted(value) != value)
        return u'"' + value + u'"';
    return value;
}

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    const QString text = text::decodeAnsiFile(bytes);
    Section *current = nullptr;
    for (QStringView rawLine : QStringView(text).split(u'\n')) {
        if (rawLine.endsWith(u'\r'))
            rawLine.chop(1);
        const QString trimmed = rawLine.trimmed().toString();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            Section section;
            section.name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            doc.m_sections.append(section);
            current = &doc.m_sections.last();
            continue;
        }
        if (!current) {
            if (trimmed.isEmpty())
                continue;
            Section preamble;
            preamble.isPreamble = true;
            doc.m_sections.append(preamble);
            current = &doc.m_sections.last();
        }
        Line line;
        line.raw = rawLine.toString();
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq > 0 && !trimmed.startsWith(u';') && !current->isPreamble) {
            line.key = trimmed.left(eq).trimmed();
            line.value = trimmed.mid(eq + 1).trimmed();
        }
        current->lines.append(line);
    }
    // Empty lines at the end of the file are its last line end, not content.
    if (!doc.m_sections.isEmpty()) {
        QList<Line> &lines = doc.m_sections.last().lines;
        while (!lines.isEmpty() && lines.last().key.isEmpty() && lines.last().raw.trimmed().isEmpty())
            lines.removeLast();
    }
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    QString text;
    for (const Section &section : m_sections) {
        if (!section.isPreamble)
            text += u'[' + section.name + QStringLiteral("]\r\n");
        for (const Line &line : section.lines)
            text += (line.key.isEmpty() ? line.raw : line.key + u'=' + line.value) + QStringLiteral("\r\n");
    }
    return text::encodeAnsiFile(text);
}

const IniDocument::Section *IniDocument::find(const QString &section) const
{
    for (const Section &s : m_sections)
        if (!s.isPreamble && sameName(s.name, section))
            return &s;
    return nullptr;
}

IniDocument::Section *IniDocument::find(const QString &section)
{
    return const_cast<Section *>(std::as_const(*this).find(section));
}

qsizetype IniDocument::lineOf(const Section &section, const QString &key)
{
    if (!section.indexed) {
        section.keyLines.clear();
        for (qsizetype i = 0; i < section.lines.size(); ++i) {
            if (section.lines[i].key.isEmpty())
                continue;
            const QString folded = section.lines[i].key.toCaseFolded();
            if (!section.keyLines.contains(folded)) // the first one wins
                section.keyLines.insert(folded, i);
        }
        section.indexed = true;
    }
    return section.keyLines.value(key.toCaseFolded(), -1);
}

bool IniDocument::contains(const QString &section, const QString &key) const
{
    const Section *s = find(section);
    return s && lineOf(*s, key) >= 0;
}

QString IniDocument::value(const QString &section, const QString &key, const QString &fallback) const
{
    const Section *s = find(section);
    const qsizetype line = s ? lineOf(*s, key) : -1;
    return line >= 0 ? unquoted(s->lines[line].value) : fallback;
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    Section *s = find(section);
    if (!s) {
        Section added;
        added.name = section;
        m_sections.append(added);
        s = &m_sections.last();
    }
    if (const qsizetype line = lineOf(*s, key); line >= 0) {
        s->lines[line].value = stored(value);
        return;
    }
    // New keys go after the section's last key, before any blank lines that close it; so no
    // key's line moves.
    qsizetype at = s->lines.size();
    while (at > 0 && s->lines[at - 1].key.isEmpty() && s->lines[at - 1].raw.trimmed().isEmpty())
        --at;
    s->lines.insert(at, Line{key, stored(value), {}});
    s->keyLines.insert(key.toCaseFolded(), at);
}

void IniDocument::removeKey(const QString &section, const QString &key)
{
    if (Section *s = find(section)) {
        s->lines.removeIf([&](const Line &line) { return !line.key.isEmpty() && sameName(line.key, key); });
        s->indexed = false;
    }
}

void IniDocument::removeSection(const QString &section)
{
    m_sections.removeIf([&](const Section &s) { return !s.isPreamble && sameName(s.name, section); });
}

QStringList IniDocument::sections() const
{
    QStringList names;
    for (const Section &s : m_sections)
        if (!s.isPreamble)
            names.append(s.name);
    return names;
}

QStringList IniDocument::keys(const QString &section) const
{
    QStringList names;
    if (const Section *s = find(section))
        for (const Line &line : s->lines)
            if (!line.key.isEmpty())
                names.append(line.key);
    return names;
}

} // namespace tolvex::ini
