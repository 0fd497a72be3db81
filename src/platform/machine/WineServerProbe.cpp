#include "WineServerProbe.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex::platform {

bool wineServerRunning(const QString &prefixFolder)
{
    struct stat st {};
    if (::stat(QFile::encodeName(prefixFolder).constData(), &st) != 0)
        return false;
    // The server works in /tmp/<tag>/server-<dev>-<inode>/, <tag> from the prefix's "wineserver"
    // file (Debian's wrapper) or .wine-<uid>, and write-locks its "lock" file while it runs.
    QString tag = QStringLiteral(".wine-%1").arg(::getuid());
    QFile tagFile(prefixFolder + QStringLiteral("/wineserver"));
    if (tagFile.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(tagFile.readAll()).trimmed();
        if (!text.isEmpty() && !text.contains(u'/'))
            tag = text;
    }
    const QString lockPath = QStringLiteral("/tmp/%1/server-%2-%3/lock")
                                 .arg(tag)
                                 .arg(qulonglong(st.st_dev), 0, 16)
                                 .arg(qulonglong(st.st_ino), 0, 16);
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

} // namespace tolvex::platform
