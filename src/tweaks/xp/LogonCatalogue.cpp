// The logon page: last user name, fast user switching, status messages, NumLock.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

namespace {
constexpr const char *policiesSystem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
}

const TweakPageDef &logonPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet11",
        .group = "Вход в систему",
        .okButton = "VSOk",
        .undoButton = "VSNo",
        .hintBar = "sStatusBar12",
        .rows = {
            {.control = "DontSeeLastUser",
             .caption = "Не показывать имя последнего пользователя",
             .root = Root::LocalMachine,
             .keyPath = policiesSystem,
             .value = "dontdisplaylastusername",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "UsQuickUser",
             .caption = "Использовать быстрое переключение пользователей",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
             .value = "AllowMultipleTSSessions",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "DontSeeMessaUnloadS",
             .caption = "Не показывать сообщение при выходе и запуске системы",
             .root = Root::LocalMachine,
             .keyPath = policiesSystem,
             .value = "DisableStatusMessages",
             .checked = 1u,
             .unchecked = 0u},
            // The logon screen's NumLock is the default profile's, not the user's.
            {.control = "OnNumOnLoadS",
             .caption = "Включать NumLock при загрузке системы",
             .root = Root::Users,
             .keyPath = ".DEFAULT\\Control Panel\\Keyboard",
             .value = "InitialKeyboardIndicators",
             .type = ValueType::Text,
             .checked = "2",
             .unchecked = "0",
             .rule = LoadRule::EqualsText,
             .ruleText = "2"},
        }};
    return page;
}

} // namespace tolvex::tweaks
