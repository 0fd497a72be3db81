#pragma once

#include <string>
#include <string_view>

// File access of the Qt-free registry layer.
namespace tolvex::registry::fileio {

bool exists(const std::string &path);
bool readAll(const std::string &path, std::string &bytes, std::string &error);
// Writes a temporary file beside `path`, flushes it to disk and renames it over `path`, so that
// a crash leaves either the old file or the new one. The old file's permissions are kept.
bool writeAtomically(const std::string &path, std::string_view bytes, std::string &error);
// Removes the temporary files of writeAtomically that a killed writer left beside `path`; only
// for the folder's one writer, as a temporary being written now would go too.
void removeLeftTemporaries(const std::string &path);

} // namespace tolvex::registry::fileio
