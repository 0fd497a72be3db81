// The Vista generation's four pages: taskbar, system, recycle bin, explorer.
#include "vista/VistaCatalogue.h"

namespace tolvex::tweaks {

namespace {
constexpr const char *memoryManagement = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
constexpr const char *desktop = "Control Panel\\Desktop";

// A name of another kind greys the field, empty, instead of ending the load.
void loadBinName(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls)
{
    const QString control = QString::fromUtf8(row.control);
    controls.setText(control, QString());
    controls.setText(control, QString::fromStdString(store.GetText(row.value)));
}

// A greyed field never showed the stored name, so OK leaves it as it is.
bool applyBinName(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls)
{
    const QString control = QString::fromUtf8(row.control);
    if (!controls.enabled(control))
        return true;
    try {
        store.SetText(row.value, controls.text(control).toStdString());
        return true;
    } catch (const registry::RegistryError &) {
        return false;
    }
}
} // namespace

const TweakPageDef &vistaTaskbarPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet18",
        .group = "Панель задач",
        .okButton = "vPZOK",
        .undoButton = "vPZNO",
        .hintBar = "sStatusBar13",
        .rows = {
            {.control = "vShowHint",
             .caption = "Показывать всплывающие подсказки",
             .root = Root::CurrentUser,
             .keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
             .value = "EnableBalloonTips",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "vEnAutoTray",
             .caption = "Автоматически скрывать иконки в трее",
             .root = Root::CurrentUser,
             .keyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
             .value = "EnableAutoTray",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "VFStart",
             .caption = "Ускорение меню \"Пуск\"",
             .root = Root::CurrentUser,
             .keyPath = desktop,
             .value = "MenuShowDelay",
             .type = ValueType::Text,
             .checked = "0",
             .unchecked = "400",
             .rule = LoadRule::EqualsText,
             .ruleText = "0"},
        }};
    return page;
}

const TweakPageDef &vistaSystemPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet19",
        .group = "Настройка системы",
        .okButton = "vNSOK",
        .undoButton = "vNSNO",
        .hintBar = "sStatusBar14",
        .rows = {
            {.control = "vDWATSON",
             .caption = "Отключить Dr.Watson",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug",
             .value = "Auto",
             .type = ValueType::Text,
             .checked = "0",
             .unchecked = "1",
             .rule = LoadRule::DiffersFromText,
             .ruleText = "1"},
            {.control = "vClFilePod",
             .caption = "Очистка файла подкачки перед перезагрузкой системы",
             .root = Root::LocalMachine,
             .keyPath = memoryManagement,
             .value = "ClearPageFileAtShutdown",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "vNOWRITELASTNTFS",
             .caption = "Не производить запись последнего доступа к файлам NTFS",
             .root = Root::LocalMachine,
             .keyPath = "SYSTEM\\CurrentControlSet\\Control\\FileSystem",
             .value = "NtfsDisableLastAccessUpdate",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "vAUTUNLDLL",
             .caption = "Автоматически выгружать неиспользуемые библиотеки",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer",
             .value = "AlwaysUnloadDLL",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "vOPSFILELOADING",
             .caption = "Оптимизировать системные файлы во время загрузки(Boot Defrag)",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction",
             .value = "Enable",
             .type = ValueType::Text,
             .checked = "Y",
             .unchecked = "N",
             .rule = LoadRule::EqualsText,
             .ruleText = "Y"},
            {.control = "vDUAC",
             .caption = "Отключить User Account Control (Контроль учетных записей)",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
             .value = "EnableLUA",
             .checked = 0u,
             .unchecked = 1u,
             .rule = LoadRule::EqualsNumber,
             .ruleNumber = 0u},
            {.control = "vADZP",
             .caption = "Автоматически завершение зависших приложений ",
             .root = Root::CurrentUser,
             .keyPath = desktop,
             .value = "AutoEndTasks",
             .type = ValueType::Text,
             .checked = "1",
             .unchecked = "0",
             .rule = LoadRule::EqualsText,
             .ruleText = "1"},
            {.control = "vPCPU",
             .caption = "Настройка приоритета CPU ",
             .root = Root::LocalMachine,
             .keyPath = "System\\CurrentControlSet\\Control\\PriorityControl",
             .value = "Win32PrioritySeparation",
             .checked = 6u,
             .unchecked = 2u,
             .rule = LoadRule::EqualsNumber,
             .ruleNumber = 6u},
        }};
    return page;
}

const TweakPageDef &vistaRecycleBinPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet20",
        .group = "Настройка корзины",
        .okButton = "vNKOK",
        .undoButton = "vNKNO",
        .hintBar = "sStatusBar15",
        .rows = {
            {.control = "sEdit2",
             .controlType = ControlType::Field,
             .root = Root::ClassesRoot,
             .keyPath = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}",
             .value = "LocalizedString",
             .type = ValueType::Text,
             .rule = LoadRule::Custom,
             .label = "sLabel17",
             .labelCaption = "Установить название корзины",
             .change = ChangeTrigger::Click,
             .customLoad = loadBinName,
             .customApply = applyBinName},
        }};
    return page;
}

const TweakPageDef &vistaExplorerPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet21",
        .group = "Настройка проводника",
        .okButton = "vNPOK",
        .undoButton = "vNPNO",
        .hintBar = "sStatusBar16",
        .rows = {
            {.control = "vAnimPrSvorWindow",
             .caption = "Анимация при сворачивании, разворачивании окон",
             .root = Root::CurrentUser,
             .keyPath = "Control Panel\\Desktop\\WindowMetrics",
             .value = "MinAnimate",
             .type = ValueType::Text,
             .checked = "1",
             .unchecked = "0",
             .rule = LoadRule::EqualsText,
             .ruleText = "1"},
            {.control = "vAutResProv",
             .caption = "Автоматически перезапускать проводник при ошибках",
             .root = Root::LocalMachine,
             .keyPath = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
             .value = "AutoRestartShell",
             .checked = 1u,
             .unchecked = 0u},
            {.control = "vSeeSodMove",
             .caption = "Отображать содержимое окна при перетаскивании",
             .root = Root::CurrentUser,
             .keyPath = desktop,
             .value = "DragFullWindows",
             .type = ValueType::Text,
             .checked = "1",
             .unchecked = "0",
             .rule = LoadRule::EqualsText,
             .ruleText = "1"},
            {.control = "vNoUsingFilePod",
             .caption = "Не использовать файл подкачки для хранения ядра системы",
             .root = Root::LocalMachine,
             .keyPath = memoryManagement,
             .value = "DisablePagingExecutive",
             .checked = 1u,
             .unchecked = 0u},
        }};
    return page;
}

std::vector<const TweakPageDef *> vistaPages()
{
    return {&vistaTaskbarPage(), &vistaSystemPage(), &vistaRecycleBinPage(), &vistaExplorerPage()};
}

QStringList vistaLoadOrder()
{
    // A fixed order across the pages, not theirs.
    return {"vClFilePod",      "vDWATSON",   "vNOWRITELASTNTFS",  "vAUTUNLDLL",  "vOPSFILELOADING", "vDUAC",
            "vADZP",           "vPCPU",      "vAnimPrSvorWindow", "vAutResProv", "vSeeSodMove",     "vNoUsingFilePod",
            "vShowHint",       "vEnAutoTray", "VFStart",          "sEdit2"};
}

} // namespace tolvex::tweaks
