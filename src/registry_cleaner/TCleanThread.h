#pragma once

#include "RegistryScan.h"

#include <QThread>

namespace tolvex::registry_cleaner {

// One scan on its own thread. Every status text, row and the end reach the main thread through
// queued signals, in the order the scan produced them. It deletes itself once it has finished.
class TCleanThread final : public QThread
{
    Q_OBJECT

public:
    TCleanThread(registry::RegistryBackend &backend, platform::ShellServices &shell, QObject *parent = nullptr);
    ~TCleanThread() override;

    RegistryScan &scan() { return m_scan; }
    // The cancel button's part: the walks return at once, and the scan ends as a finished one.
    void cancel() { m_scan.Running = false; }

signals:
    void statusChanged(const QString &status);
    void rowFound(const tolvex::registry_cleaner::RegistryErrorRow &row);
    void scanEnded(quint64 rows);

protected:
    void run() override;

private:
    RegistryScan m_scan;
};

} // namespace tolvex::registry_cleaner
