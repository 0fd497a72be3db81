#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::cleaning {

class TmFileScan;

// Sender is the worker that reports, never the component.
using TOnFileFoundEvent = std::function<void(QObject *Sender, const QString &FileName)>;
// SearchResult is valid only while the handler runs; a handler that needs it keeps a copy.
using TOnReadyEvent = std::function<void(QObject *Sender, bool Aborted, const QStringList &SearchResult)>;

// One run of a TmFileScan. It walks on its own thread and hands every entry and the end of the
// run to the main thread, waiting there until the handler has returned, so handlers touch the
// owner's data and widgets without locks. It frees itself when it ends.
class TSearchThread final : public QThread
{
    Q_OBJECT

public:
    TSearchThread(TmFileScan &owner, platform::ShellServices &shell);

protected:
    void run() override;

private:
    friend class TmFileScan;

    bool Walk(const QString &folder, const QString &mask);
    bool Report(const QString &fileName);
    void DeliverEnd();
    // Main thread: the component is going away; the run stops and never touches it again.
    void Detach();
    // Main thread, outside this worker's handlers: returns once the thread has ended.
    void StopAndWait();

    TmFileScan *m_owner; // main thread only; null once detached
    platform::ShellServices &m_shell;
    const QStringList m_paths;
    const QStringList m_filters;
    const bool m_subDirs;
    const TOnFileFoundEvent m_onFileFound;
    const TOnReadyEvent m_onReady;
    QStringList m_searchResult;
    QString m_fileName;
    std::atomic<bool> m_stop{false};
    bool m_delivering = false; // main thread: one of this run's handlers is on the stack
};

// Lists the entries of folders whose names match masks, optionally through sub-folders, on a
// worker thread; entries and the end of each run arrive through OnFileFound and OnReady on the
// main thread. Every member is used on the main thread only.
class TmFileScan final : public QObject
{
    Q_OBJECT

public:
    explicit TmFileScan(platform::ShellServices &shell, QObject *owner = nullptr);
    // A run still in progress is stopped without its OnReady.
    ~TmFileScan() override;

    // Ignored while a run is in progress; otherwise starts one with copies of the lists, SubDirs
    // and both handlers, and returns at once.
    void Start();
    bool busy() const { return m_busy; }

    QStringList Paths;   // a path may or may not end with a backslash
    QStringList Filters; // every mask is applied in every path
    bool SubDirs = true;
    TOnFileFoundEvent OnFileFound;
    TOnReadyEvent OnReady;

private:
    friend class TSearchThread;

    platform::ShellServices &m_shell;
    bool m_busy = false;
    // A run's worker may still be ending after its OnReady, when a newer run has begun.
    QList<QPointer<TSearchThread>> m_workers;
};

} // namespace tolvex::cleaning
