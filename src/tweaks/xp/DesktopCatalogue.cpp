// The desktop page: desktop policies and the tabs of the display properties.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

namespace {
constexpr const char *policiesExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char *policiesSystem = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
} // namespace

const TweakPageDef &desktopPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet5",
        .group = "Настройка рабочего стола",
        .okButton = "RSOk",
        .undoButton = "RSNo",
        .hintBar = "sStatusBar5",
        .hintWidths = {275, 50},
        .rows = {
            // Its own click only changes the box; taking the focus is what enables OK, so a load
            // that sets it leaves OK as it was.
            {.control = "DISRS",
             .caption = "Запретить рабочий стол",
             .tooltip = "Скрывает все элементы рабочего стола",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoDesktop",
             .checked = 1u,
             .unchecked = 0u,
             .change = ChangeTrigger::Focus},
            {.control = "DISActDeskt",
             .caption = "Запретить Active Desktop",
             .root = Root::CurrentUser,
             .keyPath = policiesExplorer,
             .value = "NoActiveDesktop",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "HIDERS",
             .caption = "Скрыть вкладку \"Рабочий стол\"",
             .root = Root::CurrentUser,
             .keyPath = policiesSystem,
             .value = "NoDispBackgroundPage",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "HIDEZ",
             .caption = "Скрыть вкладку \"Заставка\"",
             .root = Root::CurrentUser,
             .keyPath = policiesSystem,
             .value = "NoDispScrSavPage",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "HIDEP",
             .caption = "Скрыть вкладку \"Параметры",
             .root = Root::CurrentUser,
             .keyPath = policiesSystem,
             .value = "NoDispSettingsPage",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "HIDETAO",
             .caption = "Скрыть вкладки \"Тема\" и \"Оформление\" в свойствах экрана",
             .root = Root::CurrentUser,
             .keyPath = policiesSystem,
             .value = "NoDispAppearancePage",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "VerWinOnDEsktop",
             .caption = "Версия Windows на рабочем столе",
             .tooltip = "В нижне правом углу отображается версия ОС",
             .root = Root::CurrentUser,
             .keyPath = "Control Panel\\Desktop",
             .value = "PaintDesktopVersion",
             .checked = 1u,
             .unchecked = 0u},
        },
        .okIsDefault = true};
    return page;
}

} // namespace tolvex::tweaks
