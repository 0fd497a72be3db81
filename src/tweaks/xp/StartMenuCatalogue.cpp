// The start menu page: user name, log-off entry, recent lists, menu behaviour.
#include "SystemPagesRows.h"
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

namespace {
constexpr const char *policiesExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char *explorerAdvanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
} // namespace

const TweakPageDef &startMenuPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet9",
        .group = "Меню \"Пуск\"",
        .okButton = "MPOk",
        .undoButton = "MPNo",
        .hintBar = "sStatusBar10",
        .rows = {
            {.control = "DisNameUserInP",
             .caption = "Убрать имя пользователя из меню \"Пуск\"",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoUserNameInStartMenu",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "DelPunktExSys",
             .caption = "Удалить пункт меню \"Выход из системы\"",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "StartMenuLogoff",
             .checked = 1u,
             .unchecked = 0u,
             .loadFailureMessage = "Следующий ключ не найден \"StartMenuLogoff\""},
            {.control = "DelChasP",
             .caption = "Удалить список часто используемых программ",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoStartMenuMFUprogramsList",
             .checked = 1u,
             .unchecked = 0u,
             .loadFailureMessage = "Следующий ключ не найден \"NoStartMenuMFUprogramsList\""},
            {.control = "NoHistory",
             .caption = "Не вести историю открытия документов",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoRecentDocsHistory",
             .checked = 1u,
             .unchecked = 0u,
             .loadFailureMessage = "Следующий ключ не найден \"NoRecentDocsHistory\""},
            {.control = "CleLisIsp",
             .caption = "Очистка списка недавно использовавшихся документов",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "ClearRecentDocsOnExit",
             .checked = 1u,
             .unchecked = 0u,
             .loadFailureMessage = "Следующий ключ не найден \"ClearRecentDocsOnExit\""},
            {.control = "OpMenuPriZadInavMouse",
             .caption = "Раскрывать меню при задержке и наведении указателя",
             .root = Root::CurrentUser,
             .keyPath = explorerAdvanced,
             .value = "Start_AutoCascade",
             .checked = 1u,
             .unchecked = 0u,
             .loadFailureMessage = "Следующий ключ не найден \"Start_AutoCascade\""},
            {.control = "BoldNedUstProg",
             .caption = "Выделять недавно установленные программы",
             .root = Root::CurrentUser,
             .keyPath = explorerAdvanced,
             .value = "Start_NotifyNewApps",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "NoAllUsersShort",
             .caption = "Не показывать общие ярлыки \"AllUsers\"",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoCommonGroups",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "sEdit4",
             .controlType = ControlType::Field,
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "MenuShowDelay",
             .type = ValueType::Text,
             .rule = LoadRule::Custom,
             .label = "sStickyLabel4",
             .labelCaption = "Задержка выпадения меню",
             .hasHint = false,
             .customLoad = xp::loadDelayField,
             .customApply = xp::applyTextField,
             .hidden = true},
        }};
    return page;
}

} // namespace tolvex::tweaks
