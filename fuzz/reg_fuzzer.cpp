// Any bytes as a registry-editor file read back after a backup: parsing must not crash, and a
// file it takes writes out and reads back to the same keys and values.
#include "RegFile.h"

#include <cstdint>
#include <cstdlib>

using namespace tolvex::registry_cleaner;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<RegFile> file = RegFile::parse(bytes, &error);
    if (!file) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const std::optional<RegFile> again = RegFile::parse(file->toBytes());
    if (!again || again->lines() != file->lines())
        std::abort();
    return 0;
}
