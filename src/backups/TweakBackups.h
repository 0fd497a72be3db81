#pragma once

#include "BackupFiles.h"

#include "ProgramContext.h"

namespace tolvex::backups {

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
    // Writes the values of an XP backup file back into the registry; the file is only read.
    void restoreXp(const QString &path);
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
