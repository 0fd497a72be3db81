// Any bytes as a .LsD result file: reading must not crash; a file it takes is sound throughout
// (every path ends), and writing it again gives a file that reads back the same.
#include "LsdFile.h"

#include <cstdint>
#include <cstdlib>

using namespace tolvex::duplicates;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    DuplicateTables tables;
    QString error;
    if (!LsdFile::read(bytes, tables, &error)) {
        if (error.isEmpty() || !tables.FileTable.isEmpty() || !tables.FolderTable.isEmpty())
            std::abort(); // a refusal says why and changes nothing
        return 0;
    }
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row)
        (void)tables.filePath(row);
    const QByteArray written = LsdFile::write(tables);
    DuplicateTables again;
    if (!LsdFile::read(written, again, nullptr) || LsdFile::write(again) != written)
        std::abort();
    return 0;
}
