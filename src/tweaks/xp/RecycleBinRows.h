#pragma once

#include "TweakEngine.h"

namespace tolvex::tweaks::recycleBin {

// The recycle-bin page reports a refused write through the store's own error, which ends its
// OK there: these apply functions throw registry::RegistryError instead of returning false.

// The bin's display name. A failed read greys the field and leaves it empty; OK then leaves the
// stored value alone, since the field never showed it.
void loadName(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
bool applyName(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls);

// The bin's icon in the computer folder: the subkey `row.value` under the row's key.
void loadIcon(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
bool applyIcon(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls);

} // namespace tolvex::tweaks::recycleBin
