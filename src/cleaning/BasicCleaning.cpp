#include "BasicCleaning.h"

#include "TmFileScan.h"
#include "events/PendingEvents.h"
#include "shell/ShellServices.h"
#include "text/PathParts.h"

namespace tolvex::cleaning {

namespace {

const QString noNeed = QStringLiteral("Очистка не требуется");
const QString recommended = QStringLiteral("Рекомендуется очистка");
const QString needed = QStringLiteral("Очистка необходима");

} // namespace

// A count right on the lower threshold rates as the grade above it, so that every analysis
// leaves its own word rather than an earlier one.
QString statusForBrowserCache(int count)
{
    return count > 200 ? needed : count >= 70 ? recommended : noNeed;
}

QString statusForAll(int count)
{
    return count > 150 ? needed : count >= 100 ? recommended : noNeed;
}

BasicCleaning::BasicCleaning(platform::ShellServices &shell, QObject *parent) : QObject(parent), m_shell(shell) {}

BasicCleaning::~BasicCleaning()
{
    for (const QPointer<TmFileScan> &pass : std::as_const(m_passes))
        delete pass.data();
}

QString BasicCleaning::GetSystemPath(int code)
{
    QString path;
    switch (code) {
    case 35:
        path = m_shell.expandEnvironment(QStringLiteral("%TEMP%"));
        break;
    case 36:
        path = m_shell.windowsFolder();
        break;
    case 37:
        path = m_shell.systemFolder();
        break;
    case 38:
    case 43:
        path = m_shell.expandEnvironment(QStringLiteral("%ProgramFiles%"));
        if (path.startsWith(u'%'))
            path = m_shell.systemFolder().left(1) + QStringLiteral(":\\Program Files");
        if (code == 43)
            path = text::withTrailingBackslash(path) + QStringLiteral("Common Files");
        break;
    default: {
        using platform::SpecialFolder;
        static const QList<std::pair<int, SpecialFolder>> special = {
            {0, SpecialFolder::Desktop},       {5, SpecialFolder::Personal}, {8, SpecialFolder::Recent},
            {26, SpecialFolder::AppData},      {28, SpecialFolder::LocalAppData},
            {32, SpecialFolder::Cache},        {33, SpecialFolder::Cookies}, {34, SpecialFolder::History}};
        for (const auto &[id, folder] : special)
            if (id == code)
                path = m_shell.specialFolder(folder);
        break;
    }
    }
    return path.isEmpty() ? path : text::withTrailingBackslash(path);
}

QStringList BasicCleaning::systemFolders()
{
    return {GetSystemPath(35), GetSystemPath(36) + QStringLiteral("Prefetch\\")};
}

bool BasicCleaning::busy() const
{
    for (const QPointer<TmFileScan> &pass : m_passes)
        if (pass)
            return true;
    return false;
}

void BasicCleaning::waitUntilIdle()
{
    platform::runEventsUntil([this] { return !busy(); });
}

int BasicCleaning::ScanIECache()
{
    for (qsizetype i = 0, n = m_shell.urlCacheEntries().size(); i < n; ++i)
        emit browserCountChanged(++IECount);
    return IECount;
}

void BasicCleaning::DeleteIECache()
{
    for (const QString &entry : m_shell.urlCacheEntries())
        m_shell.deleteUrlCacheEntry(entry);
}

void BasicCleaning::advance()
{
    m_progress = qMin(m_progress + 1, progressMaximum);
    emit progressChanged(m_progress);
}

void BasicCleaning::Scan(bool browserCache, bool system)
{
    if (busy())
        return;
    ListingPass = true;
    m_progress = 0;
    emit analysisStarted();
    emit progressChanged(0);
    IECount = 0;
    if (browserCache) {
        emit browserCountChanged(0);
        emit systemCountChanged(0);
        ScanIECache();
        emit statusChanged(statusForBrowserCache(IECount));
        advance();
    }
    if (system) {
        emit systemCountChanged(0);
        SystemCount = 0;
        startPass(true);
        advance();
        platform::runEventsUntil([this] { return !ListingPass; });
        emit statusChanged(statusForAll(SystemCount + IECount));
        SystemCount = 0;
        startPass(false);
        advance();
    }
    m_progress = progressMaximum;
    emit progressChanged(m_progress);
}

// Every mask is applied in every folder: with the temporary folder present both folders are
// listed whole by "*.*"; ".pf" alone names only an entry of exactly that name.
void BasicCleaning::startPass(bool subDirs)
{
    auto *scanner = new TmFileScan(m_shell, this);
    scanner->setObjectName(QStringLiteral("FS1"));
    scanner->OnFileFound = [this](QObject *, const QString &fileName) { fsFileFound(fileName); };
    scanner->OnReady = [this, scanner](QObject *, bool, const QStringList &) { fsReady(scanner); };
    const QStringList folders = systemFolders();
    if (m_shell.folderExists(folders[0])) {
        scanner->Filters.append(QStringLiteral("*.*"));
        scanner->Paths.append(folders[0]);
    }
    if (m_shell.folderExists(folders[1])) {
        scanner->Filters.append(QStringLiteral(".pf"));
        scanner->Paths.append(folders[1]);
    }
    scanner->SubDirs = subDirs;
    m_passes.removeIf([](const QPointer<TmFileScan> &pass) { return pass.isNull(); });
    m_passes.append(scanner);
    scanner->Start();
}

void BasicCleaning::fsFileFound(const QString &fileName)
{
    if (ListingPass) {
        emit listed(fileName);
        emit systemCountChanged(++SystemCount);
        return;
    }
    if (SystemCount < DeletionList.size())
        DeletionList[SystemCount] = fileName;
    else
        DeletionList.append(fileName);
    ++SystemCount;
}

void BasicCleaning::fsReady(TmFileScan *scanner)
{
    ListingPass = false;
    scanner->deleteLater();
    // Not busy from here on, although the object goes only once this handler has returned.
    m_passes.removeAll(QPointer<TmFileScan>(scanner));
    emit passEnded();
}

void BasicCleaning::Clear(bool browserCache, bool system)
{
    if (busy())
        return;
    if (browserCache)
        DeleteIECache();
    if (system) {
        // Each entry only within the folder it was listed in: a name that has become a link
        // goes as a link, and nothing outside the two folders is reached.
        for (const QString &name : collected())
            m_shell.deleteList({name}, text::extractFilePath(name));
        for (const QString &name : collected())
            m_shell.deleteFile(name, text::extractFilePath(name));
    }
    emit cleaned();
}

} // namespace tolvex::cleaning
