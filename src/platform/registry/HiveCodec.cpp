#include "HiveCodec.h"

#include "Unicode.h"

#include <cstdio>
#include <unordered_set>

namespace tolvex::registry {

namespace {

constexpr std::string_view header = "WINE REGISTRY Version 2";
constexpr std::uint64_t ticksFrom1601To1970 = 116444736000000000ULL;
constexpr std::uint64_t ticksPerSecond = 10000000ULL;

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool isOctal(char c) { return c >= '0' && c <= '7'; }

struct Line
{
    std::string_view text; // without the line end
    size_t begin = 0;      // offset of the line in the file
    size_t end = 0;        // offset just past its '\n' (or the end of the file)
    int number = 0;
};

class LineReader
{
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    bool next(Line &line)
    {
        if (m_pos >= m_text.size())
            return false;
        const size_t nl = m_text.find('\n', m_pos);
        const size_t stop = nl == std::string_view::npos ? m_text.size() : nl;
        line.begin = m_pos;
        line.end = nl == std::string_view::npos ? m_text.size() : nl + 1;
        line.text = m_text.substr(m_pos, stop - m_pos);
        if (!line.text.empty() && line.text.back() == '\r')
            line.text.remove_suffix(1);
        line.number = ++m_number;
        m_pos = line.end;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    int m_number = 0;
};

// Parses an escaped string up to `end` (not included); `pos` is left on `end`.
// Returns an empty optional with `error` set on failure.
bool parseEscaped(std::string_view s, size_t &pos, char end, std::u16string &out, std::string &error)
{
    while (pos < s.size() && s[pos] != end) {
        // Most text is plain ASCII: copy a run of it at once.
        size_t run = pos;
        while (run < s.size() && s[run] != end && s[run] != '\\' && uint8_t(s[run]) < 0x80)
            ++run;
        if (run > pos) {
            const size_t at = out.size();
            out.resize(at + (run - pos));
            for (size_t i = pos; i < run; ++i)
                out[at + i - pos] = char16_t(s[i]);
            pos = run;
            continue;
        }
        const char c = s[pos];
        if (c == '\\') {
            if (++pos >= s.size()) {
                error = "обратная косая черта в конце строки";
                return false;
            }
            const char e = s[pos];
            switch (e) {
            case 'a': out.push_back(u'\a'); ++pos; continue;
            case 'b': out.push_back(u'\b'); ++pos; continue;
            case 'e': out.push_back(u'\x1b'); ++pos; continue;
            case 'f': out.push_back(u'\f'); ++pos; continue;
            case 'n': out.push_back(u'\n'); ++pos; continue;
            case 'r': out.push_back(u'\r'); ++pos; continue;
            case 't': out.push_back(u'\t'); ++pos; continue;
            case 'v': out.push_back(u'\v'); ++pos; continue;
            case '\\': case '"': case '[': case ']':
                out.push_back(char16_t(e));
                ++pos;
                continue;
            case 'x': {
                ++pos;
                if (pos >= s.size() || !isHex(s[pos])) {
                    error = "после \\x нет шестнадцатеричной цифры";
                    return false;
                }
                unsigned unit = 0;
                for (int i = 0; i < 4 && pos < s.size() && isHex(s[pos]); ++i)
                    unit = unit * 16 + unsigned(hexValue(s[pos++]));
                out.push_back(char16_t(unit));
                continue;
            }
            default:
                if (isOctal(e)) {
                    unsigned unit = 0;
                    for (int i = 0; i < 3 && pos < s.size() && isOctal(s[pos]); ++i)
                        unit = unit * 8 + unsigned(s[pos++] - '0');
                    out.push_back(char16_t(unit));
                    continue;
                }
                error = std::string("неизвестная escape-последовательность \\") + e;
                return false;
            }
        }
        if (uint8_t(c) < 0x80) {
            out.push_back(char16_t(c));
            ++pos;
            continue;
        }
        char32_t cp = 0;
        if (!unicode::nextUtf8(s, pos, cp)) {
            error = "неверная последовательность UTF-8";
            return false;
        }
        unicode::appendUtf16(out, cp);
    }
    if (pos >= s.size()) {
        error = "строка не закрыта";
        return false;
    }
    return true;
}

std::string utf16Bytes(const std::u16string &units)
{
    std::string data;
    data.reserve(units.size() * 2);
    for (char16_t u : units) {
        data.push_back(char(u & 0xFF));
        data.push_back(char(u >> 8));
    }
    return data;
}

bool parseHexNumber(std::string_view s, size_t &pos, std::uint64_t &value, int maxDigits)
{
    const size_t start = pos;
    value = 0;
    while (pos < s.size() && isHex(s[pos]) && int(pos - start) < maxDigits)
        value = value * 16 + std::uint64_t(hexValue(s[pos++]));
    return pos > start && (pos >= s.size() || !isHex(s[pos]));
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

bool HiveCodec::fail(int line, std::string message)
{
    m_errorLine = line;
    m_error = std::move(message);
    return false;
}

bool HiveCodec::read(std::string_view text, Hive &hive)
{
    hive = Hive{};
    m_error.clear();
    m_errorLine = 0;

    LineReader reader(text);
    Line line;
    if (!reader.next(line) || line.text != header)
        return fail(1, "нет заголовка «WINE REGISTRY Version 2»");

    HiveKey *key = nullptr;        // the key whose block is being read
    size_t blankStart = std::string_view::npos; // start of the blank lines before the next line
    size_t blockStart = 0;         // where the current key's raw text begins
    size_t contentEnd = line.end;  // end of the last non-blank line
    bool duplicateBlock = false;

    // Keys arrive depth first: the previous key's chain of ancestors is reused.
    std::vector<HiveKey *> chain;
    std::vector<std::u16string> chainNames;
    // Wine writes values sorted, so a name after the last one is new; only out-of-order names
    // (a hand-edited or repeated key) need the set of names seen.
    std::unordered_set<std::u16string> valueNames; // folded, built on the first out-of-order name
    bool valuesSorted = true;

    auto closeBlock = [&](size_t end) {
        if (!key)
            return;
        if (duplicateBlock) {
            key->touch();
        } else {
            key->rawText.assign(text.substr(blockStart, end - blockStart));
            key->hasRawText = true;
        }
    };

    while (reader.next(line)) {
        const std::string_view t = line.text;
        if (trimRight(t).empty()) {
            if (blankStart == std::string_view::npos)
                blankStart = line.begin;
            continue;
        }
        const size_t lineStart = blankStart == std::string_view::npos ? line.begin : blankStart;
        blankStart = std::string_view::npos;

        switch (t.front()) {
        case '[': {
            closeBlock(contentEnd);
            if (!key)
                hive.preamble.assign(text.substr(0, lineStart));
            blockStart = lineStart;

            size_t pos = 1;
            std::u16string path;
            std::string error;
            if (!parseEscaped(t, pos, ']', path, error))
                return fail(line.number, "заголовок раздела: " + error);
            std::string_view rest = trimLeft(t.substr(pos + 1));
            std::uint64_t seconds = 0;
            bool haveSeconds = false;
            rest = trimRight(rest);
            if (!rest.empty()) {
                for (char c : rest)
                    if (c < '0' || c > '9' || seconds > 0xFFFFFFFFULL)
                        return fail(line.number, "после заголовка раздела ожидалось время");
                    else
                        seconds = seconds * 10 + std::uint64_t(c - '0');
                haveSeconds = true;
            }

            // Walk the path, reusing the previous key's ancestors where the names agree.
            std::vector<std::u16string> parts;
            size_t from = 0;
            while (from <= path.size() && !path.empty()) {
                const size_t bs = path.find(u'\\', from);
                const size_t stop = bs == std::u16string::npos ? path.size() : bs;
                if (stop == from)
                    return fail(line.number, "пустое имя раздела в пути");
                parts.emplace_back(path.substr(from, stop - from));
                if (int(parts.size()) > maxDepth)
                    return fail(line.number, "слишком глубокая вложенность разделов");
                if (bs == std::u16string::npos)
                    break;
                from = bs + 1;
            }
            size_t same = 0;
            while (same < parts.size() && same < chainNames.size() &&
                   unicode::compareFolded(parts[same], chainNames[same]) == 0)
                ++same;
            chain.resize(same);
            chainNames.resize(same);
            HiveKey *node = same == 0 ? hive.root.get() : chain.back();
            for (size_t i = same; i < parts.size(); ++i) {
                HiveKey *next = node->child(parts[i]);
                if (!next)
                    next = node->addChild(parts[i], false);
                node = next;
                chain.push_back(node);
                chainNames.push_back(parts[i]);
            }
            duplicateBlock = node->hasRawText || !node->values().empty();
            key = node;
            if (haveSeconds)
                key->modified = seconds * ticksPerSecond + ticksFrom1601To1970;
            valueNames.clear();
            valuesSorted = key->values().empty();
            if (!valuesSorted)
                for (const HiveValue &v : key->values())
                    valueNames.insert(unicode::fold(v.name));
            break;
        }
        case '#': {
            if (!key)
                break; // header options such as #arch
            if (t.starts_with("#time=")) {
                size_t pos = 6;
                std::uint64_t ticks = 0;
                if (!parseHexNumber(t, pos, ticks, 16) || !trimRight(t.substr(pos)).empty())
                    return fail(line.number, "неверное время раздела");
                key->modified = ticks;
            } else if (t.starts_with("#class=\"")) {
                size_t pos = 8;
                std::u16string cls;
                std::string error;
                if (!parseEscaped(t, pos, '"', cls, error))
                    return fail(line.number, "класс раздела: " + error);
                key->className = std::move(cls);
            } else if (trimRight(t) == "#link") {
                key->isLink = true;
            } else {
                return fail(line.number, "неизвестный параметр раздела");
            }
            break;
        }
        case ';':
            break;
        case '@':
        case '"': {
            if (!key)
                return fail(line.number, "значение вне раздела");
            size_t pos = 1;
            std::u16string name;
            if (t.front() == '"') {
                std::string error;
                if (!parseEscaped(t, pos, '"', name, error))
                    return fail(line.number, "имя значения: " + error);
                ++pos;
            }
            if (pos >= t.size() || t[pos] != '=')
                return fail(line.number, "после имени значения ожидался знак =");
            ++pos;
            std::string_view data = t.substr(pos);
            RawValue value;
            auto parseString = [&](std::string_view s, std::uint32_t kind) -> bool {
                size_t p = 1;
                std::u16string units;
                std::string error;
                if (!parseEscaped(s, p, '"', units, error))
                    return fail(line.number, "текст значения: " + error);
                if (!trimRight(s.substr(p + 1)).empty())
                    return fail(line.number, "лишние символы после текста значения");
                units.push_back(u'\0');
                value.type = kind;
                value.data = utf16Bytes(units);
                return true;
            };
            if (data.starts_with("\"")) {
                if (!parseString(data, type::String))
                    return false;
            } else if (data.starts_with("str(")) {
                size_t p = 4;
                std::uint64_t kind = 0;
                if (!parseHexNumber(data, p, kind, 8) || data.substr(p, 3) != "):\"")
                    return fail(line.number, "неверный тип строкового значения");
                if (!parseString(data.substr(p + 2), std::uint32_t(kind)))
                    return false;
            } else if (data.starts_with("dword:")) {
                size_t p = 6;
                std::uint64_t number = 0;
                if (!parseHexNumber(data, p, number, 8) || !trimRight(data.substr(p)).empty())
                    return fail(line.number, "неверное число DWORD");
                value.type = type::Dword;
                for (int i = 0; i < 4; ++i)
                    value.data.push_back(char((number >> (8 * i)) & 0xFF));
            } else if (data.starts_with("hex")) {
                size_t p = 3;
                value.type = type::Binary;
                if (data.substr(p, 1) == "(") {
                    ++p;
                    std::uint64_t kind = 0;
                    if (!parseHexNumber(data, p, kind, 8) || data.substr(p, 1) != ")")
                        return fail(line.number, "неверный тип двоичного значения");
                    value.type = std::uint32_t(kind);
                    ++p;
                }
                if (data.substr(p, 1) != ":")
                    return fail(line.number, "после hex ожидалось двоеточие");
                ++p;
                std::string_view run = data.substr(p);
                for (;;) {
                    run = trimRight(run);
                    bool more = false;
                    size_t q = 0;
                    while (q < run.size()) {
                        if (run[q] == '\\' && q + 1 == run.size()) {
                            more = true;
                            break;
                        }
                        if (q + 1 >= run.size() || !isHex(run[q]) || !isHex(run[q + 1]))
                            return fail(line.number, "неверные шестнадцатеричные данные");
                        value.data.push_back(char(hexValue(run[q]) * 16 + hexValue(run[q + 1])));
                        q += 2;
                        if (q < run.size() && run[q] == ',')
                            ++q;
                        else if (q < run.size() && !(run[q] == '\\' && q + 1 == run.size()))
                            return fail(line.number, "неверные шестнадцатеричные данные");
                    }
                    if (!more)
                        break;
                    if (!reader.next(line))
                        return fail(line.number, "данные обрываются в конце файла");
                    run = trimLeft(line.text);
                }
            } else {
                return fail(line.number, "неизвестный тип значения");
            }
            if (valuesSorted &&
                (key->values().empty() || unicode::compareFolded(key->values().back().name, name) < 0)) {
                key->appendValue(std::move(name), std::move(value));
                break;
            }
            if (valuesSorted) {
                valuesSorted = false;
                for (const HiveValue &v : key->values())
                    valueNames.insert(unicode::fold(v.name));
            }
            if (valueNames.insert(unicode::fold(name)).second) {
                key->appendValue(std::move(name), std::move(value));
            } else {
                duplicateBlock = true;
                key->setValue(name, std::move(value));
            }
            break;
        }
        default:
            return fail(line.number, "непонятная строка");
        }
        contentEnd = line.end;
    }

    if (key) {
        closeBlock(contentEnd);
        hive.trailer.assign(text.substr(contentEnd));
    } else {
        hive.preamble.assign(text);
    }
    return true;
}

void HiveCodec::appendEscaped(std::string &out, std::u16string_view text, char quote1, char quote2,
                              bool skipFinalNul)
{
    static constexpr char escapes[33] = ".......abtnvfr.............e....";
    char buffer[16];
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool hasNext = i + 1 < text.size();
        const char16_t next = hasNext ? text[i + 1] : 0;
        if (c > 127) {
            const bool nextIsHex = hasNext && next < 128 && isHex(char(next));
            std::snprintf(buffer, sizeof buffer, nextIsHex ? "\\x%04x" : "\\x%x", unsigned(c));
            out += buffer;
            continue;
        }
        if (c < 32) {
            if (c == 0 && !hasNext && skipFinalNul)
                continue;
            if (escapes[c] != '.') {
                out += '\\';
                out += escapes[c];
            } else {
                const bool nextIsOctal = hasNext && next >= '0' && next <= '7';
                std::snprintf(buffer, sizeof buffer, nextIsOctal ? "\\%03o" : "\\%o", unsigned(c));
                out += buffer;
            }
            continue;
        }
        if (c == '\\' || c == quote1 || c == quote2)
            out += '\\';
        out += char(c);
    }
}

namespace {

std::u16string unitsOf(const std::string &data)
{
    std::u16string units;
    units.reserve(data.size() / 2);
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        units.push_back(char16_t(uint8_t(data[i]) | (uint8_t(data[i + 1]) << 8)));
    return units;
}

void appendPath(std::string &out, const HiveKey *key, const HiveKey *base)
{
    if (key->parent() && key->parent() != base) {
        appendPath(out, key->parent(), base);
        out += "\\\\";
    }
    HiveCodec::appendEscaped(out, key->name(), '[', ']', false);
}

void appendValue(std::string &out, const HiveValue &v)
{
    const size_t lineStart = out.size();
    if (!v.name.empty()) {
        out += '"';
        HiveCodec::appendEscaped(out, v.name, '"', '"', false);
        out += "\"=";
    } else {
        out += "@=";
    }
    const RawValue &value = v.value;
    const std::string &d = value.data;
    char buffer[32];
    switch (value.type) {
    case type::String:
    case type::ExpandString:
    case type::MultiString:
        if (d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 1] == 0 && d[d.size() - 2] == 0) {
            if (value.type != type::String) {
                std::snprintf(buffer, sizeof buffer, "str(%x):", unsigned(value.type));
                out += buffer;
            }
            out += '"';
            HiveCodec::appendEscaped(out, unitsOf(d), '"', '"', true);
            out += "\"\n";
            return;
        }
        break;
    case type::Dword:
        if (d.size() == 4) {
            std::uint32_t dw = 0;
            for (int i = 0; i < 4; ++i)
                dw |= std::uint32_t(uint8_t(d[size_t(i)])) << (8 * i);
            std::snprintf(buffer, sizeof buffer, "dword:%08x\n", unsigned(dw));
            out += buffer;
            return;
        }
        break;
    }
    if (value.type == type::Binary)
        out += "hex:";
    else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned(value.type));
        out += buffer;
    }
    // The width rule counts the line as wineserver does, from the start of the value's line.
    int count = int(out.size() - lineStart);
    static constexpr char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < d.size(); ++i) {
        out += digits[uint8_t(d[i]) >> 4];
        out += digits[uint8_t(d[i]) & 15];
        count += 2;
        if (i + 1 < d.size()) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out += '\n';
}

void appendKey(std::string &out, const HiveKey &key, const HiveKey &root)
{
    if (key.hasRawText) {
        out += key.rawText;
    } else if (key.dirty() &&
               (!key.values().empty() || key.children().empty() || key.className || key.isLink)) {
        char buffer[64];
        out += "\n[";
        if (&key != &root)
            appendPath(out, &key, &root);
        const std::uint64_t ticks = key.modified;
        std::snprintf(buffer, sizeof buffer, "] %u\n#time=%x%08x\n",
                      unsigned((ticks - ticksFrom1601To1970) / ticksPerSecond), unsigned(ticks >> 32),
                      unsigned(ticks & 0xFFFFFFFFu));
        out += buffer;
        if (key.className) {
            out += "#class=\"";
            HiveCodec::appendEscaped(out, *key.className, '"', '"', false);
            out += "\"\n";
        }
        if (key.isLink)
            out += "#link\n";
        for (const HiveValue &v : key.values())
            appendValue(out, v);
    }
    for (const auto &child : key.children())
        appendKey(out, *child, root);
}

} // namespace

std::string HiveCodec::write(const Hive &hive)
{
    std::string out = hive.preamble;
    appendKey(out, *hive.root, *hive.root);
    out += hive.trailer;
    return out;
}

} // namespace tolvex::registry
