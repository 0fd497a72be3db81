#include "RegistryStore.h"

#include "Unicode.h"

#include <cctype>

namespace tolvex::registry {

namespace {

std::string quoted(std::string_view format, std::string_view name)
{
    std::string text(format);
    text.replace(text.find("%s"), 2, name);
    return text;
}

std::string_view trimSeparators(std::string_view path)
{
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

} // namespace

std::string_view rootName(Root root)
{
    switch (root) {
    case Root::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Root::CurrentUser: return "HKEY_CURRENT_USER";
    case Root::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case Root::Users: return "HKEY_USERS";
    }
    return "";
}

bool splitRootedKey(std::string_view key, Root &root, std::string &path)
{
    const size_t bs = key.find('\\');
    std::string head(key.substr(0, bs));
    for (char &c : head)
        c = char(std::toupper(uint8_t(c)));
    static const struct
    {
        const char *shortName, *longName;
        Root root;
    } roots[] = {{"HKCR", "HKEY_CLASSES_ROOT", Root::ClassesRoot},
                 {"HKCU", "HKEY_CURRENT_USER", Root::CurrentUser},
                 {"HKLM", "HKEY_LOCAL_MACHINE", Root::LocalMachine},
                 {"HKU", "HKEY_USERS", Root::Users}};
    for (const auto &r : roots)
        if (head == r.shortName || head == r.longName) {
            root = r.root;
            path = bs == std::string_view::npos ? std::string() : std::string(key.substr(bs + 1));
            return true;
        }
    return false;
}

RegistryStore::RegistryStore(RegistryBackend &backend) : m_backend(backend) {}

RegistryStore::~RegistryStore() { ClosePath(); }

void RegistryStore::SelectRoot(Root root)
{
    if (root != m_root)
        ClosePath();
    m_root = root;
}

RegistryStore::Target RegistryStore::resolve(std::string_view path)
{
    Target target;
    if (!path.empty() && path.front() == '\\') {
        target.absolute = true;
        path.remove_prefix(1);
    }
    target.path = trimSeparators(path);
    target.base = (!target.absolute && m_current) ? m_current : m_backend.root(m_root);
    return target;
}

bool RegistryStore::OpenPath(std::string_view path, bool create)
{
    const Target target = resolve(path);
    auto key = m_backend.open(target.base, target.path, create);
    if (!key)
        return false;
    const bool relative = !target.absolute && m_current;
    ClosePath();
    m_current = std::move(key);
    if (relative && !target.path.empty())
        m_currentPath = m_currentPath.empty() ? std::string(target.path)
                                              : m_currentPath + "\\" + std::string(target.path);
    else if (!relative)
        m_currentPath = std::string(target.path);
    return true;
}

bool RegistryStore::OpenPathForReading(std::string_view path) { return OpenPath(path, false); }

void RegistryStore::SelectKeyOf(const RegistryStore &other)
{
    ClosePath();
    m_root = other.m_root;
    m_current = other.m_current;
    m_currentPath = other.m_currentPath;
}

void RegistryStore::ClosePath()
{
    if (!m_current)
        return;
    m_current.reset();
    if (!m_lazyWrite)
        m_backend.flush();
}

RawValue RegistryStore::required(std::string_view name)
{
    std::optional<RawValue> value = m_current ? m_backend.query(m_current, name) : std::nullopt;
    if (!value)
        throw RegistryError(quoted("Failed to get data for '%s'", name));
    return *value;
}

std::uint32_t RegistryStore::GetDword(std::string_view name)
{
    const RawValue value = required(name);
    if (value.type != type::Dword || value.data.size() != 4)
        throw RegistryError(quoted("Invalid data type for '%s'", name));
    std::uint32_t dw = 0;
    for (int i = 0; i < 4; ++i)
        dw |= std::uint32_t(uint8_t(value.data[size_t(i)])) << (8 * i);
    return dw;
}

std::string RegistryStore::GetText(std::string_view name)
{
    std::optional<RawValue> value = m_current ? m_backend.query(m_current, name) : std::nullopt;
    if (!value)
        return {};
    if (value->type != type::String && value->type != type::ExpandString)
        throw RegistryError(quoted("Invalid data type for '%s'", name));
    return unicode::textOf(value->data);
}

std::optional<RawValue> RegistryStore::GetRaw(std::string_view name)
{
    return m_current ? m_backend.query(m_current, name) : std::nullopt;
}

void RegistryStore::SetRaw(std::string_view name, const RawValue &value)
{
    if (!m_current || !m_backend.set(m_current, name, value))
        throw RegistryError(quoted("Failed to set data for '%s'", name));
}

void RegistryStore::SetDword(std::string_view name, std::uint32_t data)
{
    RawValue value{type::Dword, std::string(4, '\0')};
    for (int i = 0; i < 4; ++i)
        value.data[size_t(i)] = char((data >> (8 * i)) & 0xFF);
    SetRaw(name, value);
}

void RegistryStore::SetText(std::string_view name, std::string_view data)
{
    SetRaw(name, RawValue{type::String, unicode::stringData(data)});
}

void RegistryStore::SetExpandText(std::string_view name, std::string_view data)
{
    SetRaw(name, RawValue{type::ExpandString, unicode::stringData(data)});
}

bool RegistryStore::HasValue(std::string_view name)
{
    return m_current && m_backend.query(m_current, name).has_value();
}

bool RegistryStore::HasKey(std::string_view path)
{
    const Target target = resolve(path);
    return m_backend.open(target.base, target.path, false) != nullptr;
}

void RegistryStore::MakeKey(std::string_view path)
{
    const Target target = resolve(path);
    if (!m_backend.open(target.base, target.path, true))
        throw RegistryError(quoted("Failed to create key %s", path));
}

bool RegistryStore::RemoveKey(std::string_view path)
{
    const Target target = resolve(path);
    return m_backend.removeTree(target.base, target.path);
}

bool RegistryStore::RemoveValue(std::string_view name)
{
    return m_current && m_backend.removeValue(m_current, name);
}

bool RegistryStore::IsLink(std::string_view path)
{
    const Target target = resolve(path);
    return m_backend.isLink(target.base, target.path);
}

std::vector<std::string> RegistryStore::SubkeyNames()
{
    return m_current ? m_backend.subkeyNames(m_current) : std::vector<std::string>{};
}

std::vector<std::string> RegistryStore::ValueNames()
{
    return m_current ? m_backend.valueNames(m_current) : std::vector<std::string>{};
}

registry::ValueKind RegistryStore::ValueKind(std::string_view name)
{
    const std::optional<RawValue> value = GetRaw(name);
    if (!value)
        return registry::ValueKind::Unknown;
    switch (value->type) {
    case type::String: return registry::ValueKind::String;
    case type::ExpandString: return registry::ValueKind::ExpandString;
    case type::Dword: return registry::ValueKind::Dword;
    case type::Binary: return registry::ValueKind::Binary;
    default: return registry::ValueKind::Unknown;
    }
}

bool RegistryStore::KeyInfo(registry::KeyInfo &info)
{
    if (!m_current)
        return false;
    const auto found = m_backend.info(m_current);
    if (!found)
        return false;
    info = *found;
    return true;
}

bool RegistryStore::HasSubkeys()
{
    registry::KeyInfo info;
    return KeyInfo(info) && info.subkeyCount > 0;
}

std::string RegistryStore::GetSectionText(std::string_view section, std::string_view name,
                                          std::string_view fallback)
{
    const Target target = resolve(section);
    RegistryBackend::KeyHandle key = m_backend.open(target.base, target.path, false);
    if (!key)
        return std::string(fallback);
    const std::optional<RawValue> value = m_backend.query(key, name);
    if (!value)
        return std::string(fallback);
    if (value->type != type::String && value->type != type::ExpandString)
        throw RegistryError(quoted("Invalid data type for '%s'", name));
    return unicode::textOf(value->data);
}

} // namespace tolvex::registry
