#pragma once

#include "TweakCatalogue.h"

namespace tolvex::tweaks {

// The Vista generation's pages; vistaPages() lists them in this order.
const TweakPageDef &vistaTaskbarPage();    // sTabSheet18
const TweakPageDef &vistaSystemPage();     // sTabSheet19
const TweakPageDef &vistaRecycleBinPage(); // sTabSheet20
const TweakPageDef &vistaExplorerPage();   // sTabSheet21

} // namespace tolvex::tweaks
