#include "TmFileScan.h"

#include "shell/ShellServices.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace tolvex::cleaning {

namespace {

bool isDots(const QString &name)
{
    return name == u"." || name == u"..";
}

} // namespace

TSearchThread::TSearchThread(TmFileScan &owner, platform::ShellServices &shell)
    : m_owner(&owner), m_shell(shell), m_paths(owner.Paths), m_filters(owner.Filters),
      m_subDirs(owner.SubDirs), m_onFileFound(owner.OnFileFound), m_onReady(owner.OnReady)
{
}

void TSearchThread::run()
{
    m_searchResult.clear();
    for (const QString &path : m_paths) {
        const QString folder = path.endsWith(u'\\') ? path : path + u'\\';
        for (const QString &mask : m_filters) {
            if (!Walk(folder, mask)) return;
        }
    }
    DeliverEnd();
}

// Pre-order: a folder's own matches are all reported before any of its sub-folders is entered.
// Links come back as non-folders, so the walk never leaves the tree nor loops.
bool TSearchThread::Walk(const QString &folder, const QString &mask)
{
    if (m_stop) return false;
    for (const platform::FoundEntry &entry : m_shell.listFolder(folder, mask)) {
        if (!isDots(entry.name) && !Report(folder + entry.name)) return false;
    }
    if (!m_subDirs) return true;
    if (m_stop) return false;
    for (const platform::FoundEntry &entry : m_shell.listFolder(folder, QStringLiteral("*"))) {
        if (entry.isFolder && !isDots(entry.name) && !Walk(folder + entry.name + u'\\', mask)) return false;
    }
    return true;
}

bool TSearchThread::Report(const QString &fileName)
{
    m_fileName = fileName;
    m_searchResult.append(fileName);
    if (m_stop) return false;
    if (m_onFileFound) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_stop) return;
                m_delivering = true;
                m_onFileFound(this, m_fileName);
                m_delivering = false;
            },
            Qt::BlockingQueuedConnection);
    }
    return !m_stop;
}

void TSearchThread::DeliverEnd()
{
    if (m_stop) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_stop || !m_owner) return;
            // Cleared first: the handler may start the next run or free the component.
            m_owner->m_busy = false;
            if (m_onReady) {
                m_delivering = true;
                m_onReady(this, false, m_searchResult);
                m_delivering = false;
            }
        },
        Qt::BlockingQueuedConnection);
}

void TSearchThread::Detach()
{
    m_owner = nullptr;
    m_stop = true;
}

void TSearchThread::StopAndWait()
{
    m_stop = true;
    // The worker may be blocked on a hand-off to this very thread: dropping the pending call
    // releases it. Repeated, because it may post one more before it sees the flag.
    while (!wait(10))
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

TmFileScan::TmFileScan(platform::ShellServices &shell, QObject *owner) : QObject(owner), m_shell(shell) {}

TmFileScan::~TmFileScan()
{
    for (const QPointer<TSearchThread> &worker : std::as_const(m_workers)) {
        if (!worker) continue;
        worker->Detach();
        // Waiting from inside one of its own handlers would never end; that worker is blocked
        // until the handler returns and then ends by itself.
        if (!worker->m_delivering) {
            worker->StopAndWait();
            delete worker.data();
        }
    }
}

void TmFileScan::Start()
{
    if (m_busy) return;
    m_workers.removeIf([](const QPointer<TSearchThread> &worker) { return worker.isNull(); });
    m_busy = true;
    auto *worker = new TSearchThread(*this, m_shell);
    m_workers.append(worker);
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

} // namespace tolvex::cleaning
