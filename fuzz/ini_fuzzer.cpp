// Any bytes as an INI file: parsing must not crash, and what is written reads back the same.
#include "ini/IniDocument.h"

#include <cstdint>
#include <cstdlib>

using tolvex::ini::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument doc = IniDocument::parse(bytes);
    for (const QString &section : doc.sections())
        for (const QString &key : doc.keys(section))
            (void)doc.value(section, key);
    const QByteArray written = doc.toBytes();
    IniDocument again = IniDocument::parse(written);
    if (again.toBytes() != written || again.sections() != doc.sections())
        std::abort();
    again.setValue(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("Значение"));
    if (IniDocument::parse(again.toBytes()).value(QStringLiteral("fuzz"), QStringLiteral("KEY")) !=
        QStringLiteral("Значение"))
        std::abort();
    return 0;
}
