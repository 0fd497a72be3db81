#include "RecycleBinRows.h"

namespace tolvex::tweaks::recycleBin {

using registry::RegistryError;
using registry::RegistryStore;

namespace {

// Whether the engine's open of the row's key worked. Without it, paths would resolve from the
// root and find or make the subkey in the wrong place.
bool onRowKey(const TweakEntry &row, const RegistryStore &store)
{
    return store.HasCurrentKey() && store.CurrentPath() == row.keyPath;
}

} // namespace

void loadName(const TweakEntry &row, RegistryStore &store, TweakControls &controls)
{
    const QString control = QString::fromUtf8(row.control);
    controls.setText(control, QString());
    controls.setText(control, QString::fromStdString(store.GetText(row.value)));
}

bool applyName(const TweakEntry &row, RegistryStore &store, const TweakControls &controls)
{
    const QString control = QString::fromUtf8(row.control);
    if (!controls.enabled(control))
        return true;
    store.SetText(row.value, controls.text(control).toStdString());
    return true;
}

void loadIcon(const TweakEntry &row, RegistryStore &store, TweakControls &controls)
{
    controls.setChecked(QString::fromUtf8(row.control), onRowKey(row, store) && store.HasKey(row.value));
}

bool applyIcon(const TweakEntry &row, RegistryStore &store, const TweakControls &controls)
{
    const bool on = controls.checked(QString::fromUtf8(row.control));
    if (!onRowKey(row, store)) {
        if (on)
            throw RegistryError(std::string("Failed to create key ") + row.keyPath);
        return true; // no key, so no subkey to remove
    }
    if (on)
        store.MakeKey(row.value);
    else if (store.HasKey(row.value) && !store.RemoveKey(row.value))
        throw RegistryError(std::string("Failed to delete key ") + row.value);
    return true;
}

} // namespace tolvex::tweaks::recycleBin
