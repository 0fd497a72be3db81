#include "HiveRegistry.h"

#include "FileIO.h"
#include "HiveCodec.h"
#include "Unicode.h"

#include <algorithm>

namespace tolvex::registry {

namespace {

constexpr int maxLinkHops = 16;
constexpr size_t maxNameLength = 255;

const char *fileNames[3] = {"system.reg", "user.reg", "userdef.reg"};
const char *defaultPreambles[3] = {
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n",
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n",
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n#arch=win64\n",
};

struct HiveHandle final : RegistryBackend::Handle
{
    HiveRegistry::Slot *slot = nullptr; // null: HKEY_USERS itself
    std::shared_ptr<HiveKey> key;
};

// Splits a path at '\'; a trailing '\' is ignored, an empty name inside fails.
bool splitPath(std::u16string_view path, std::vector<std::u16string> &parts)
{
    size_t from = 0;
    while (from < path.size()) {
        const size_t bs = path.find(u'\\', from);
        const size_t stop = bs == std::u16string_view::npos ? path.size() : bs;
        if (stop == from)
            return false;
        parts.emplace_back(path.substr(from, stop - from));
        if (bs == std::u16string_view::npos)
            break;
        from = bs + 1;
    }
    return true;
}

int depthOf(const HiveKey *key)
{
    int depth = 0;
    for (; key->parent(); key = key->parent())
        ++depth;
    return depth;
}

std::u16string unitsOf(const std::string &data)
{
    std::u16string units;
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        units.push_back(char16_t(uint8_t(data[i]) | (uint8_t(data[i + 1]) << 8)));
    while (!units.empty() && units.back() == 0)
        units.pop_back();
    return units;
}

} // namespace

struct HiveRegistry::Place
{
    Slot *slot = nullptr;
    std::shared_ptr<HiveKey> key;
};

HiveRegistry::HiveRegistry()
{
    for (int i = 0; i < 3; ++i)
        m_slots[i].hive.preamble = defaultPreambles[i];
}

HiveRegistry::~HiveRegistry() = default;

void HiveRegistry::removeLeftSaves()
{
    std::lock_guard lock(m_mutex);
    fileio::removeLeftTemporaries(
        m_folder,
        [](std::string_view target) { return std::find(std::begin(fileNames), std::end(fileNames), target) != std::end(fileNames); },
        0);
}

void HiveRegistry::load(const std::string &prefixFolder)
{
    std::lock_guard lock(m_mutex);
    m_folder = prefixFolder;
    m_loadErrors.clear();
    for (int i = 0; i < 3; ++i) {
        Slot &slot = m_slots[i];
        slot.path = prefixFolder + "/" + fileNames[i];
        slot.hive = Hive{};
        slot.hive.preamble = defaultPreambles[i];
        slot.writable = true;
        slot.onDisk = {};
        slot.pending.clear();
        if (!fileio::exists(slot.path))
            continue;
        std::string bytes, error;
        HiveCodec codec;
        if (!fileio::readAll(slot.path, bytes, error, &slot.onDisk)) {
            slot.writable = false;
            m_loadErrors.push_back("Не удалось прочитать файл реестра " + slot.path + ": " + error);
        } else if (!codec.read(bytes, slot.hive)) {
            slot.hive = Hive{};
            slot.writable = false;
            m_loadErrors.push_back("Файл реестра " + slot.path + ", строка " + std::to_string(codec.errorLine()) +
                                   ": " + codec.errorString() + ". Файл не будет изменён.");
        }
    }
    // The user hive names its SID in the header: ";; All keys relative to REGISTRY\\User\\<sid>".
    const std::string &pre = m_slots[1].hive.preamble;
    const std::string marker = "\\\\User\\\\";
    const size_t at = pre.find(marker);
    if (at != std::string::npos) {
        const size_t start = at + marker.size();
        const size_t stop = pre.find_first_of("\r\n", start);
        std::string sid = pre.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
        if (!sid.empty())
            m_userSid = sid;
    }
}

bool HiveRegistry::reread(Slot &slot, std::string &error)
{
    Hive fresh;
    fresh.preamble = slot.hive.preamble;
    fileio::FileIdentity identity;
    if (fileio::exists(slot.path)) {
        std::string bytes, readError;
        HiveCodec codec;
        if (!fileio::readAll(slot.path, bytes, readError, &identity)) {
            error = "Не удалось прочитать файл реестра " + slot.path + ", изменённый другой программой: " + readError;
            return false;
        }
        if (!codec.read(bytes, fresh)) {
            // As at start-up: what does not parse is never written over.
            slot.writable = false;
            error = "Файл реестра " + slot.path + " изменён другой программой и не читается, строка " +
                    std::to_string(codec.errorLine()) + ": " + codec.errorString() + ". Файл не будет изменён.";
            return false;
        }
    }
    for (const HiveChange &change : slot.pending)
        applyChange(fresh, change);
    slot.hive.root->takeContentsOf(*fresh.root);
    slot.hive.preamble = std::move(fresh.preamble);
    slot.hive.trailer = std::move(fresh.trailer);
    slot.hive.changed = !slot.pending.empty();
    slot.onDisk = identity;
    return true;
}

bool HiveRegistry::reloadChanged(std::vector<std::string> &errors)
{
    std::lock_guard lock(m_mutex);
    bool reread = false;
    for (Slot &slot : m_slots) {
        if (slot.path.empty() || !slot.writable || fileio::identityOf(slot.path) == slot.onDisk)
            continue;
        std::string error;
        if (this->reread(slot, error))
            reread = true;
        else
            errors.push_back(error);
    }
    return reread;
}

bool HiveRegistry::filesChanged() const
{
    std::lock_guard lock(m_mutex);
    for (const Slot &slot : m_slots)
        if (!slot.path.empty() && slot.writable && !(fileio::identityOf(slot.path) == slot.onDisk))
            return true;
    return false;
}

void HiveRegistry::setHolderCheck(std::function<bool(bool)> heldElsewhere)
{
    std::lock_guard lock(m_mutex);
    m_heldElsewhere = std::move(heldElsewhere);
}

void HiveRegistry::record(Slot *slot, HiveChange change)
{
    if (slot)
        slot->pending.push_back(std::move(change));
}

void HiveRegistry::setReadOnly(bool readOnly)
{
    std::lock_guard lock(m_mutex);
    m_readOnly = readOnly;
}

bool HiveRegistry::readOnly() const
{
    std::lock_guard lock(m_mutex);
    return m_readOnly || (m_heldElsewhere && m_heldElsewhere(false));
}

std::string HiveRegistry::hivePath(HiveId id) const
{
    std::lock_guard lock(m_mutex);
    return m_slots[int(id)].path;
}

std::string HiveRegistry::serialized(HiveId id) const
{
    std::lock_guard lock(m_mutex);
    return HiveCodec::write(m_slots[int(id)].hive);
}

bool HiveRegistry::canWrite(const Slot *slot) const
{
    return slot && slot->writable && !m_readOnly && !(m_heldElsewhere && m_heldElsewhere(false));
}

HiveRegistry::Slot *HiveRegistry::slotFor(std::u16string_view userName)
{
    if (unicode::compareFolded(userName, u".DEFAULT") == 0)
        return &m_slots[int(HiveId::UserDefault)];
    if (unicode::compareFolded(userName, unicode::toUtf16(m_userSid)) == 0)
        return &m_slots[int(HiveId::User)];
    return nullptr;
}

std::shared_ptr<HiveKey> HiveRegistry::keyOf(const KeyHandle &handle, Slot **slot)
{
    auto *h = dynamic_cast<HiveHandle *>(handle.get());
    if (!h || !h->key || h->key->deleted())
        return nullptr;
    if (slot)
        *slot = h->slot;
    return h->key;
}

bool HiveRegistry::linkTarget(const HiveKey &link, Place &place, std::vector<std::u16string> &rest)
{
    const HiveValue *target = link.value(u"SymbolicLinkValue");
    if (!target)
        return false;
    std::vector<std::u16string> parts;
    const std::u16string path = unitsOf(target->value.data);
    if (path.empty() || path.front() != u'\\' || !splitPath(std::u16string_view(path).substr(1), parts))
        return false;
    if (parts.size() < 2 || unicode::compareFolded(parts[0], u"Registry") != 0)
        return false;
    size_t used = 2;
    if (unicode::compareFolded(parts[1], u"Machine") == 0) {
        place.slot = &m_slots[int(HiveId::Machine)];
    } else if (unicode::compareFolded(parts[1], u"User") == 0 && parts.size() >= 3) {
        place.slot = slotFor(parts[2]);
        used = 3;
    } else {
        return false;
    }
    if (!place.slot)
        return false;
    place.key = place.slot->hive.root;
    rest.assign(parts.begin() + std::ptrdiff_t(used), parts.end());
    return true;
}

bool HiveRegistry::walk(Place &place, std::u16string_view path, bool create, bool followLast)
{
    std::vector<std::u16string> parts;
    if (!splitPath(path, parts))
        return false;
    int hops = 0;
    size_t i = 0;
    while (i < parts.size()) {
        const std::u16string &name = parts[i];
        if (!place.slot) {
            Slot *slot = slotFor(name);
            if (!slot)
                return false;
            place = {slot, slot->hive.root};
            ++i;
            continue;
        }
        if (place.key->deleted())
            return false;
        std::shared_ptr<HiveKey> child = place.key->sharedChild(name);
        if (!child) {
            if (!create || !canWrite(place.slot) || name.size() > maxNameLength ||
                depthOf(place.key.get()) >= HiveCodec::maxDepth)
                return false;
            place.key->addChild(name, true)->touch();
            place.key->touch();
            place.slot->hive.changed = true;
            child = place.key->sharedChild(name);
            record(place.slot, {HiveChange::Kind::MakeKey, pathOf(*child), {}, {}});
        }
        ++i;
        if (child->isLink && (i < parts.size() || followLast)) {
            if (++hops > maxLinkHops)
                return false;
            std::vector<std::u16string> rest;
            Place target;
            if (!linkTarget(*child, target, rest))
                return false;
            rest.insert(rest.end(), parts.begin() + std::ptrdiff_t(i), parts.end());
            parts = std::move(rest);
            place = target;
            i = 0;
            continue;
        }
        place.key = std::move(child);
    }
    return true;
}

RegistryBackend::KeyHandle HiveRegistry::root(Root root)
{
    std::lock_guard lock(m_mutex);
    auto handle = std::make_shared<HiveHandle>();
    switch (root) {
    case Root::LocalMachine:
        handle->slot = &m_slots[int(HiveId::Machine)];
        handle->key = handle->slot->hive.root;
        break;
    case Root::CurrentUser:
        handle->slot = &m_slots[int(HiveId::User)];
        handle->key = handle->slot->hive.root;
        break;
    case Root::Users:
        break;
    case Root::ClassesRoot: {
        // The classes key always exists on Windows; a missing one is made without marking the
        // hive changed, so that reading alone never rewrites system.reg.
        Slot *slot = &m_slots[int(HiveId::Machine)];
        std::shared_ptr<HiveKey> key = slot->hive.root;
        for (const char16_t *name : {u"Software", u"Classes"}) {
            std::shared_ptr<HiveKey> next = key->sharedChild(name);
            if (!next) {
                key->addChild(name, true);
                next = key->sharedChild(name);
            }
            key = std::move(next);
        }
        handle->slot = slot;
        handle->key = std::move(key);
        break;
    }
    }
    return handle;
}

RegistryBackend::KeyHandle HiveRegistry::open(const KeyHandle &base, std::string_view path, bool create)
{
    std::lock_guard lock(m_mutex);
    auto *h = dynamic_cast<HiveHandle *>(base.get());
    if (!h || (h->key && h->key->deleted()))
        return nullptr;
    Place place{h->slot, h->key};
    if (!walk(place, unicode::toUtf16(path), create, true))
        return nullptr;
    auto handle = std::make_shared<HiveHandle>();
    handle->slot = place.slot;
    handle->key = place.key;
    return handle;
}

bool HiveRegistry::parentOf(const KeyHandle &base, std::string_view path, Place &place, std::u16string &last)
{
    auto *h = dynamic_cast<HiveHandle *>(base.get());
    if (!h || (h->key && h->key->deleted()))
        return false;
    std::vector<std::u16string> parts;
    if (!splitPath(unicode::toUtf16(path), parts) || parts.empty())
        return false;
    last = parts.back();
    parts.pop_back();
    std::u16string parentPath;
    for (const auto &p : parts)
        parentPath += p + u"\\";
    place = Place{h->slot, h->key};
    return walk(place, parentPath, false, true) && place.slot;
}

bool HiveRegistry::isLink(const KeyHandle &base, std::string_view path)
{
    std::lock_guard lock(m_mutex);
    Place place;
    std::u16string last;
    if (!parentOf(base, path, place, last))
        return false;
    const HiveKey *child = place.key->child(last);
    return child && child->isLink;
}

std::optional<RawValue> HiveRegistry::query(const KeyHandle &key, std::string_view name)
{
    std::lock_guard lock(m_mutex);
    auto node = keyOf(key, nullptr);
    if (!node)
        return std::nullopt;
    const HiveValue *v = node->value(unicode::toUtf16(name));
    if (!v)
        return std::nullopt;
    return v->value;
}

bool HiveRegistry::set(const KeyHandle &key, std::string_view name, const RawValue &value)
{
    std::lock_guard lock(m_mutex);
    Slot *slot = nullptr;
    auto node = keyOf(key, &slot);
    if (!node || !canWrite(slot))
        return false;
    std::u16string valueName = unicode::toUtf16(name);
    node->setValue(valueName, value);
    node->touch();
    slot->hive.changed = true;
    record(slot, {HiveChange::Kind::SetValue, pathOf(*node), std::move(valueName), value});
    return true;
}

bool HiveRegistry::removeValue(const KeyHandle &key, std::string_view name)
{
    std::lock_guard lock(m_mutex);
    Slot *slot = nullptr;
    auto node = keyOf(key, &slot);
    std::u16string valueName = unicode::toUtf16(name);
    if (!node || !canWrite(slot) || !node->removeValue(valueName))
        return false;
    node->touch();
    slot->hive.changed = true;
    record(slot, {HiveChange::Kind::RemoveValue, pathOf(*node), std::move(valueName), {}});
    return true;
}

bool HiveRegistry::removeTree(const KeyHandle &base, std::string_view path)
{
    std::lock_guard lock(m_mutex);
    Place place;
    std::u16string last;
    if (!parentOf(base, path, place, last) || !canWrite(place.slot))
        return false;
    // The named key itself is not followed: deleting a link removes the link.
    if (!place.key->removeChild(last))
        return false;
    place.key->touch();
    place.slot->hive.changed = true;
    std::vector<std::u16string> removed = pathOf(*place.key);
    removed.push_back(std::move(last));
    record(place.slot, {HiveChange::Kind::RemoveKey, std::move(removed), {}, {}});
    return true;
}

std::vector<std::string> HiveRegistry::subkeyNames(const KeyHandle &key)
{
    std::lock_guard lock(m_mutex);
    auto *h = dynamic_cast<HiveHandle *>(key.get());
    if (h && !h->slot)
        return {".DEFAULT", m_userSid};
    auto node = keyOf(key, nullptr);
    std::vector<std::string> names;
    if (!node)
        return names;
    names.reserve(node->children().size());
    for (const auto &child : node->children())
        names.push_back(unicode::toUtf8(child->name()));
    return names;
}

std::vector<std::string> HiveRegistry::valueNames(const KeyHandle &key)
{
    std::lock_guard lock(m_mutex);
    auto node = keyOf(key, nullptr);
    std::vector<std::string> names;
    if (!node)
        return names;
    for (const HiveValue &v : node->values())
        names.push_back(unicode::toUtf8(v.name));
    return names;
}

std::optional<KeyInfo> HiveRegistry::info(const KeyHandle &key)
{
    std::lock_guard lock(m_mutex);
    auto *h = dynamic_cast<HiveHandle *>(key.get());
    KeyInfo info;
    if (h && !h->slot) {
        info.subkeyCount = 2;
        info.longestSubkeyName = std::uint32_t(std::max<size_t>(8, m_userSid.size()));
        return info;
    }
    auto node = keyOf(key, nullptr);
    if (!node)
        return std::nullopt;
    info.subkeyCount = std::uint32_t(node->children().size());
    for (const auto &child : node->children())
        info.longestSubkeyName = std::max(info.longestSubkeyName, std::uint32_t(child->name().size()));
    info.valueCount = std::uint32_t(node->values().size());
    for (const HiveValue &v : node->values()) {
        info.longestValueName = std::max(info.longestValueName, std::uint32_t(v.name.size()));
        info.longestData = std::max(info.longestData, std::uint32_t(v.value.data.size()));
    }
    info.lastWrite = node->modified;
    return info;
}

std::vector<std::string> HiveRegistry::flush()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> errors;
    const auto held = [this] { return m_heldElsewhere && m_heldElsewhere(true); };
    for (Slot &slot : m_slots) {
        if (!slot.hive.changed || !slot.writable || m_readOnly || slot.path.empty())
            continue;
        if (held()) {
            errors.push_back("Файл реестра " + slot.path + " не записан: его держит другая программа.");
            continue;
        }
        // Another program may write the file between our look and the rename: look again, a
        // few times, rather than write over what we did not read.
        bool saved = false;
        std::string error;
        for (int attempt = 0; attempt < 3 && !saved && error.empty(); ++attempt) {
            if (!(fileio::identityOf(slot.path) == slot.onDisk) && !reread(slot, error))
                break;
            fileio::FileIdentity written;
            const auto stillOurs = [&] { return !held() && fileio::identityOf(slot.path) == slot.onDisk; };
            if (fileio::writeAtomically(slot.path, HiveCodec::write(slot.hive), error, stillOurs, &written)) {
                slot.onDisk = written;
                slot.pending.clear();
                slot.hive.changed = false;
                saved = true;
            } else if (error.empty() && held()) {
                error = "Файл реестра " + slot.path + " не записан: его держит другая программа.";
            } else if (!error.empty()) {
                error = "Не удалось записать файл реестра " + slot.path + ": " + error + ".";
            }
        }
        if (!saved)
            errors.push_back(error.empty() ? "Файл реестра " + slot.path +
                                                 " всё время меняется другой программой и не записан."
                                           : error);
    }
    return errors;
}

bool HiveRegistry::hasUnsavedChanges() const
{
    std::lock_guard lock(m_mutex);
    for (const Slot &slot : m_slots)
        if (slot.hive.changed && slot.writable)
            return true;
    return false;
}

void HiveRegistry::discardPending()
{
    std::lock_guard lock(m_mutex);
    for (Slot &slot : m_slots) {
        if (slot.pending.empty() && !slot.hive.changed)
            continue;
        slot.pending.clear();
        std::string ignored;
        if (slot.writable)
            reread(slot, ignored);
    }
}

} // namespace tolvex::registry
