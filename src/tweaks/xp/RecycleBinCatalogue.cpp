// The recycle-bin page: the bin's display name and its icon in the computer folder.
#include "RecycleBinRows.h"
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageDef &recycleBinPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet4",
        .group = "Настройка корзины",
        .okButton = "NKOk",
        .undoButton = "NKNo",
        .hintBar = "sStatusBar6",
        .hintWidths = {275, 50},
        .rows = {
            {.control = "sEdit3",
             .controlType = ControlType::Field,
             .root = Root::ClassesRoot,
             .keyPath = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}",
             .value = "LocalizedString",
             .type = ValueType::Text,
             .rule = LoadRule::Custom,
             .label = "sStickyLabel3",
             .labelCaption = "Установить название корзины",
             .change = ChangeTrigger::Click,
             .customLoad = recycleBin::loadName,
             .customApply = recycleBin::applyName},
            {.control = "ADDSHortInMyC",
             .caption = "Добавить значок корзины в \"Мой компьютер\"",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace",
             .value = "{645FF040-5081-101B-9F08-00AA002F954E}",
             .rule = LoadRule::Custom,
             .customLoad = recycleBin::loadIcon,
             .customApply = recycleBin::applyIcon},
        }};
    return page;
}

} // namespace tolvex::tweaks
