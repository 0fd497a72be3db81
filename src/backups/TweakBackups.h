#pragma once

#include "BackupFiles.h"
#include "TweakEngine.h"

#include "ProgramContext.h"

namespace tolvex::backups {

// The XP tweak pages as a restore drives them once the values are back: the window's pages, or
// controls in memory for tolvex-cli.
class XpPagesAfterRestore
{
public:
    virtual ~XpPagesAfterRestore() = default;
    // LoadRegedit in its page mode.
    virtual void reload() = 0;
    // One page's OK command; the rows whose write failed, in the page's order.
    virtual QList<const tweaks::TweakEntry *> runOk(const QString &okButton) = 0;
};

// The XP pages as controls in memory, for a restore without the window (tolvex-cli).
class MemoryXpPages final : public XpPagesAfterRestore
{
public:
    explicit MemoryXpPages(platform::Machine &machine);
    void reload() override;
    QList<const tweaks::TweakEntry *> runOk(const QString &okButton) override;
    const tweaks::ControlStateMap &controls() const { return m_controls; }

private:
    registry::RegistryStore m_store;
    tweaks::ControlStateMap m_controls;
};

// Making, restoring and deleting backup files in the program folder's Backups folder. The
// registry side only: reloading and applying the tweak pages after a restore is the caller's.
class TweakBackups
{
public:
    explicit TweakBackups(platform::ProgramContext &context);

    // Windows form of the folder ("<program folder>\Backups"), as the file scan lists it.
    QString folder() const;
    QString pathOf(const QString &fileName) const;

    // Writes an XP backup of the chosen groups from a fresh snapshot of the registry and returns
    // its path; the folder must exist ("Unable to write to <path>" otherwise).
    QString makeXp(const QList<Group> &groups);
    // Restores an XP backup file: its values back into the registry, each that can be written,
    // then the pages reloaded and their OK commands run in the restore order. The file is only
    // read. The report lists what was left as it was, OK's failures included.
    RestoreReport restoreXp(const QString &path, XpPagesAfterRestore &pages);
    // Writes a Vista backup of the chosen groups from the states the Vista pages last loaded.
    QString makeVista(const QList<Group> &groups, const tweaks::VistaSnapshot &snapshot);
    bool remove(const QString &path);

    const BackupSnapshot &snapshot() const { return m_snapshot; }

    ini::IniDocument read(const QString &path) const;
    void write(const QString &path, const ini::IniDocument &document) const;

private:
    platform::ProgramContext &m_context;
    BackupSnapshot m_snapshot; // kept between backups, as long as the program runs
};

} // namespace tolvex::backups
