#include "SystemPagesRows.h"

namespace tolvex::tweaks::xp {

using registry::RegistryError;
using registry::RegistryStore;

namespace {

void loadText(const TweakEntry &row, RegistryStore &store, TweakControls &controls, const char *firstText)
{
    const QString control = QString::fromUtf8(row.control);
    try {
        controls.setText(control, QString::fromStdString(store.GetText(row.value)));
    } catch (const RegistryError &) {
        controls.setText(control, QString::fromUtf8(firstText));
        throw; // the mechanism greys the field
    }
}

} // namespace

void loadPair(const TweakEntry &row, RegistryStore &store, TweakControls &controls)
{
    const std::uint32_t on = row.checked.number;
    const bool both = store.GetDword(row.value) == on && store.GetDword(row.value2) == on;
    controls.setChecked(QString::fromUtf8(row.control), both);
}

bool applyPair(const TweakEntry &row, RegistryStore &store, const TweakControls &controls)
{
    const TweakData &data = controls.checked(QString::fromUtf8(row.control)) ? row.checked : row.unchecked;
    try {
        store.SetDword(row.value, data.number);
        store.SetDword(row.value2, data.number);
        return true;
    } catch (const RegistryError &) {
        return false;
    }
}

void loadDelayField(const TweakEntry &row, RegistryStore &store, TweakControls &controls)
{
    loadText(row, store, controls, "[значение в миллисекундах в текстовом виде]");
}

void loadTimeoutField(const TweakEntry &row, RegistryStore &store, TweakControls &controls)
{
    loadText(row, store, controls, "в миллисекундах");
}

bool applyTextField(const TweakEntry &row, RegistryStore &store, const TweakControls &controls)
{
    const QString control = QString::fromUtf8(row.control);
    // A greyed field holds no value read from the registry, only its first text: writing that
    // would replace the stored value with words.
    if (!controls.enabled(control))
        return true;
    const QByteArray text = controls.text(control).toUtf8();
    try {
        store.SetText(row.value, std::string_view(text.constData(), size_t(text.size())));
        return true;
    } catch (const RegistryError &) {
        return false;
    }
}

} // namespace tolvex::tweaks::xp
