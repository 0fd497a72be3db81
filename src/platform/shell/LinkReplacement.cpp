#include "LinkReplacement.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex::platform {

namespace {

class OpenFile
{
public:
    OpenFile(int folderFd, const char *name) : m_fd(::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC)) {}
    ~OpenFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool unchanged(const struct stat &a, const struct stat &b)
{
    return sameFile(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Both read from their start to their end; false at the first difference or failed read.
bool equalBytes(int a, int b, off_t size)
{
    constexpr size_t chunk = 256 * 1024;
    QByteArray left(chunk, Qt::Uninitialized), right(chunk, Qt::Uninitialized);
    for (off_t at = 0; at < size;) {
        const size_t n = size_t(qMin<off_t>(off_t(chunk), size - at));
        if (::pread(a, left.data(), n, at) != ssize_t(n) || ::pread(b, right.data(), n, at) != ssize_t(n) ||
            std::memcmp(left.constData(), right.constData(), n) != 0)
            return false;
        at += off_t(n);
    }
    // Nothing beyond the size either side was told of.
    char extra;
    return ::pread(a, &extra, 1, size) == 0 && ::pread(b, &extra, 1, size) == 0;
}

QByteArray tempName()
{
    static std::atomic<unsigned> counter{0};
    return QByteArray(linkTempPrefix) + QByteArray::number(::getpid()) + '-' + QByteArray::number(counter++);
}

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

LinkOutcome replaceEntryByLink(int folderFd, const char *name, int keptFolderFd, const char *keptName, LinkKind kind,
                               const std::function<bool(const struct stat &now, bool kept)> &accept, QString *error,
                               quint64 *freed)
{
    if (freed)
        *freed = 0;
    auto fail = [error](int code) {
        if (error)
            *error = errnoText(code);
        return LinkOutcome::Failed;
    };
    const OpenFile copy(folderFd, name);
    struct stat copyStat {}, keptStat {};
    if (copy.fd() < 0)
        return errno == ENOENT ? LinkOutcome::Gone : LinkOutcome::Changed;
    if (::fstat(copy.fd(), &copyStat) != 0 || !S_ISREG(copyStat.st_mode) || !accept(copyStat, false))
        return LinkOutcome::Changed;
    const OpenFile kept(keptFolderFd, keptName);
    if (kept.fd() < 0 || ::fstat(kept.fd(), &keptStat) != 0 || !S_ISREG(keptStat.st_mode) || !accept(keptStat, true))
        return LinkOutcome::KeptChanged;
    if (sameFile(copyStat, keptStat))
        return LinkOutcome::Replaced; // one file already
    if (copyStat.st_dev != keptStat.st_dev)
        return LinkOutcome::OtherVolume;
    if (copyStat.st_size != keptStat.st_size || !equalBytes(copy.fd(), kept.fd(), copyStat.st_size))
        return LinkOutcome::Differs;

    // A name left by a crashed run (whose pid may come round again) is passed by, never reused.
    QByteArray temp;
    constexpr int attempts = 64;
    if (kind == LinkKind::HardLink) {
        // Through the open file, not its name: the link is to exactly the bytes just compared.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(kept.fd());
        int result = -1;
        for (int attempt = 0; attempt < attempts && result != 0; ++attempt) {
            temp = tempName();
            result = ::linkat(AT_FDCWD, self.constData(), folderFd, temp.constData(), AT_SYMLINK_FOLLOW);
            if (result != 0 && errno == ENOENT) // no /proc: by name, then checked to be that file
                result = ::linkat(keptFolderFd, keptName, folderFd, temp.constData(), 0);
            if (result != 0 && errno != EEXIST)
                return errno == EXDEV ? LinkOutcome::OtherVolume : fail(errno);
        }
        if (result != 0)
            return fail(EEXIST);
        {
            struct stat linked {};
            if (::fstatat(folderFd, temp.constData(), &linked, AT_SYMLINK_NOFOLLOW) != 0 || !sameFile(linked, keptStat)) {
                ::unlinkat(folderFd, temp.constData(), 0);
                return LinkOutcome::KeptChanged;
            }
        }
    } else {
        int clone = -1;
        for (int attempt = 0; attempt < attempts && clone < 0; ++attempt) {
            temp = tempName();
            clone = ::openat(folderFd, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             copyStat.st_mode & 07777);
            if (clone < 0 && errno != EEXIST)
                return fail(errno);
        }
        if (clone < 0)
            return fail(EEXIST);
        int code = 0;
        if (::ioctl(clone, FICLONE, kept.fd()) != 0)
            code = errno;
        // The copy's own owner, mode and times: a clone takes the copy's place, not the kept file's.
        if (code == 0) {
            (void)::fchown(clone, copyStat.st_uid, copyStat.st_gid);
            const struct timespec times[2] = {copyStat.st_atim, copyStat.st_mtim};
            if (::fchmod(clone, copyStat.st_mode & 07777) != 0 || ::futimens(clone, times) != 0 || ::fsync(clone) != 0)
                code = errno;
        }
        ::close(clone);
        if (code != 0) {
            ::unlinkat(folderFd, temp.constData(), 0);
            if (code == EXDEV)
                return LinkOutcome::OtherVolume;
            if (code == EOPNOTSUPP || code == EINVAL || code == ENOTTY || code == ENOSYS)
                return LinkOutcome::Unsupported;
            return fail(code);
        }
    }
    // The last look: the copy's name still holds the file compared, and neither file was written.
    struct stat nameNow {}, copyNow {}, keptNow {};
    const bool stillSame = ::fstatat(folderFd, name, &nameNow, AT_SYMLINK_NOFOLLOW) == 0 &&
                           ::fstat(copy.fd(), &copyNow) == 0 && ::fstat(kept.fd(), &keptNow) == 0 &&
                           sameFile(nameNow, copyStat) && unchanged(copyNow, copyStat) &&
                           keptNow.st_size == keptStat.st_size && keptNow.st_mtim.tv_sec == keptStat.st_mtim.tv_sec &&
                           keptNow.st_mtim.tv_nsec == keptStat.st_mtim.tv_nsec;
    if (!stillSame) {
        ::unlinkat(folderFd, temp.constData(), 0);
        return LinkOutcome::Changed;
    }
    if (::renameat(folderFd, temp.constData(), folderFd, name) != 0) {
        const int code = errno;
        ::unlinkat(folderFd, temp.constData(), 0);
        return fail(code);
    }
    if (freed && copyNow.st_nlink == 1)
        *freed = quint64(copyStat.st_size);
    return LinkOutcome::Replaced;
}

} // namespace tolvex::platform
