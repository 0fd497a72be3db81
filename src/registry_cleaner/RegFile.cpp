#include "RegFile.h"

#include <QStringDecoder>

namespace tolvex::registry_cleaner {

namespace {

const QString header = QStringLiteral("Windows Registry Editor Version 5.00");

// A text that a quoted string cannot hold on one line goes as REG_SZ bytes, which regedit reads
// back as the same text.
bool needsHex(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

QString hexOf(const QString &text)
{
    QStringList bytes;
    for (const QChar c : text + QChar(0)) {
        bytes << QString::asprintf("%02x", c.unicode() & 0xff) << QString::asprintf("%02x", c.unicode() >> 8);
    }
    return QStringLiteral("hex(1):") + bytes.join(u',');
}

// A quoted string starting at `at` ('"'); its text and the index after the closing quote.
bool readQuoted(QStringView line, qsizetype &at, QString &text)
{
    if (at >= line.size() || line[at] != u'"')
        return false;
    text.clear();
    for (++at; at < line.size(); ++at) {
        const QChar c = line[at];
        if (c == u'"') {
            ++at;
            return true;
        }
        if (c == u'\\') {
            if (++at >= line.size())
                return false;
            text += line[at];
        } else {
            text += c;
        }
    }
    return false;
}

bool readHexText(QStringView data, QString &text)
{
    QByteArray bytes;
    for (QStringView part : data.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint b = part.trimmed().toUInt(&ok, 16);
        if (!ok || b > 0xff)
            return false;
        bytes.append(char(b));
    }
    if (bytes.size() % 2)
        return false;
    // Code units as they are: fromUtf16 would take a leading U+FFFE for a byte-order mark.
    text = QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    // One terminating NUL; any before it is the text's own.
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return true;
}

} // namespace

QString RegFile::escaped(const QString &text)
{
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'"', QStringLiteral("\\\""));
    return out;
}

QStringList RegFile::lines() const
{
    QStringList out{header, QString(), QString()};
    for (const Key &key : keys) {
        out << u'[' + key.path + u']';
        for (const Value &value : key.values) {
            const QString name = value.name.isEmpty() ? QStringLiteral("@") : u'"' + escaped(value.name) + u'"';
            out << name + u'=' + (needsHex(value.text) ? hexOf(value.text) : u'"' + escaped(value.text) + u'"');
        }
    }
    return out;
}

QByteArray RegFile::toBytes() const
{
    // Nothing follows the last line, not even a line end.
    const QString text = lines().join(QStringLiteral("\r\n"));
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xff));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

std::optional<RegFile> RegFile::parse(const QByteArray &bytes, QString *error)
{
    auto fail = [error](int line, const QString &why) -> std::optional<RegFile> {
        if (error)
            *error = QStringLiteral("строка %1: %2").arg(line).arg(why);
        return std::nullopt;
    };
    if (!bytes.startsWith("\xFF\xFE") || bytes.size() % 2)
        return fail(1, QStringLiteral("нет метки UTF-16LE"));
    QString text(reinterpret_cast<const QChar *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    text.replace(QStringLiteral("\\\r\n  "), QString()); // regedit's continuation lines
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.value(0) != header)
        return fail(1, QStringLiteral("нет заголовка «%1»").arg(header));
    RegFile file;
    for (int i = 1; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return fail(i + 1, QStringLiteral("раздел без «]»"));
            file.addKey(line.mid(1, line.size() - 2));
            continue;
        }
        if (file.keys.isEmpty())
            return fail(i + 1, QStringLiteral("параметр вне раздела"));
        Value value;
        qsizetype at = 0;
        if (line.startsWith(QStringLiteral("@="))) {
            at = 1;
        } else if (!readQuoted(line, at, value.name)) {
            return fail(i + 1, QStringLiteral("неверное имя параметра"));
        }
        if (at >= line.size() || line[at] != u'=')
            return fail(i + 1, QStringLiteral("нет «=»"));
        ++at;
        const QStringView data = QStringView(line).mid(at);
        if (data.startsWith(u'"')) {
            qsizetype pos = at;
            if (!readQuoted(line, pos, value.text) || pos != line.size())
                return fail(i + 1, QStringLiteral("неверная строка"));
        } else if (data.startsWith(QStringLiteral("hex(1):"))) {
            if (!readHexText(data.mid(7), value.text))
                return fail(i + 1, QStringLiteral("неверные байты"));
        } else {
            return fail(i + 1, QStringLiteral("значение не строка"));
        }
        file.keys.last().values.append(value);
    }
    return file;
}

} // namespace tolvex::registry_cleaner
