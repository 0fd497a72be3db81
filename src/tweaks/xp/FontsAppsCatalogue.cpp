// The fonts and applications page: the two time-outs for hung applications.
#include "SystemPagesRows.h"
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageDef &fontsAppsPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet10",
        .group = "Шрифты и Приложения",
        .okButton = "SPOk",
        .undoButton = "SPNo",
        .hintBar = "sStatusBar11",
        .rows = {
            {.control = "sEdit5",
             .controlType = ControlType::Field,
             .root = Root::CurrentUser,
             .keyPath = "Control Panel\\Desktop",
             .value = "HungAppTimeout",
             .type = ValueType::Text,
             .rule = LoadRule::Custom,
             .label = "sStickyLabel5",
             .labelCaption = "Время \"Зависания\"",
             .customLoad = xp::loadTimeoutField,
             .customApply = xp::applyTextField},
            {.control = "sEdit6",
             .controlType = ControlType::Field,
             .root = Root::CurrentUser,
             .keyPath = "Control Panel\\Desktop",
             .value = "WaitToKillAppTimeout",
             .type = ValueType::Text,
             .rule = LoadRule::Custom,
             .label = "sStickyLabel6",
             .labelCaption = "Через сколько завершать зависшее приложение",
             .customLoad = xp::loadTimeoutField,
             .customApply = xp::applyTextField},
        }};
    return page;
}

} // namespace tolvex::tweaks
