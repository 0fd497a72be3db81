#pragma once

#include <QString>

namespace tolvex::registry_cleaner {

// The file a command-line-like registry text names: "C:\App\app.exe -x" gives C:\App\app.exe,
// "C:\WINDOWS\system32\shell32.dll,4" gives C:\WINDOWS\system32\shell32.dll. False (and no path)
// when the text is not a path on a drive letter, holds a second ":\", a '|', '=' or '*', or its
// name part holds '/', '\' or '"'.
bool ExtractReferencedFile(const QString &text, QString &path);
// A name without its extension, cut before the first occurrence of that extension ("a.exe.exe"
// gives "a"); unchanged without one.
QString StripExtension(const QString &name);

} // namespace tolvex::registry_cleaner
