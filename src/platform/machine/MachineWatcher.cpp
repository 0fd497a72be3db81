#include "MachineWatcher.h"

#include "Machine.h"

namespace tolvex::platform {

MachineWatcher::MachineWatcher(Machine &machine, QObject *parent)
    : QObject(parent), m_machine(machine), m_held(machine.heldByWine())
{
    // A look costs a few system calls; once a second keeps up with a person.
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &MachineWatcher::check);
    m_timer.start();
}

void MachineWatcher::check()
{
    const bool held = m_machine.heldByWine();
    if (held && !m_held) {
        m_held = true;
        emit holdStarted();
        return;
    }
    if (held)
        return;
    const bool ended = m_held;
    m_held = false;
    // Also without a hold seen: a short Wine run may start and end between two looks.
    if (ended || m_machine.registryFilesChanged()) {
        QStringList errors;
        const bool reread = m_machine.reloadRegistry(errors);
        if (!errors.isEmpty())
            emit reloadFailed(errors);
        if (ended)
            emit holdEnded();
        if (reread || ended)
            emit registryReloaded();
    }
}

} // namespace tolvex::platform
