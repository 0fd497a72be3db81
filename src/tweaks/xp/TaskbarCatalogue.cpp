// The taskbar page: balloon tips and tray icons.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

namespace {
constexpr const char *policiesExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
}

const TweakPageDef &taskbarPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet8",
        .group = "Панель задач",
        .okButton = "PZOk",
        .undoButton = "PZNo",
        .hintBar = "sStatusBar9",
        .rows = {
            {.control = "ShowHint",
             .caption = "Показывать всплывающие подсказки",
             .root = Root::CurrentUser,
             .keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
             .value = "EnableBalloonTips",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "NoTray",
             .caption = "Скрыть все значки в трее",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoTrayItemsDisplay",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "EnAutoTray",
             .caption = "Автоматически скрывать иконки в трее",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "EnableAutoTray",
             .checked = 1u,
             .unchecked = 0u},
        }};
    return page;
}

} // namespace tolvex::tweaks
