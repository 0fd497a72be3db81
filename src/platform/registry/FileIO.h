#pragma once

#include <functional>
#include <string>
#include <string_view>

// File access of the Qt-free registry layer.
namespace tolvex::registry::fileio {

bool exists(const std::string &path);
bool readAll(const std::string &path, std::string &bytes, std::string &error);
// Writes a temporary file beside `path`, flushes it to disk and renames it over `path`, so that
// a crash leaves either the old file or the new one. The old file's permissions are kept.
bool writeAtomically(const std::string &path, std::string_view bytes, std::string &error);
// Removes from `folder` the temporary files that writers killed while saving left: regular files
// named "<target>.XXXXXX" (as writeAtomically and Qt's QSaveFile name them) for the targets
// `isTarget` accepts, last changed `minimumAgeSeconds` ago or earlier. An age of 0 is for the
// folder's one writer only: a temporary being written now would go too.
void removeLeftTemporaries(const std::string &folder, const std::function<bool(std::string_view target)> &isTarget,
                           int minimumAgeSeconds);

} // namespace tolvex::registry::fileio
