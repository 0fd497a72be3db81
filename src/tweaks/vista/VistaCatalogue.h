#pragma once

#include "TweakCatalogue.h"

namespace tolvex::tweaks {

// The Vista generation's pages; vistaPages() lists them in this order.
const TweakPageSpec &vistaTaskbarPage();    // sTabSheet18
const TweakPageSpec &vistaSystemPage();     // sTabSheet19
const TweakPageSpec &vistaRecycleBinPage(); // sTabSheet20
const TweakPageSpec &vistaExplorerPage();   // sTabSheet21

} // namespace tolvex::tweaks
