#include "Hive.h"

#include "Unicode.h"

#include <algorithm>
#include <chrono>

namespace tolvex::registry {

namespace {
constexpr size_t npos = size_t(-1);
// Beyond this many children a lookup goes through a hash index rather than a scan.
constexpr size_t indexThreshold = 16;
constexpr std::uint64_t ticksFrom1601To1970 = 116444736000000000ULL;
} // namespace

std::uint64_t fileTimeNow()
{
    using namespace std::chrono;
    const auto ticks = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
    return ticksFrom1601To1970 + std::uint64_t(ticks);
}

HiveKey::HiveKey(std::u16string name, HiveKey *parent) : m_name(std::move(name)), m_parent(parent) {}

size_t HiveKey::indexOf(std::u16string_view name) const
{
    if (m_children.empty())
        return npos;
    if (unicode::compareFolded(m_children.back()->m_name, name) == 0)
        return m_children.size() - 1;
    if (m_children.size() < indexThreshold) {
        for (size_t i = 0; i < m_children.size(); ++i)
            if (unicode::compareFolded(m_children[i]->m_name, name) == 0)
                return i;
        return npos;
    }
    if (m_index.empty())
        for (size_t i = 0; i < m_children.size(); ++i)
            m_index.emplace(unicode::fold(m_children[i]->m_name), i);
    const auto it = m_index.find(unicode::fold(name));
    return it == m_index.end() ? npos : it->second;
}

HiveKey *HiveKey::child(std::u16string_view name) const
{
    const size_t i = indexOf(name);
    return i == npos ? nullptr : m_children[i].get();
}

std::shared_ptr<HiveKey> HiveKey::sharedChild(std::u16string_view name) const
{
    const size_t i = indexOf(name);
    return i == npos ? nullptr : m_children[i];
}

HiveKey *HiveKey::addChild(std::u16string name, bool sortedPlace)
{
    auto key = std::make_shared<HiveKey>(std::move(name), this);
    auto place = m_children.end();
    if (sortedPlace)
        place = std::find_if(m_children.begin(), m_children.end(), [&](const std::shared_ptr<HiveKey> &c) {
            return unicode::compareFolded(c->m_name, key->m_name) > 0;
        });
    if (place == m_children.end() && !m_index.empty())
        m_index.emplace(unicode::fold(key->m_name), m_children.size());
    else
        invalidateIndex();
    HiveKey *raw = key.get();
    m_children.insert(place, std::move(key));
    return raw;
}

bool HiveKey::removeChild(std::u16string_view name)
{
    const size_t i = indexOf(name);
    if (i == npos)
        return false;
    m_children[i]->markDeleted();
    m_children.erase(m_children.begin() + std::ptrdiff_t(i));
    invalidateIndex();
    return true;
}

const HiveValue *HiveKey::value(std::u16string_view name) const
{
    for (const HiveValue &v : m_values)
        if (unicode::compareFolded(v.name, name) == 0)
            return &v;
    return nullptr;
}

void HiveKey::setValue(std::u16string_view name, RawValue value)
{
    for (HiveValue &v : m_values)
        if (unicode::compareFolded(v.name, name) == 0) {
            v.value = std::move(value);
            return;
        }
    auto place = std::find_if(m_values.begin(), m_values.end(),
                              [&](const HiveValue &v) { return unicode::compareFolded(v.name, name) > 0; });
    m_values.insert(place, HiveValue{std::u16string(name), std::move(value)});
}

void HiveKey::appendValue(std::u16string name, RawValue value)
{
    m_values.push_back(HiveValue{std::move(name), std::move(value)});
}

bool HiveKey::removeValue(std::u16string_view name)
{
    auto it = std::find_if(m_values.begin(), m_values.end(),
                           [&](const HiveValue &v) { return unicode::compareFolded(v.name, name) == 0; });
    if (it == m_values.end())
        return false;
    m_values.erase(it);
    return true;
}

void HiveKey::touch()
{
    modified = fileTimeNow();
    m_dirty = true;
    rawText.clear();
    hasRawText = false;
}

void HiveKey::takeContentsOf(HiveKey &fresh)
{
    m_name = fresh.m_name;
    m_values = std::move(fresh.m_values);
    className = std::move(fresh.className);
    isLink = fresh.isLink;
    modified = fresh.modified;
    rawText = std::move(fresh.rawText);
    hasRawText = fresh.hasRawText;
    m_dirty = fresh.m_dirty;

    std::unordered_map<std::u16string, std::shared_ptr<HiveKey>> kept;
    kept.reserve(m_children.size());
    for (auto &child : m_children)
        kept.emplace(unicode::fold(child->m_name), std::move(child));
    std::vector<std::shared_ptr<HiveKey>> children;
    children.reserve(fresh.m_children.size());
    for (auto &freshChild : fresh.m_children) {
        const auto it = kept.find(unicode::fold(freshChild->m_name));
        if (it == kept.end()) {
            freshChild->m_parent = this;
            children.push_back(std::move(freshChild));
            continue;
        }
        std::shared_ptr<HiveKey> same = std::move(it->second);
        kept.erase(it);
        same->takeContentsOf(*freshChild);
        children.push_back(std::move(same));
    }
    for (auto &gone : kept)
        gone.second->markDeleted();
    m_children = std::move(children);
    fresh.m_children.clear();
    invalidateIndex();
}

std::vector<std::u16string> pathOf(const HiveKey &key)
{
    std::vector<std::u16string> names;
    for (const HiveKey *k = &key; k->parent(); k = k->parent())
        names.push_back(k->name());
    return {names.rbegin(), names.rend()};
}

void applyChange(Hive &hive, const HiveChange &change)
{
    const bool wholeKey = change.kind == HiveChange::Kind::MakeKey || change.kind == HiveChange::Kind::RemoveKey;
    const size_t walked = change.kind == HiveChange::Kind::RemoveKey ? change.keyPath.size() - 1 : change.keyPath.size();
    if (change.keyPath.empty() && wholeKey)
        return;
    HiveKey *key = hive.root.get();
    for (size_t i = 0; i < walked; ++i) {
        HiveKey *child = key->child(change.keyPath[i]);
        if (!child) {
            if (change.kind == HiveChange::Kind::RemoveValue || change.kind == HiveChange::Kind::RemoveKey)
                return; // already gone
            child = key->addChild(change.keyPath[i], true);
            child->touch();
            key->touch();
            hive.changed = true;
        }
        key = child;
    }
    switch (change.kind) {
    case HiveChange::Kind::SetValue:
        key->setValue(change.valueName, change.value);
        break;
    case HiveChange::Kind::RemoveValue:
        if (!key->removeValue(change.valueName))
            return;
        break;
    case HiveChange::Kind::MakeKey:
        return;
    case HiveChange::Kind::RemoveKey:
        if (!key->removeChild(change.keyPath.back()))
            return;
        break;
    }
    key->touch();
    hive.changed = true;
}

void HiveKey::markDeleted()
{
    // Iterative: a hostile hive may nest deeply.
    std::vector<HiveKey *> pending{this};
    while (!pending.empty()) {
        HiveKey *key = pending.back();
        pending.pop_back();
        key->m_deleted = true;
        for (const auto &c : key->m_children)
            pending.push_back(c.get());
    }
}

} // namespace tolvex::registry
