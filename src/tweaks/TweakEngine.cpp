#include "TweakEngine.h"

namespace tolvex::tweaks {

using registry::RegistryError;
using registry::RegistryStore;

namespace {

// A field's text as the DWORD it stands for: a decimal number, negative ones as their
// 32-bit two's complement. Letters or an empty text are not a number.
bool numberOf(const QString &text, std::uint32_t &number)
{
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok, 10);
    if (!ok || n < -2147483648LL || n > 4294967295LL)
        return false;
    number = std::uint32_t(n);
    return true;
}

// One write; false when the store refused it.
bool write(RegistryStore &store, const char *name, ValueType type, const TweakData &data)
{
    try {
        if (type == ValueType::Dword)
            store.SetDword(name, data.number);
        else
            store.SetText(name, data.text);
        return true;
    } catch (const RegistryError &) {
        return false;
    }
}

} // namespace

QString rootDisplayName(Root root) { return QString::fromLatin1(registry::rootName(root).data()); }

QString TweakEntry::hintValueName() const { return QString::fromUtf8(*hintValue ? hintValue : value); }

QString TweakEntry::accessErrorText() const
{
    if (*accessError)
        return QString::fromUtf8(accessError);
    return QStringLiteral("Не удается получить доступ к \"%1\"").arg(QString::fromUtf8(value));
}

void ControlStateMap::add(const TweakEntry &entry)
{
    State state;
    if (!entry.holdsNumber())
        state.text.clear();
    m_states.insert(QString::fromUtf8(entry.control), state);
    if (*entry.field)
        m_states.insert(QString::fromUtf8(entry.field), State{});
}

QString TweakEngine::loadRow(const TweakEntry &row, RegistryStore &store, TweakControls &controls)
{
    QString message;
    const QString control = QString::fromUtf8(row.control);
    store.SelectRoot(row.root);
    const bool opened = store.OpenPath(row.keyPath, false);
    try {
        switch (row.rule) {
        case LoadRule::EqualsOne:
            controls.setChecked(control, store.GetDword(row.value) == 1);
            break;
        case LoadRule::EqualsNumber:
            controls.setChecked(control, store.GetDword(row.value) == row.ruleNumber);
            break;
        case LoadRule::EqualsText:
            controls.setChecked(control, store.GetText(row.value) == row.ruleText);
            break;
        case LoadRule::DiffersFromText:
            controls.setChecked(control, store.GetText(row.value) != row.ruleText);
            break;
        case LoadRule::BothOne: {
            const bool both = store.GetDword(row.value) == 1 && store.GetDword(row.value2) == 1;
            controls.setChecked(control, both ? row.bothOneChecked : !row.bothOneChecked);
            break;
        }
        case LoadRule::KeyExists:
            controls.setChecked(control, opened && store.HasKey(row.value));
            break;
        case LoadRule::ShowNumber:
            controls.setText(control, QString::number(store.GetDword(row.value)));
            break;
        case LoadRule::ShowText:
            controls.setText(control, QString::fromStdString(store.GetText(row.value)));
            break;
        case LoadRule::Custom:
            if (row.customLoad)
                row.customLoad(row, store, controls);
            break;
        case LoadRule::NumberInField: {
            // The box is set, then cleared again for 0: both changes reach the page like clicks.
            controls.setText(QString::fromUtf8(row.field), QString::number(store.GetDword(row.value)));
            controls.setChecked(control, true);
            if (store.GetDword(row.value) == 0)
                controls.setChecked(control, false);
            break;
        }
        }
    } catch (const RegistryError &) {
        if (*row.loadFailureMessage)
            message = QString::fromUtf8(row.loadFailureMessage);
        else if (row.rule == LoadRule::NumberInField)
            controls.setEnabled(QString::fromUtf8(row.field), false);
        else
            controls.setEnabled(control, false);
    }
    store.ClosePath();
    return message;
}

QStringList TweakEngine::applyRow(const TweakEntry &row, RegistryStore &store, const TweakControls &controls)
{
    const QString control = QString::fromUtf8(row.control);
    const bool on = row.controlType == ControlType::CheckBox && controls.checked(control);
    store.SelectRoot(row.root);
    store.OpenPath(row.keyPath, true); // a refused open makes the writes below fail
    bool written = true;
    switch (row.rule) {
    case LoadRule::EqualsOne:
    case LoadRule::EqualsNumber:
    case LoadRule::EqualsText:
    case LoadRule::DiffersFromText:
        written = write(store, row.value, row.type, on ? row.checked : row.unchecked);
        break;
    case LoadRule::BothOne: {
        const TweakData &data = on ? row.checked : row.unchecked;
        const bool first = write(store, row.value, row.type, data);
        const bool second = write(store, row.value2, row.type, data);
        written = first && second;
        break;
    }
    case LoadRule::KeyExists:
        try {
            if (on)
                store.MakeKey(row.value);
            else if (store.HasKey(row.value))
                written = store.RemoveKey(row.value);
        } catch (const RegistryError &) {
            written = false;
        }
        break;
    case LoadRule::ShowNumber: {
        std::uint32_t number = 0;
        written = numberOf(controls.text(control), number) && write(store, row.value, ValueType::Dword, number);
        break;
    }
    case LoadRule::ShowText: {
        const QByteArray text = controls.text(control).toUtf8();
        written = write(store, row.value, ValueType::Text, text.constData());
        break;
    }
    case LoadRule::Custom:
        written = !row.customApply || row.customApply(row, store, controls);
        break;
    case LoadRule::NumberInField: {
        std::uint32_t number = 0;
        written = (!on || numberOf(controls.text(QString::fromUtf8(row.field)), number)) &&
                  write(store, row.value, ValueType::Dword, number);
        break;
    }
    }
    store.ClosePath();
    return written ? QStringList() : QStringList{row.accessErrorText()};
}

bool TweakEngine::applyRowCounting(const TweakEntry &row, RegistryStore &store, const TweakControls &controls)
{
    try {
        return applyRow(row, store, controls).isEmpty();
    } catch (const RegistryError &) {
        store.ClosePath();
        return false;
    }
}

HintTexts TweakEngine::hint(const TweakEntry &row)
{
    const QString branch = QStringLiteral("Ветка:") + rootDisplayName(row.root) + u'\\' + QString::fromUtf8(row.keyPath);
    const QString key = QStringLiteral("Ключ:") + row.hintValueName();
    return {branch + QStringLiteral("  ") + key, branch, key};
}

void TweakEngine::capture(const TweakPageDef &page, const TweakControls &controls, CapturedState &state)
{
    for (const TweakEntry &row : page.rows) {
        if (!row.captured)
            continue;
        const QString control = QString::fromUtf8(row.control);
        state.controls.insert(control, {controls.checked(control), controls.text(control)});
    }
}

void TweakEngine::restore(const TweakPageDef &page, const CapturedState &state, TweakControls &controls)
{
    for (const TweakEntry &row : page.rows) {
        const QString control = QString::fromUtf8(row.control);
        if (!row.captured || !state.controls.contains(control))
            continue;
        const CapturedState::Control &saved = state.controls[control];
        if (row.controlType == ControlType::CheckBox)
            controls.setChecked(control, saved.checked);
        else
            controls.setText(control, saved.text);
    }
}

} // namespace tolvex::tweaks
