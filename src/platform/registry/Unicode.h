#pragma once

#include <string>
#include <string_view>

// UTF-8 <-> UTF-16 and the registry's case rule, for the Qt-free registry layer.
namespace tolvex::registry::unicode {

std::u16string toUtf16(std::string_view utf8);
// Lone surrogates become U+FFFD; the stored UTF-16 keeps them.
std::string toUtf8(std::u16string_view utf16);

// Decodes one UTF-8 character at `pos` and advances it; false on a malformed sequence.
bool nextUtf8(std::string_view utf8, size_t &pos, char32_t &codePoint);
void appendUtf16(std::u16string &out, char32_t codePoint);

// Names compare by the upper case of each UTF-16 unit, as the registry does.
std::u16string fold(std::u16string_view name);
char16_t foldUnit(char16_t unit);
int compareFolded(std::u16string_view a, std::u16string_view b);

// String value data: UTF-16LE bytes ending in NUL, as RegSetValueEx stores REG_SZ.
std::string stringData(std::string_view utf8);
// Text of REG_SZ data cut at the first NUL.
std::string textOf(std::string_view data);

} // namespace tolvex::registry::unicode
