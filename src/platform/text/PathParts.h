#pragma once

#include <QString>

// The parts of a Windows path, split at the delimiters '\' and ':'.
namespace tolvex::text {

// After the last delimiter.
QString extractFileName(const QString &path);
// Up to and including the last delimiter.
QString extractFilePath(const QString &path);
// From the last '.' after the last delimiter, the dot included; "" without one.
QString extractFileExt(const QString &path);
// A path from a drive letter's root, as C:\Temp.
bool isDrivePath(const QString &path);
// `folder` with one trailing '\'.
QString withTrailingBackslash(const QString &folder);

} // namespace tolvex::text
