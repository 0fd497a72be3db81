#pragma once

#include "DuplicateScan.h"

#include <QThread>

namespace tolvex::duplicates {

// One duplicate scan on its own thread; every text and progress value reaches the main thread
// through queued signals. The tables are the scan's until `ended`.
class TProgressThread final : public QThread
{
    Q_OBJECT

public:
    TProgressThread(platform::ShellServices &shell, DuplicateTables &tables, QObject *parent = nullptr);
    ~TProgressThread() override;

    DuplicateScan &scan() { return m_scan; }

signals:
    void operationChanged(const QString &text);
    void progressTextChanged(const QString &text);
    void progressChanged(qint64 position, qint64 maximum);
    void ended(int end); // DuplicateScan::End

protected:
    void run() override;

private:
    DuplicateScan m_scan;
};

} // namespace tolvex::duplicates
