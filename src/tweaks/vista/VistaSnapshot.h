#pragma once

#include <QString>

namespace tolvex::tweaks {

// The states of the Vista check boxes and the recycle-bin name, as the Vista loader last saw
// them; Vista backups are written from it. Every state starts false and the name empty, and a
// failed read leaves its field as it was.
struct VistaSnapshot
{
    // Explorer page
    bool minAnimate = false;
    bool autoRestartShell = false;
    bool dragFullWindows = false;
    bool noPagingExecutive = false;
    // System page
    bool clearPageFile = false;
    bool drWatsonEnabled = false; // inverted: true when "Отключить Dr.Watson" is unchecked
    bool noLastAccessUpdate = false;
    bool unloadDll = false;
    bool bootDefrag = false;
    bool uacDisabled = false;
    bool autoEndTasks = false;
    bool cpuPriority = false;
    // Taskbar page
    bool balloonTips = false;
    bool autoTray = false;
    bool fastStartMenu = false;
    // Recycle-bin page
    QString recycleBinName;

    bool operator==(const VistaSnapshot &) const = default;
};

// Which check box each state stands for; `inverted` states hold the opposite of their box.
struct VistaSnapshotState
{
    const char *control;
    bool VistaSnapshot::*state;
    bool inverted = false;
};

inline constexpr VistaSnapshotState vistaSnapshotStates[] = {
    {"vAnimPrSvorWindow", &VistaSnapshot::minAnimate},
    {"vAutResProv", &VistaSnapshot::autoRestartShell},
    {"vSeeSodMove", &VistaSnapshot::dragFullWindows},
    {"vNoUsingFilePod", &VistaSnapshot::noPagingExecutive},
    {"vClFilePod", &VistaSnapshot::clearPageFile},
    {"vDWATSON", &VistaSnapshot::drWatsonEnabled, true},
    {"vNOWRITELASTNTFS", &VistaSnapshot::noLastAccessUpdate},
    {"vAUTUNLDLL", &VistaSnapshot::unloadDll},
    {"vOPSFILELOADING", &VistaSnapshot::bootDefrag},
    {"vDUAC", &VistaSnapshot::uacDisabled},
    {"vADZP", &VistaSnapshot::autoEndTasks},
    {"vPCPU", &VistaSnapshot::cpuPriority},
    {"vShowHint", &VistaSnapshot::balloonTips},
    {"vEnAutoTray", &VistaSnapshot::autoTray},
    {"VFStart", &VistaSnapshot::fastStartMenu},
};

// The control that holds the recycle-bin name.
inline constexpr const char *vistaRecycleBinField = "sEdit2";

} // namespace tolvex::tweaks
