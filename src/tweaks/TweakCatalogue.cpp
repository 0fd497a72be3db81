#include "TweakCatalogue.h"

namespace tolvex::tweaks {

std::vector<const TweakPageDef *> xpPages()
{
    return {&systemSettingsPage(), &desktopPage(),  &recycleBinPage(), &explorerPage(), &networkSecurityPage(),
            &taskbarPage(),        &startMenuPage(), &fontsAppsPage(),  &logonPage()};
}

namespace {
QStringList controlsOf(const TweakPageDef &page)
{
    QStringList names;
    for (const TweakEntry &row : page.rows)
        names.append(QString::fromUtf8(row.control));
    return names;
}
} // namespace

QStringList xpLoadOrder()
{
    // A fixed order across the pages, which the backups and the start-up rely on.
    QStringList order{"ClFilePod",       "DWATSON",        "NOWRITELASTNTFS",    "DSFILEP",
                      "AUTUNLDLL",       "OffSEEOSUSER",   "RUN16bitOTD",        "DONTSENDINMIC",
                      "OPSFILELOADING",  "QUICKEDITCOMANDROW", "SETTCACHE2LEVEL", "OPTSYSTCACHE",
                      "SETCACHEDISC"};
    order += controlsOf(explorerPage());
    order += QStringList{"FullDisNetRes", "CloseAnUserSeeRes", "ShowHint", "NoTray", "EnAutoTray", "sEdit3",
                         "ADDSHortInMyC", "DISRS", "VerWinOnDEsktop", "DISActDeskt", "HIDERS", "HIDEZ", "HIDEP",
                         "HIDETAO"};
    order += controlsOf(startMenuPage());
    order += controlsOf(fontsAppsPage());
    order += controlsOf(logonPage());
    return order;
}

const TweakEntry *findRow(const std::vector<const TweakPageDef *> &pages, const QString &control)
{
    const QByteArray name = control.toUtf8();
    for (const TweakPageDef *page : pages)
        for (const TweakEntry &row : page->rows)
            if (name == row.control)
                return &row;
    return nullptr;
}

QStringList applyPages(const std::vector<const TweakPageDef *> &pages, const QStringList &okButtons,
                       registry::RegistryStore &store, const TweakControls &controls)
{
    QStringList errors;
    for (const QString &ok : okButtons)
        for (const TweakPageDef *page : pages)
            if (ok == QString::fromUtf8(page->okButton))
                for (const TweakEntry &row : page->rows)
                    errors += TweakEngine::applyRow(row, store, controls);
    return errors;
}

QStringList xpRestoreOkOrder()
{
    return {"SystemSoK", "RSOk", "VSOk", "PZOk", "MPOk", "SPOk", "NKOk", "NasProvOk", "SBOk"};
}

QStringList loadPages(const std::vector<const TweakPageDef *> &pages, const QStringList &order,
                      registry::RegistryStore &store, TweakControls &controls,
                      const std::function<void(const QString &message)> &onMessage)
{
    QStringList messages;
    for (const QString &control : order)
        if (const TweakEntry *row = findRow(pages, control)) {
            const QString message = TweakEngine::loadRow(*row, store, controls);
            if (message.isEmpty())
                continue;
            messages.append(message);
            if (onMessage)
                onMessage(message);
        }
    return messages;
}

} // namespace tolvex::tweaks
