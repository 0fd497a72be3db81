#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// File access of the Qt-free registry layer. Error texts are Russian and say what to do.
namespace tolvex::registry::fileio {

// Which version of a file is on disk: another program that writes it (by a rename or in place)
// changes at least one of these.
struct FileIdentity
{
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const FileIdentity &) const = default;
};

FileIdentity identityOf(const std::string &path);

bool exists(const std::string &path);
// `identity`, when given, is the version that was read, taken from the open file.
bool readAll(const std::string &path, std::string &bytes, std::string &error, FileIdentity *identity = nullptr);
// Writes a temporary file beside `path`, flushes it to disk and renames it over `path`, so that
// a crash leaves either the old file or the new one. The old file's permissions are kept.
// `beforeRename`, when given, is asked last: false leaves the old file (and removes the
// temporary). `written`, when given, is the new file's version.
bool writeAtomically(const std::string &path, std::string_view bytes, std::string &error,
                     const std::function<bool()> &beforeRename = {}, FileIdentity *written = nullptr);
// A failed system call of a write, in Russian, with what the user can do about it.
std::string writeErrorText(int code, const std::string &path);
// Removes from `folder` the temporary files that writers killed while saving left: regular files
// named "<target>.XXXXXX" (as writeAtomically and Qt's QSaveFile name them) for the targets
// `isTarget` accepts, last changed `minimumAgeSeconds` ago or earlier. An age of 0 is for the
// folder's one writer only: a temporary being written now would go too.
void removeLeftTemporaries(const std::string &folder, const std::function<bool(std::string_view target)> &isTarget,
                           int minimumAgeSeconds);

} // namespace tolvex::registry::fileio
