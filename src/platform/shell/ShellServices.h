#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tolvex::platform {

// One directory entry, as a directory search reports it.
struct FoundEntry
{
    QString name;
    bool isFolder = false;
    // A symbolic link is reported as an entry that is never a folder, so no walk descends
    // through it; deleting it removes the link only.
    bool isLink = false;
    bool isSpecial = false; // a pipe, socket or device node: no contents of its own
    quint64 size = 0;
    quint64 lastWrite = 0; // FILETIME ticks, UTC
    // Which file this is, whatever name it was reached by (hard links, a folder listed twice):
    // equal for one file, 0 when unknown. Filled with the full detail only.
    quint64 fileId = 0;
};

} // namespace tolvex::platform
Q_DECLARE_TYPEINFO(tolvex::platform::FoundEntry, Q_RELOCATABLE_TYPE);
namespace tolvex::platform {

struct DriveEntry
{
    QString root; // "C:\"
    int type = 0; // 2 removable, 3 fixed, 4 network, 5 CD-ROM
    quint32 serial = 0;
};

// A copy replaced by the file its group keeps: a hard link shares the file, a clone shares only
// its blocks (btrfs, XFS) and stays a file of its own.
enum class LinkKind { HardLink, Clone };

enum class LinkOutcome {
    Replaced,
    Gone,        // the copy is no longer there
    Changed,     // the copy is not the file that was listed (or has become a link)
    KeptChanged, // the kept file is gone or not the file that was listed
    Differs,     // their bytes are not equal
    OtherVolume, // they lie on different file systems
    Unsupported, // the file system cannot clone
    Failed,      // the error text says why
};

struct LinkRequest
{
    QString path, within;         // the copy, and the listed folder it must be reached under
    QString keptPath, keptWithin; // the file that stays
    LinkKind kind = LinkKind::HardLink;
    // Asked for each file as it is now, opened and not followed through a link; `kept` tells which.
    std::function<bool(const FoundEntry &now, bool kept)> stillListed;
};

enum class SpecialFolder { Desktop, Personal, AppData, LocalAppData, Cache, Cookies, History, Recent, Temp };

struct LocalTime
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// The file-system and shell calls of the program, in Windows paths. Callers know nothing of
// the host: this is the one place that translates.
class ShellServices
{
public:
    virtual ~ShellServices() = default;

    // What listFolder fills in: everything, or only the name and the kind (folder, link), which
    // a walk over a large tree can have without looking at each entry.
    enum class Detail { Full, KindOnly };

    // Every entry of `folder` whose name matches `mask` ("." and ".." included, as Windows gives
    // them); an unreadable folder yields nothing.
    virtual QList<FoundEntry> listFolder(const QString &folder, const QString &mask,
                                         Detail detail = Detail::Full) = 0;
    // One entry as listFolder reports it, without following a link; false when it is absent.
    virtual bool entryAt(const QString &path, FoundEntry &entry) = 0;
    virtual bool fileExists(const QString &path) = 0; // false for a folder
    virtual bool folderExists(const QString &path) = 0;
    // Deletions look at each entry again just before it goes: a link is removed, never followed,
    // and with `within` (a folder the path lies under) nothing outside that folder is touched,
    // even through a folder that has become a link since it was listed.
    virtual bool deleteFile(const QString &path, const QString &within = {}) = 0; // false for a folder
    // Permanent and silent; folders go with their contents.
    virtual void deleteList(const QStringList &paths, const QString &within = {}) = 0;
    virtual void deleteListToRecycleBin(const QStringList &paths) = 0;
    // Replaces a copy by a link to (or a clone of) the kept file once both are still as listed
    // and their bytes are equal, looked at just before. The link is made under a temporary name
    // beside the copy and renamed over it, so the copy's path always holds equal contents.
    // `freed` gets the bytes that went with the copy: none when it had other names too.
    virtual LinkOutcome replaceByLink(const LinkRequest &request, QString *error = nullptr, quint64 *freed = nullptr) = 0;
    virtual void openItem(const QString &path) = 0;
    // Starts a Windows command line without waiting; false with a Russian reason when it cannot.
    virtual bool runCommandLine(const QString &commandLine, QString *error = nullptr) = 0;
    virtual QString typeName(const QString &path) = 0;
    // A freedesktop icon name for the item, for views that show system icons.
    virtual QString iconName(const QString &path) = 0;

    virtual QString windowsFolder() = 0;
    virtual QString systemFolder() = 0;
    virtual QString expandEnvironment(const QString &text) = 0;
    virtual QString specialFolder(SpecialFolder folder) = 0;
    virtual QList<DriveEntry> drives() = 0;
    virtual int driveType(const QString &root) = 0;
    virtual quint32 volumeSerial(const QString &root) = 0;

    // Locale order ignoring case, Cyrillic included: <0, 0, >0.
    virtual int compareText(const QString &a, const QString &b) = 0;
    virtual LocalTime localTime() = 0;
    virtual int argumentCount() = 0;
    virtual QString programFolder() = 0;
    // Where a Windows path lies on the host; INI files and readers of file contents need it.
    virtual QString hostPath(const QString &path) = 0;

    // The browser's URL cache: the source URL name of every entry, and deleting one by it.
    virtual QStringList urlCacheEntries() = 0;
    virtual bool deleteUrlCacheEntry(const QString &sourceUrlName) = 0;

    // Local time in the MS-DOS form: date in the high 16 bits, time in the low.
    static quint32 dosDateTime(quint64 fileTime);
};

} // namespace tolvex::platform
