#pragma once

#include "DuplicateTables.h"

#include <QByteArray>
#include <QString>

namespace tolvex::duplicates {

// The .LsD result file: a magic number, the three criteria, the folder records and the file
// records, little-endian, 136 and 148 bytes a record, names cut to 128 bytes. A protected folder
// is marked in a padding byte of its record; ticks are not saved.
class LsdFile
{
public:
    static constexpr quint32 magic = 123456789;
    static constexpr qsizetype folderRecord = 136;
    static constexpr qsizetype fileRecord = 148;

    static QByteArray write(const DuplicateTables &tables);
    // Fills `tables` only when the whole file is sound: the magic number ("Неверный тип файла"
    // otherwise), counts that match the file's length, name lengths, and every Folder and Parent
    // index pointing at an earlier folder record. Otherwise `error` says what is wrong.
    static bool read(const QByteArray &bytes, DuplicateTables &tables, QString *error);

    static const QString wrongType;
};

} // namespace tolvex::duplicates
