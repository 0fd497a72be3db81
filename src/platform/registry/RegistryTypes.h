#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tolvex::registry {

enum class Root { ClassesRoot, CurrentUser, LocalMachine, Users };

// Windows value type codes, as stored in hive files and returned by RegQueryValueEx.
namespace type {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t String = 1;
constexpr std::uint32_t ExpandString = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t Link = 6;
constexpr std::uint32_t MultiString = 7;
} // namespace type

enum class ValueKind { String, ExpandString, Dword, Binary, Unknown };

// A value as the Windows API sees it: its type code and its bytes (strings are UTF-16LE with
// their terminating NUL, DWORDs four little-endian bytes).
struct RawValue
{
    std::uint32_t type = type::None;
    std::string data;

    bool operator==(const RawValue &) const = default;
};

struct KeyInfo
{
    std::uint32_t subkeyCount = 0;
    std::uint32_t longestSubkeyName = 0;
    std::uint32_t valueCount = 0;
    std::uint32_t longestValueName = 0;
    std::uint32_t longestData = 0;
    std::uint64_t lastWrite = 0; // FILETIME ticks
};

class RegistryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

std::string_view rootName(Root root);
// "HKCU\Software\X" or "HKEY_CURRENT_USER\Software\X": the root and the path below it.
bool splitRootedKey(std::string_view key, Root &root, std::string &path);

} // namespace tolvex::registry
