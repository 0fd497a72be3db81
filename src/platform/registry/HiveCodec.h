#pragma once

#include "Hive.h"

#include <string>
#include <string_view>

namespace tolvex::registry {

// Reads and writes the text format of Wine's registry files (system.reg, user.reg, userdef.reg).
// Writing reproduces what wineserver writes, so that a file loaded and saved unchanged keeps its
// bytes, and Wine reads every value back exactly.
class HiveCodec
{
public:
    // Nesting deeper than this is refused, as the Windows registry refuses it.
    static constexpr int maxDepth = 512;

    bool read(std::string_view text, Hive &hive);
    const std::string &errorString() const { return m_error; }
    int errorLine() const { return m_errorLine; }

    static std::string write(const Hive &hive);

    // The escaping of names and texts, shared with the writer of a changed key.
    static void appendEscaped(std::string &out, std::u16string_view text, char quote1, char quote2,
                              bool skipFinalNul);

private:
    bool fail(int line, std::string message);

    std::string m_error;
    int m_errorLine = 0;
};

} // namespace tolvex::registry
