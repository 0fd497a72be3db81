#pragma once

#include "TweakEngine.h"

// The rows of the network, start-menu and fonts pages that the common rules do not cover.
namespace tolvex::tweaks::xp {

// Two DWORDs (`value`, `value2`): checked when both hold the checked data, the second read only
// when the first does. Written under one guard: when the first write is refused the second is
// not tried, and the one message names the first.
void loadPair(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
bool applyPair(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls);

// Text fields showing a text value. A failed read puts back the field's first text and greys it;
// a greyed field is not written.
void loadDelayField(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
void loadTimeoutField(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
bool applyTextField(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls);

} // namespace tolvex::tweaks::xp
