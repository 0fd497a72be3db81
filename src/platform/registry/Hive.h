#pragma once

#include "RegistryTypes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tolvex::registry {

struct HiveValue
{
    std::u16string name; // empty: the default value
    RawValue value;
};

// One key of a hive file. Keys are shared so that a handle held by a store survives a deletion
// of the key by another store; such a handle then sees `deleted` and every operation fails.
class HiveKey
{
public:
    explicit HiveKey(std::u16string name, HiveKey *parent = nullptr);

    const std::u16string &name() const { return m_name; }
    HiveKey *parent() const { return m_parent; }
    bool deleted() const { return m_deleted; }

    HiveKey *child(std::u16string_view name) const;
    // Keeps the file's order of existing children and puts a new one at its sorted place.
    HiveKey *addChild(std::u16string name, bool sortedPlace);
    bool removeChild(std::u16string_view name);
    const std::vector<std::shared_ptr<HiveKey>> &children() const { return m_children; }
    std::shared_ptr<HiveKey> sharedChild(std::u16string_view name) const;

    const HiveValue *value(std::u16string_view name) const;
    void setValue(std::u16string_view name, RawValue value);
    // For a reader that knows the name is new: no search, file order kept.
    void appendValue(std::u16string name, RawValue value);
    bool removeValue(std::u16string_view name);
    const std::vector<HiveValue> &values() const { return m_values; }

    std::optional<std::u16string> className;
    bool isLink = false;
    std::uint64_t modified = 0; // FILETIME ticks
    // The key's block exactly as read, with the blank lines before it; empty once the key
    // changes, so that an unchanged key is written back byte for byte.
    std::string rawText;
    bool hasRawText = false;

    // Changed since it was read (or new): written from its contents, not from rawText.
    bool dirty() const { return m_dirty; }
    void touch(); // marks the key changed, now
    void markDeleted();

    // Becomes `fresh` (another reading of the same file): keys present in both stay the same
    // objects, so that handles held on them keep working; keys that `fresh` lacks are deleted.
    void takeContentsOf(HiveKey &fresh);

private:
    size_t indexOf(std::u16string_view name) const; // npos when absent
    void invalidateIndex() { m_index.clear(); }

    std::u16string m_name;
    HiveKey *m_parent;
    bool m_deleted = false;
    bool m_dirty = false;
    std::vector<std::shared_ptr<HiveKey>> m_children;
    std::vector<HiveValue> m_values;
    mutable std::unordered_map<std::u16string, size_t> m_index; // folded name -> child index
};

// The contents of one hive file.
struct Hive
{
    std::shared_ptr<HiveKey> root = std::make_shared<HiveKey>(u"");
    std::string preamble; // header lines up to the first key, kept verbatim
    std::string trailer;  // anything after the last key's last line
    bool changed = false;
};

// One change made to a hive since it was read, kept so that it can be made again on top of a
// newer reading of the file. Paths are the key's names from the hive's root, links resolved.
struct HiveChange
{
    enum class Kind { SetValue, RemoveValue, MakeKey, RemoveKey };
    Kind kind;
    std::vector<std::u16string> keyPath;
    std::u16string valueName;
    RawValue value;
};

// The names from the root down to `key`.
std::vector<std::u16string> pathOf(const HiveKey &key);
// Makes the change in `hive`; keys missing on the way are made.
void applyChange(Hive &hive, const HiveChange &change);

std::uint64_t fileTimeNow();

} // namespace tolvex::registry
