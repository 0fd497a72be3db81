#pragma once

#include "RegFile.h"
#include "RegistryScan.h"

#include <functional>
#include <optional>

namespace tolvex::registry_cleaner {

// Fixing what a scan found: an extension row's whole key goes, a file-reference row's value
// goes. A backup, when asked for, is a registry-editor file of what the fix removes, written
// whole, read back and checked before anything is removed.
class RegistryFix
{
public:
    explicit RegistryFix(registry::RegistryBackend &backend);

    void StartBackupText();
    // The row's key line, and its value line (@= for the default value), when its key can
    // still be opened.
    void RecordBackupEntry(registry::Root root, const QString &keyPath, const QString &valueName,
                           const QString &valueText);
    bool FixRegistryEntry(registry::Root root, const QString &keyPath, const QString &valueName);
    const RegFile &backupText() const { return m_backup; }

    // Writes the backup to `hostFile` (replaced at once) and checks that it reads back as
    // recorded. Empty on success, else what went wrong, in Russian.
    QString writeBackup(const QString &hostFile) const;

    struct Outcome
    {
        // Set when the backup could not be written or read back: then nothing was fixed.
        QString backupError;
        QList<bool> fixed; // per row given
    };
    // What a caller that shows the rows hears during a pass.
    struct Hooks
    {
        std::function<void()> between;             // before each row
        std::function<bool(int row)> stillWanted;  // asked as the pass reaches a row
        std::function<void(int row)> fixedRow;     // told as soon as a row is fixed
    };
    // Records every row (with a backup file), writes and checks the backup, then fixes the rows
    // in order. A row the caller no longer wants when the pass reaches it is left alone.
    Outcome fixRows(const QList<RegistryErrorRow> &rows, const std::optional<QString> &backupFile,
                    const Hooks &hooks = {});

    static const QString fixedText; // "Исправлено"

private:
    registry::RegistryBackend &m_backend;
    RegFile m_backup;
};

} // namespace tolvex::registry_cleaner
