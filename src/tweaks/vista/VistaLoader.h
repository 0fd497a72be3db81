#pragma once

#include "TweakEngine.h"
#include "vista/VistaSnapshot.h"

namespace tolvex::tweaks {

// Loads the four Vista pages in vistaLoadOrder() and records each loaded state into `snapshot`.
// Reads only. A row whose read fails greys its control and leaves its snapshot field as it was.
void VLoadRegedit(registry::RegistryStore &store, TweakControls &controls, VistaSnapshot &snapshot);

} // namespace tolvex::tweaks
