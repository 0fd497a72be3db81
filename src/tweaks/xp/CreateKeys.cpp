// XP start-up defaults: the values the XP pages read are made to exist before they load.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

using registry::RegistryError;
using registry::RegistryStore;

namespace {

constexpr const char *policiesExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char *policiesSystem = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char *explorerAdvanced = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

struct DefaultRow
{
    Root root;
    const char *keyPath;
    const char *value;
    const char *value2; // both are read, and both written when either read fails
    ValueType type;
    TweakData fallback;
    bool create; // whether a missing key is made
};

const DefaultRow defaults[] = {
    {Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", "AlwaysUnloadDLL", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesExplorer, "NoInstrumentation", "", ValueType::Dword, 0u, true},
    {Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\FileSystem", "NtfsDisableLastAccessUpdate", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesExplorer, "NoDesktop", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesExplorer, "NoActiveDesktop", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesSystem, "NoDispBackgroundPage", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesSystem, "NoDispScrSavPage", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesSystem, "NoDispSettingsPage", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesSystem, "NoDispAppearancePage", "", ValueType::Dword, 0u, true},
    {Root::CurrentUser, policiesExplorer, "NoLowDiskSpaceChecks", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "link", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "NoSaveSettings", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "NoFind", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "NoRun", "", ValueType::Dword, 0u, false},
    {Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters", "AutoShareWks", "AutoShareServer", ValueType::Dword, 0u, false},
    {Root::CurrentUser, explorerAdvanced, "EnableBalloonTips", "", ValueType::Dword, 1u, false},
    {Root::CurrentUser, policiesExplorer, "NoTrayItemsDisplay", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "EnableAutoTray", "", ValueType::Dword, 1u, false},
    {Root::CurrentUser, policiesExplorer, "NoUserNameInStartMenu", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "StartMenuLogoff", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "NoStartMenuMFUprogramsList", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "NoRecentDocsHistory", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "ClearRecentDocsOnExit", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, explorerAdvanced, "Start_AutoCascade", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "NoCommonGroups", "", ValueType::Dword, 0u, false},
    {Root::CurrentUser, policiesExplorer, "MenuShowDelay", "", ValueType::Text, "0", false},
    {Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "DisableStatusMessages", "", ValueType::Dword, 0u, false},
};

bool readable(RegistryStore &store, const char *name, ValueType type)
{
    try {
        if (type == ValueType::Dword)
            store.GetDword(name);
        else
            store.GetText(name); // an absent text reads as "" and counts as read
        return true;
    } catch (const RegistryError &) {
        return false;
    }
}

} // namespace

QStringList CreateKeys(RegistryStore &store)
{
    QStringList failures;
    for (const DefaultRow &row : defaults) {
        store.SelectRoot(row.root);
        // A key that is only to be repaired where it exists is left alone when it does not: the
        // write could only fail, and the page that reads it greys its box anyway.
        if (!store.OpenPath(row.keyPath, row.create) && !row.create)
            continue;
        const bool both = *row.value2;
        const bool ok = readable(store, row.value, row.type) && (!both || readable(store, row.value2, row.type));
        if (!ok) {
            for (const char *name : {row.value, row.value2}) {
                if (!*name)
                    continue;
                try {
                    if (row.type == ValueType::Dword)
                        store.SetDword(name, row.fallback.number);
                    else
                        store.SetText(name, row.fallback.text);
                } catch (const RegistryError &e) {
                    failures.append(QString::fromUtf8(e.what()));
                }
            }
        }
        store.ClosePath();
    }
    return failures;
}

} // namespace tolvex::tweaks
