#include "TCleanThread.h"

namespace tolvex::registry_cleaner {

TCleanThread::TCleanThread(registry::RegistryBackend &backend, platform::ShellServices &shell, QObject *parent)
    : QThread(parent), m_scan(backend, shell)
{
    qRegisterMetaType<RegistryErrorRow>();
    m_scan.onStatus = [this](const QString &status) { emit statusChanged(status); };
    m_scan.onRow = [this](const RegistryErrorRow &row) { emit rowFound(row); };
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

// An owner going away mid-scan stops it first.
TCleanThread::~TCleanThread()
{
    m_scan.Running = false;
    wait();
}

void TCleanThread::run()
{
    m_scan.Run();
    emit scanEnded(m_scan.rowsFound());
}

} // namespace tolvex::registry_cleaner
