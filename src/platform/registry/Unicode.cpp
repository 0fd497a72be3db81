#include "Unicode.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace tolvex::registry::unicode {

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out(utf8.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar *>(out.data()), int32_t(out.size()), &length, utf8.data(),
                         int32_t(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    out.resize(length);
    return out;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out(utf16.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), int32_t(out.size()), &length, reinterpret_cast<const UChar *>(utf16.data()),
                       int32_t(utf16.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    out.resize(length);
    return out;
}

bool nextUtf8(std::string_view utf8, size_t &pos, char32_t &codePoint)
{
    int32_t i = int32_t(pos);
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t *>(utf8.data()), i, int32_t(utf8.size()), c);
    if (c < 0)
        return false;
    pos = size_t(i);
    codePoint = char32_t(c);
    return true;
}

void appendUtf16(std::u16string &out, char32_t codePoint)
{
    if (codePoint <= 0xFFFF) {
        out.push_back(char16_t(codePoint));
    } else {
        out.push_back(char16_t(U16_LEAD(codePoint)));
        out.push_back(char16_t(U16_TRAIL(codePoint)));
    }
}

char16_t foldUnit(char16_t unit)
{
    if (unit < 0x80)
        return (unit >= 'a' && unit <= 'z') ? char16_t(unit - 32) : unit;
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return unit;
    UChar32 upper = u_toupper(unit);
    return upper <= 0xFFFF ? char16_t(upper) : unit;
}

std::u16string fold(std::u16string_view name)
{
    std::u16string out(name);
    for (char16_t &unit : out)
        unit = foldUnit(unit);
    return out;
}

int compareFolded(std::u16string_view a, std::u16string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = foldUnit(a[i]), y = foldUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string stringData(std::string_view utf8)
{
    const std::u16string units = toUtf16(utf8);
    std::string data;
    data.reserve(units.size() * 2 + 2);
    for (char16_t unit : units) {
        data.push_back(char(unit & 0xFF));
        data.push_back(char(unit >> 8));
    }
    data.append(2, '\0');
    return data;
}

std::string textOf(std::string_view data)
{
    std::u16string units;
    units.reserve(data.size() / 2);
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = char16_t(uint8_t(data[i]) | (uint8_t(data[i + 1]) << 8));
        if (unit == 0)
            break;
        units.push_back(unit);
    }
    return toUtf8(units);
}

} // namespace tolvex::registry::unicode
