#include "FileIO.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex::registry::fileio {

namespace {

FileIdentity identityFrom(const struct stat &st)
{
    FileIdentity id;
    id.exists = true;
    id.device = std::uint64_t(st.st_dev);
    id.inode = std::uint64_t(st.st_ino);
    id.size = std::int64_t(st.st_size);
    id.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

FileIdentity identityOf(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return identityFrom(st);
}

std::string writeErrorText(int code, const std::string &path)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return "на диске нет места. Освободите место на диске с папкой " + folderOf(path) + " и повторите";
    case EACCES:
    case EPERM:
        return "нет прав на запись в папку " + folderOf(path) + ". Проверьте права доступа к папке и файлу";
    case EROFS:
        return "папка " + folderOf(path) + " находится на диске, доступном только для чтения";
    case EIO:
        return "ошибка ввода-вывода диска. Проверьте диск и повторите";
    case ENOENT:
    case ENOTDIR:
        return "папка " + folderOf(path) + " не найдена";
    default:
        return "системная ошибка " + std::to_string(code) + ". Проверьте диск и права доступа к папке " +
               folderOf(path);
    }
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool readAll(const std::string &path, std::string &bytes, std::string &error, FileIdentity *identity)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno == EACCES ? "нет прав на чтение. Проверьте права доступа к файлу" : std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        bytes.reserve(size_t(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, size_t(n));
    }
    if (identity)
        *identity = ::fstat(fd, &st) == 0 ? identityFrom(st) : FileIdentity{};
    ::close(fd);
    return true;
}

namespace {

constexpr char temporarySuffix[] = ".XXXXXX";

// The target of a name mkstemp made from `target` + temporarySuffix; empty for any other name.
std::string_view temporaryTarget(std::string_view name)
{
    const size_t random = sizeof temporarySuffix - 2;
    if (name.size() < random + 2 || name[name.size() - random - 1] != '.')
        return {};
    for (const char c : name.substr(name.size() - random))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return {};
    return name.substr(0, name.size() - random - 1);
}

} // namespace

void removeLeftTemporaries(const std::string &folder, const std::function<bool(std::string_view target)> &isTarget,
                           int minimumAgeSeconds)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view target = temporaryTarget(entry->d_name);
        struct stat st {};
        // A regular file only: a link of that name is not ours.
        if (!target.empty() && isTarget(target) &&
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            now - st.st_mtime >= minimumAgeSeconds)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

bool writeAtomically(const std::string &path, std::string_view bytes, std::string &error,
                     const std::function<bool()> &beforeRename, FileIdentity *written)
{
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    std::string temp = path + temporarySuffix;
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = writeErrorText(errno, path);
        return false;
    }
    auto failWith = [&](int code) {
        error = writeErrorText(code, path);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    };
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return failWith(errno);
        done += size_t(n);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return failWith(errno);
    struct stat made {};
    if (::fstat(fd, &made) != 0)
        return failWith(errno);
    if (::close(fd) != 0) {
        error = writeErrorText(errno, path);
        ::unlink(temp.c_str());
        return false;
    }
    if (beforeRename && !beforeRename()) {
        ::unlink(temp.c_str());
        error.clear();
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        error = writeErrorText(errno, path);
        ::unlink(temp.c_str());
        return false;
    }
    if (written)
        *written = identityFrom(made);
    return true;
}

} // namespace tolvex::registry::fileio
