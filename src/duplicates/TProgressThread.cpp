#include "TProgressThread.h"

namespace tolvex::duplicates {

TProgressThread::TProgressThread(platform::ShellServices &shell, DuplicateTables &tables, QObject *parent)
    : QThread(parent), m_scan(shell, tables)
{
    m_scan.onOperation = [this](const QString &text) { emit operationChanged(text); };
    m_scan.onProgressText = [this](const QString &text) { emit progressTextChanged(text); };
    m_scan.onProgress = [this](qint64 position, qint64 maximum) { emit progressChanged(position, maximum); };
}

// An owner going away mid-scan stops it first.
TProgressThread::~TProgressThread()
{
    m_scan.StopRequested = true;
    wait();
}

void TProgressThread::run() { emit ended(int(m_scan.run())); }

} // namespace tolvex::duplicates
