#pragma once

#include "FileIO.h"
#include "Hive.h"
#include "RegistryBackend.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tolvex::registry {

// The registry of a Wine prefix: HKEY_LOCAL_MACHINE from system.reg, HKEY_CURRENT_USER and
// HKEY_USERS\<sid> from user.reg, HKEY_USERS\.DEFAULT from userdef.reg, HKEY_CLASSES_ROOT as
// HKLM\Software\Classes. Safe to use from several threads.
//
// Wine writes the same files. Each change is kept until it is saved, and a save first checks that
// the file is still the version that was read: when another program wrote it meanwhile, the file
// is read again and the changes are made once more on top of it, so that both sides' writes
// survive.
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

    // Refuses every change (another Tolvex has the machine).
    void setReadOnly(bool readOnly);
    // Asked before changes (`fresh` false: a recent answer will do) and just before every save
    // (`fresh` true): whether another program holds the files now, so that whatever is written
    // to them would be lost. Changes are refused and saves put off while it says so.
    void setHolderCheck(std::function<bool(bool fresh)> heldElsewhere);
    // Reads again the files that changed on disk since they were read or written (another program
    // wrote them), keeping the changes not yet saved on top. True when anything was read again;
    // the errors of files that no longer parse are added to `errors`, and those stay unwritten.
    bool reloadChanged(std::vector<std::string> &errors);
    // Whether a file changed on disk since it was read or written: a cheap look, no reading.
    bool filesChanged() const;
    bool hasUnsavedChanges() const;
    // Forgets the changes not yet saved: the hives become what their files hold.
    void discardPending();
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
        fileio::FileIdentity onDisk;         // the version `hive` was read from or written as
        std::vector<HiveChange> pending;     // made since then, in order
    };

private:
    // Reads the slot's file again under its changes; false (and `error`) when it does not parse.
    bool reread(Slot &slot, std::string &error);
    void record(Slot *slot, HiveChange change);
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
    std::function<bool(bool)> m_heldElsewhere;
};

} // namespace tolvex::registry
