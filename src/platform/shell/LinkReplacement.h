#pragma once

#include "ShellServices.h"

#include <functional>

struct stat;

namespace tolvex::platform {

// Replaces the entry `name` of the open folder `folderFd` by a hard link to, or a clone of, the
// entry `keptName` of `keptFolderFd`. Both are opened without following a link and shown to
// `accept` as they are now; the replacement goes ahead only when it accepts both, their bytes are
// equal and neither has changed by the moment of the rename. `freed` gets the copy's size when
// its file went with it (it had no other name), else 0.
LinkOutcome replaceEntryByLink(int folderFd, const char *name, int keptFolderFd, const char *keptName, LinkKind kind,
                               const std::function<bool(const struct stat &now, bool kept)> &accept, QString *error,
                               quint64 *freed = nullptr);

// The prefix of the temporary names a replacement makes beside the copy; one left by a crash is
// a link to (or a clone of) contents equal to the copy's, and scans pass over such names.
inline constexpr char linkTempPrefix[] = ".tolvex-link-";

} // namespace tolvex::platform
