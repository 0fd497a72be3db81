#include "ProScan.h"

#include "shell/ShellServices.h"
#include "text/DisplayText.h"
#include "text/MaskMatcher.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>

#include <optional>

namespace tolvex::advanced_cleaning {

namespace {

bool isDots(const QString &name) { return name == u"." || name == u".."; }

// To Windows a link to a folder is that folder, yet entering it would leave the tree, and deleting
// it as a file would break the folder for whoever uses it there.
bool isLinkToFolder(platform::ShellServices &shell, const QString &path, bool isLink)
{
    return isLink && shell.folderExists(path);
}

// The next row of the path list, each reached once. Rows may be added, removed or sorted while a
// path is searched, so the place is kept by what has been reached, not by an index.
std::optional<SearchPath> nextPath(const QList<SearchPath> &paths, QHash<QString, int> &reached)
{
    QHash<QString, int> seen; // the same text may be listed twice, and is then searched twice
    for (const SearchPath &p : paths) {
        const int occurrence = ++seen[p.path];
        if (occurrence > reached.value(p.path)) {
            reached.insert(p.path, occurrence);
            return p;
        }
    }
    return std::nullopt;
}

} // namespace

ProScan::ProScan(platform::ShellServices &shell, const ProSettings &settings) : m_shell(shell), m_settings(settings)
{
}

bool ProScan::InExt(const QString &name) const
{
    for (const FilterRow &f : m_settings.filters)
        if (f.ticked && text::FileMaskEquate(name, f.mask))
            return true;
    return false;
}

bool ProScan::ExlPath(const QString &fullPath) const
{
    for (const ExclusionRow &e : m_settings.exclusions)
        if (e.ticked && !e.text.isEmpty() && fullPath.contains(e.text, Qt::CaseSensitive))
            return true;
    return false;
}

void ProScan::FindFiles(ProScanObserver &observer)
{
    FoundCount = 0;
    FoundSize = 0;
    StopSearch = false;
    QHash<QString, int> reached;
    // A copy of the row: it may be removed from the list while its path is searched.
    while (const std::optional<SearchPath> row = nextPath(m_settings.paths, reached)) {
        if (row->ticked) {
            const int folders = observer.wantsFolderCount() ? GetQuanFolders(row->path, &observer) : 0;
            observer.pathStarted(row->path, folders);
            Find(row->path, row->path, observer);
            observer.pathEnded();
        }
        observer.letEventsRun();
    }
}

void ProScan::Find(const QString &folder, const QString &root, ProScanObserver &observer)
{
    const QList<platform::FoundEntry> entries =
        m_shell.listFolder(folder, QStringLiteral("*.*"), platform::ShellServices::Detail::KindOnly);
    for (const platform::FoundEntry &entry : entries) {
        const bool lastEntry = StopSearch;
        observer.letEventsRun();
        if (entry.isFolder) {
            if (!isDots(entry.name)) {
                Find(folder + entry.name + u'\\', root, observer);
                observer.folderDone(folder);
            }
        } else {
            const QString path = folder + entry.name;
            platform::FoundEntry details;
            if (!ExlPath(path) && InExt(entry.name) && !isLinkToFolder(m_shell, path, entry.isLink) &&
                m_shell.entryAt(path, details)) {
                ++FoundCount;
                FoundSize += details.size;
                observer.fileFound({path, root, details.size, details.lastWrite});
            }
        }
        if (lastEntry)
            break;
    }
    observer.enumerationEnded();
}

int ProScan::GetQuanFolders(const QString &root, ProScanObserver *observer)
{
    int count = 0;
    for (const platform::FoundEntry &entry :
         m_shell.listFolder(root, QStringLiteral("*"), platform::ShellServices::Detail::KindOnly)) {
        if (!entry.isFolder || isDots(entry.name))
            continue;
        // Counting a large tree takes a while too; the window answers meanwhile.
        if (observer)
            observer->letEventsRun();
        count += 1 + GetQuanFolders(root + entry.name + u'\\', observer);
    }
    return count;
}

bool ProScan::deleteFound(platform::ShellServices &shell, const FoundFile &file)
{
    platform::FoundEntry now;
    if (!shell.entryAt(file.path, now) || isLinkToFolder(shell, file.path, now.isLink))
        return false;
    return shell.deleteFile(file.path, file.root);
}

QString sizeInKb(quint64 bytes, const QLocale &locale)
{
    return text::roundedQuotient(bytes, 1024, locale.decimalPoint().front()) + QStringLiteral(" Кб");
}

QString foundCountText(quint64 count) { return QStringLiteral("Найдено файлов: ") + QString::number(count); }

QString totalSizeText(quint64 bytes, const QLocale &locale)
{
    return QStringLiteral("Общий размер: ") + text::roundedQuotient(bytes, 1048576, locale.decimalPoint().front()) + QStringLiteral(" Мб");
}

QString modifiedText(quint64 fileTime, const QLocale &locale)
{
    constexpr quint64 ticksFrom1601To1970 = 116444736000000000ULL;
    if (fileTime < ticksFrom1601To1970)
        return {};
    // Two-second steps, as the file times of the machine's own file system are kept.
    const qint64 seconds = qint64((fileTime - ticksFrom1601To1970) / 10000000ULL) & ~qint64(1);
    return text::dateTimeText(QDateTime::fromSecsSinceEpoch(seconds).toLocalTime(), locale);
}

} // namespace tolvex::advanced_cleaning
