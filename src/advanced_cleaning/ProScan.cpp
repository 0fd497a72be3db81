#include "ProScan.h"

#include "shell/ShellServices.h"
#include "text/DisplayText.h"
#include "text/MaskMatcher.h"

#include <QDateTime>
#include <QRegularExpression>

namespace tolvex::advanced_cleaning {

namespace {

bool isDots(const QString &name) { return name == u"." || name == u".."; }

} // namespace

ProScan::ProScan(platform::ShellServices &shell, const ProSettings &settings) : m_shell(shell)
{
    for (const FilterRow &f : settings.filters)
        if (f.ticked)
            m_filters.append(f);
    for (const ExclusionRow &e : settings.exclusions)
        if (e.ticked && !e.text.isEmpty())
            m_exclusions.append(e);
    m_paths = settings.tickedPaths();
}

bool ProScan::InExt(const QString &name) const
{
    for (const FilterRow &f : m_filters)
        if (text::FileMaskEquate(name, f.mask))
            return true;
    return false;
}

bool ProScan::ExlPath(const QString &fullPath) const
{
    for (const ExclusionRow &e : m_exclusions)
        if (fullPath.contains(e.text, Qt::CaseSensitive))
            return true;
    return false;
}

void ProScan::FindFiles(ProScanObserver &observer)
{
    FoundCount = 0;
    FoundSize = 0;
    StopSearch = false;
    for (const QString &path : std::as_const(m_paths)) {
        const int folders = observer.wantsFolderCount() ? GetQuanFolders(path, &observer) : 0;
        observer.pathStarted(path, folders);
        Find(path, path, observer);
        observer.pathEnded();
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
            if (!ExlPath(path) && InExt(entry.name) && m_shell.entryAt(path, details)) {
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
