#pragma once

#include "registry/RegistryTypes.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tolvex::tweaks {

using registry::Root;

enum class ValueType { Dword, Text };
enum class ControlType { CheckBox, Field };

// How the stored data sets the control.
enum class LoadRule {
    EqualsOne,         // DWORD: checked when 1
    EqualsText,        // text: checked when equal to ruleText (absent reads as "")
    DiffersFromText,   // text: checked when different from ruleText
    EqualsNumber,      // DWORD: checked when equal to ruleNumber
    BothOne,           // two DWORDs: both 1 gives bothOneChecked; the second is read only when the first is 1
    KeyExists,         // checked when the subkey `value` exists under the key
    ShowNumber,        // field shows the DWORD in decimal
    ShowText,          // field shows the text
    NumberInField,     // `field` shows the DWORD; the box is checked when it is not 0
    Custom,            // the row's own load and apply functions, kept next to its catalogue
};

// What makes a control enable its page's OK button.
enum class ChangeTrigger { Default, Click, Focus, ClickAndFocus, None };

// What a row writes for one state: a number for DWORD rows, a text for text rows.
struct TweakData
{
    TweakData() = default;
    TweakData(std::uint32_t n) : number(n) {}
    TweakData(const char *t) : text(t) {}
    std::uint32_t number = 0;
    const char *text = "";
};

class TweakControls;
struct TweakEntry;
} // namespace tolvex::tweaks
namespace tolvex::registry {
class RegistryStore;
}
namespace tolvex::tweaks {

// A row's own rules, for the few rows the common ones do not cover. Load: read and set the
// controls, throwing RegistryError on a failed read (the control is then greyed). Apply: write,
// returning false when a write failed.
using CustomLoad = void (*)(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
using CustomApply = bool (*)(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls);

// One catalogue row: a control and the registry value (or two) it stands for.
struct TweakEntry
{
    const char *control = "";
    const char *caption = "";
    const char *tooltip = "";
    ControlType controlType = ControlType::CheckBox;
    Root root = Root::CurrentUser;
    const char *keyPath = "";
    const char *value = "";
    const char *value2 = ""; // BothOne: the second value, written with the same data
    ValueType type = ValueType::Dword;
    TweakData checked;
    TweakData unchecked;
    LoadRule rule = LoadRule::EqualsOne;
    const char *ruleText = "";
    std::uint32_t ruleNumber = 0;
    bool bothOneChecked = false;
    const char *field = "";        // NumberInField: the text field beside the box
    const char *fieldUnit = "";    // the unit label shown after a field
    const char *label = "";        // a field's label component, which carries its hint
    const char *labelCaption = "";
    const char *hintValue = "";    // the value name the hint bar shows, when not `value`
    const char *accessError = "";  // the message of a failed write, when not the usual one
    bool captured = true;          // recorded at start-up and restored by undo
    bool hasHint = true;
    // Default: a box's change and a field taking the focus enable OK.
    ChangeTrigger change = ChangeTrigger::Default;
    CustomLoad customLoad = nullptr;
    CustomApply customApply = nullptr;
    bool hidden = false;           // present on the page but never shown
    // Told in a message box when the read fails, instead of greying the control.
    const char *loadFailureMessage = "";

    QString hintValueName() const;
    // Number fields show "0" until loaded and turn letters to upper case; text fields keep
    // what they are given.
    bool holdsNumber() const { return rule == LoadRule::ShowNumber || rule == LoadRule::NumberInField; }
    QString accessErrorText() const;
};

// A page of tweaks: its components and its rows in the order OK writes them.
struct TweakPageDef
{
    const char *component = "";   // the page of the main window's page control
    const char *group = "";       // the caption of the page's group box
    const char *okButton = "";
    const char *undoButton = "";
    const char *hintBar = "";
    int hintWidths[2] = {275, 50};
    std::vector<TweakEntry> rows;
    int columns = 1;              // the rows are laid out top to bottom in this many columns
    bool okIsDefault = false;     // Enter presses OK while the page is shown
};

QString rootDisplayName(Root root);

} // namespace tolvex::tweaks
