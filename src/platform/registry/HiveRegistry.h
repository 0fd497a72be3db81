#pragma once

#include "Hive.h"
#include "RegistryBackend.h"

#include <mutex>
#include <string>
#include <vector>

namespace tolvex::registry {

// The registry of a Wine prefix: HKEY_LOCAL_MACHINE from system.reg, HKEY_CURRENT_USER and
// HKEY_USERS\<sid> from user.reg, HKEY_USERS\.DEFAULT from userdef.reg, HKEY_CLASSES_ROOT as
// HKLM\Software\Classes. Safe to use from several threads.
class HiveRegistry final : public RegistryBackend
{
public:
    enum class HiveId { Machine, User, UserDefault };

    HiveRegistry();
    ~HiveRegistry() override;

    // Loads the three files of a prefix folder. A file that does not parse is kept empty and is
    // never written; its error (file and line) is in loadErrors(). A missing file starts empty.
    void load(const std::string &prefixFolder);
    const std::vector<std::string> &loadErrors() const { return m_loadErrors; }

    // Refuses every change, for a prefix whose wineserver holds the registry.
    void setReadOnly(bool readOnly);
    // Removes what saves cut short by a kill left beside the files; for the machine's one writer.
    void removeLeftSaves();
    bool readOnly() const;

    const std::string &userSid() const { return m_userSid; }
    std::string hivePath(HiveId id) const;
    // The hive as it would be written now (tests and the benchmark compare it with the file).
    std::string serialized(HiveId id) const;

    KeyHandle root(Root root) override;
    KeyHandle open(const KeyHandle &base, std::string_view path, bool create) override;
    bool isLink(const KeyHandle &base, std::string_view path) override;
    std::optional<RawValue> query(const KeyHandle &key, std::string_view name) override;
    bool set(const KeyHandle &key, std::string_view name, const RawValue &value) override;
    bool removeValue(const KeyHandle &key, std::string_view name) override;
    bool removeTree(const KeyHandle &base, std::string_view path) override;
    std::vector<std::string> subkeyNames(const KeyHandle &key) override;
    std::vector<std::string> valueNames(const KeyHandle &key) override;
    std::optional<KeyInfo> info(const KeyHandle &key) override;
    std::vector<std::string> flush() override;

    struct Slot
    {
        std::string path;
        Hive hive;
        bool writable = true;
    };

private:
    struct Place;
    bool walk(Place &place, std::u16string_view path, bool create, bool followLast);
    // The key holding the last name of `path` (links followed) and that name, not followed.
    bool parentOf(const KeyHandle &base, std::string_view path, Place &place, std::u16string &last);
    bool linkTarget(const HiveKey &link, Place &place, std::vector<std::u16string> &rest);
    Slot *slotFor(std::u16string_view userName);
    bool canWrite(const Slot *slot) const;
    static std::shared_ptr<HiveKey> keyOf(const KeyHandle &handle, Slot **slot);

    mutable std::recursive_mutex m_mutex;
    Slot m_slots[3];
    std::string m_folder;
    std::vector<std::string> m_loadErrors;
    std::string m_userSid = "S-1-5-21-0-0-0-1000";
    bool m_readOnly = false;
};

} // namespace tolvex::registry
