#pragma once

#include "RegistryBackend.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::registry {

// The one way to the registry: a selected root and at most one current key, on which the value
// operations work. A handler makes its own store and drops it at its end.
//
// Paths: a leading '\' makes a path absolute from the root; otherwise it is relative to the
// current key when one is open, else to the root. Texts are UTF-8.
class RegistryStore
{
public:
    explicit RegistryStore(RegistryBackend &backend);
    ~RegistryStore();
    RegistryStore(const RegistryStore &) = delete;
    RegistryStore &operator=(const RegistryStore &) = delete;

    // Another root closes the current key; the same root keeps it.
    void SelectRoot(Root root);
    Root CurrentRoot() const { return m_root; }

    // On failure the previous current key stays.
    bool OpenPath(std::string_view path, bool create);
    bool OpenPathForReading(std::string_view path);
    void ClosePath();
    // Takes the other store's root and current key, so that relative paths start from there: a
    // walk opens each child from its parent rather than from the root again.
    void SelectKeyOf(const RegistryStore &other);
    bool HasCurrentKey() const { return m_current != nullptr; }
    // The current key's path below the root, without a leading '\'.
    const std::string &CurrentPath() const { return m_currentPath; }

    // Fails ("Failed to get data for '%s'") when absent or no key is current, and
    // ("Invalid data type for '%s'") when the value is not a REG_DWORD.
    std::uint32_t GetDword(std::string_view name);
    // REG_SZ or REG_EXPAND_SZ, unexpanded, cut at the first NUL; "" when absent or no key is
    // current; other kinds fail.
    std::string GetText(std::string_view name);
    // Fail ("Failed to set data for '%s'") when refused or no key is current.
    void SetDword(std::string_view name, std::uint32_t data);
    void SetText(std::string_view name, std::string_view data);
    void SetExpandText(std::string_view name, std::string_view data);
    void SetRaw(std::string_view name, const RawValue &value);
    // The value as stored, for copies and exports; nullopt when absent.
    std::optional<RawValue> GetRaw(std::string_view name);

    bool HasValue(std::string_view name);
    bool HasKey(std::string_view path);
    // Fails ("Failed to create key %s") when refused; the current key does not change.
    void MakeKey(std::string_view path);
    bool RemoveKey(std::string_view path);
    bool RemoveValue(std::string_view name);
    // Whether the named key is a registry link; walks over subkeys should not descend into it.
    bool IsLink(std::string_view path);

    std::vector<std::string> SubkeyNames();
    std::vector<std::string> ValueNames();
    registry::ValueKind ValueKind(std::string_view name);
    bool KeyInfo(registry::KeyInfo &info);
    bool HasSubkeys();
    // Value `name` of the subkey `section` of the current key, or `fallback` when either is
    // absent; the current key is unchanged.
    std::string GetSectionText(std::string_view section, std::string_view name, std::string_view fallback);

    // With lazy writing off, closing a key writes the registry to its files.
    void SetLazyWrite(bool lazy) { m_lazyWrite = lazy; }
    bool LazyWrite() const { return m_lazyWrite; }

    RegistryBackend &backend() { return m_backend; }

private:
    struct Target
    {
        RegistryBackend::KeyHandle base;
        std::string_view path;
        bool absolute = false;
    };
    Target resolve(std::string_view path);
    RawValue required(std::string_view name);

    RegistryBackend &m_backend;
    Root m_root = Root::CurrentUser;
    RegistryBackend::KeyHandle m_current;
    std::string m_currentPath;
    bool m_lazyWrite = true;
};

} // namespace tolvex::registry
