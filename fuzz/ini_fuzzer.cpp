// Any bytes as an INI file: parsing must not crash, and what is written reads back the same. The
// readers built on it take the same bytes: Config.ini's advanced-cleaning lists, and a tweak
// backup restored (XP) into an empty registry or onto the Vista pages' controls.
#include "BackupFiles.h"
#include "ProSettings.h"
#include "TweakCatalogue.h"
#include "ini/IniDocument.h"
#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"

#include <cstdint>
#include <cstdlib>

using namespace tolvex;
using ini::IniDocument;

namespace {

void readAsConfig(const IniDocument &doc)
{
    advanced_cleaning::ProSettings settings;
    settings.LoadNastr(doc);
    // The counts are bounded whatever the file says.
    if (settings.filters.size() > 100000 || settings.exclusions.size() > 100000 || settings.paths.size() > 100000)
        std::abort();
}

void restoreAsBackup(const IniDocument &doc)
{
    registry::HiveRegistry hives;
    hives.load("/nonexistent");
    registry::RegistryStore store(hives);
    const backups::RestoreReport report = backups::restoreXpBackup(doc, store);
    for (const backups::SkippedValue &value : report.skipped)
        if (backups::RestoreReport::lineOf(value).isEmpty())
            std::abort();

    tweaks::ControlStateMap controls;
    for (const tweaks::TweakPageDef *page : tweaks::vistaPages())
        for (const tweaks::TweakEntry &row : page->rows)
            controls.add(row);
    backups::restoreVistaBackup(doc, controls, [](const QString &) {});
}

} // namespace

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

    readAsConfig(doc);
    if (backups::isTweakBackup(doc))
        restoreAsBackup(doc);
    return 0;
}
