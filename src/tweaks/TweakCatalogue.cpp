#include "TweakCatalogue.h"

namespace tolvex::tweaks {

std::vector<const TweakPageSpec *> xpPages() { return {&systemSettingsPage()}; }

std::vector<const TweakPageSpec *> vistaPages() { return {}; }

QStringList xpLoadOrder()
{
    // The system settings page first, then the other XP pages; a name with no row yet is skipped.
    return {"ClFilePod",          "DWATSON",         "NOWRITELASTNTFS", "DSFILEP",      "AUTUNLDLL",
            "OffSEEOSUSER",       "RUN16bitOTD",     "DONTSENDINMIC",   "OPSFILELOADING",
            "QUICKEDITCOMANDROW", "SETTCACHE2LEVEL", "OPTSYSTCACHE",    "SETCACHEDISC"};
}

QStringList vistaLoadOrder() { return {}; }

const TweakEntry *findRow(const std::vector<const TweakPageSpec *> &pages, const QString &control)
{
    const QByteArray name = control.toUtf8();
    for (const TweakPageSpec *page : pages)
        for (const TweakEntry &row : page->rows)
            if (name == row.control)
                return &row;
    return nullptr;
}

void loadPages(const std::vector<const TweakPageSpec *> &pages, const QStringList &order,
               registry::RegistryStore &store, TweakControls &controls)
{
    for (const QString &control : order)
        if (const TweakEntry *row = findRow(pages, control))
            TweakEngine::loadRow(*row, store, controls);
}

} // namespace tolvex::tweaks
