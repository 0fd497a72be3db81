#pragma once

#include "TweakEngine.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace tolvex::tweaks {

// The catalogues: every tweak page of one generation, and the order their loader reads the rows.
const TweakPageDef &systemSettingsPage();  // SystemSettings
const TweakPageDef &desktopPage();         // sTabSheet5
const TweakPageDef &recycleBinPage();      // sTabSheet4
const TweakPageDef &explorerPage();        // sTabSheet6
const TweakPageDef &networkSecurityPage(); // sTabSheet7
const TweakPageDef &taskbarPage();         // sTabSheet8
const TweakPageDef &startMenuPage();       // sTabSheet9
const TweakPageDef &fontsAppsPage();       // sTabSheet10
const TweakPageDef &logonPage();           // sTabSheet11

std::vector<const TweakPageDef *> xpPages();
std::vector<const TweakPageDef *> vistaPages();

// The rows of all XP pages in the order LoadRegedit reads them.
QStringList xpLoadOrder();
QStringList vistaLoadOrder();

const TweakEntry *findRow(const std::vector<const TweakPageDef *> &pages, const QString &control);

// Loads every row of `pages` in `order` (mode 0 of the loaders): reads only. Returns the
// messages of failed reads that rows report that way, in load order; `onMessage` is told each
// one as its row is loaded, before the rows after it.
QStringList loadPages(const std::vector<const TweakPageDef *> &pages, const QStringList &order,
                      registry::RegistryStore &store, TweakControls &controls,
                      const std::function<void(const QString &message)> &onMessage = {});

// Applies whole pages, as their OK buttons do, in the order of the OK buttons named; returns the
// access-error texts of what failed.
QStringList applyPages(const std::vector<const TweakPageDef *> &pages, const QStringList &okButtons,
                       registry::RegistryStore &store, const TweakControls &controls);
// The XP pages' OK buttons in the order a restore from a backup runs them.
QStringList xpRestoreOkOrder();

// XP start-up: writes the default of every listed value that cannot be read. Returns the store's
// texts of the writes that failed; a failure stops nothing.
QStringList CreateKeys(registry::RegistryStore &store);

} // namespace tolvex::tweaks
