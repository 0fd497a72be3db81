#pragma once

// What the save loop writes and how a file's generation is read back, for the loop and the test
// that kills it.
#include "BackupFiles.h"

#include <QList>
#include <QString>

#include <optional>

namespace tolvex::test::crash {

// The hive: a key of bulk values that every save writes out again, and the generation.
inline constexpr char hiveKey[] = "\\Software\\Tolvex Crash Test";
inline constexpr char hiveValue[] = "Generation";
inline constexpr char bulkKey[] = "\\Software\\Tolvex Crash Bulk";
inline constexpr int bulkValues = 20000;

inline constexpr int configRows = 300;
QString configFilter(quint32 generation, int row);

const backups::BackupKey &backupMarker();
QList<backups::Group> allGroups();
QString backupPath(const QString &machineFolder);
QString configPath(const QString &machineFolder);

// The generation the file of `kind` holds: 0 while there is none; nullopt, with why, when the
// file does not parse or is not whole.
std::optional<quint32> readGeneration(const QString &kind, const QString &machineFolder, QString *why = nullptr);

inline quint32 currentGeneration(const QString &kind, const QString &machineFolder)
{
    return readGeneration(kind, machineFolder).value_or(0);
}

} // namespace tolvex::test::crash
