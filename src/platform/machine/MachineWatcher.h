#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace tolvex::platform {

class Machine;

// Follows a machine while a window is open on it: notices Wine taking hold of its registry (a
// wineserver starting, a Wine program Tolvex started) and letting go, and reads again the hive
// files that changed meanwhile.
class MachineWatcher : public QObject
{
    Q_OBJECT

public:
    explicit MachineWatcher(Machine &machine, QObject *parent = nullptr);

    bool held() const { return m_held; }
    // One look now, as the timer takes it; tests call it instead of waiting.
    void check();

signals:
    void holdStarted();
    void holdEnded();
    // The hives were read again: what the pages show of the registry is out of date.
    void registryReloaded();
    // Hive files that changed and no longer parse.
    void reloadFailed(const QStringList &errors);

private:
    Machine &m_machine;
    QTimer m_timer;
    bool m_held = false;
};

} // namespace tolvex::platform
