#pragma once

#include "RegistryTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvex::registry {

// What holds the keys: Wine's hive files here, the Win32 registry functions in a native build.
// Paths are UTF-8 with '\' between names and are relative to the handle they start from.
// Every operation reports failure by its result; RegistryStore turns failures into errors.
class RegistryBackend
{
public:
    class Handle
    {
    public:
        virtual ~Handle() = default;
    };
    using KeyHandle = std::shared_ptr<Handle>;

    virtual ~RegistryBackend() = default;

    virtual KeyHandle root(Root root) = 0;
    // Follows registry links on the way, the last name included; nullptr on failure.
    virtual KeyHandle open(const KeyHandle &base, std::string_view path, bool create) = 0;
    // Whether the key named by `path` is itself a link (not followed); false when absent.
    virtual bool isLink(const KeyHandle &base, std::string_view path) = 0;
    virtual std::optional<RawValue> query(const KeyHandle &key, std::string_view name) = 0;
    virtual bool set(const KeyHandle &key, std::string_view name, const RawValue &value) = 0;
    virtual bool removeValue(const KeyHandle &key, std::string_view name) = 0;
    // Deletes the key and its subtree; a link inside it is removed, never its target.
    virtual bool removeTree(const KeyHandle &base, std::string_view path) = 0;
    virtual std::vector<std::string> subkeyNames(const KeyHandle &key) = 0;
    virtual std::vector<std::string> valueNames(const KeyHandle &key) = 0;
    virtual std::optional<KeyInfo> info(const KeyHandle &key) = 0;
    // Writes what changed to permanent storage; returns the texts of what could not be written.
    virtual std::vector<std::string> flush() = 0;
};

} // namespace tolvex::registry
