#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tolvex::platform {
class ShellServices;
}
namespace tolvex::ini {
class IniDocument;
}

namespace tolvex::advanced_cleaning {

// A file-name mask; only ticked filters take part in a search.
struct FilterRow
{
    QString mask;
    QString description;
    bool ticked = true;
    // The mask's extension, dot included; "" without one.
    QString type() const;
};

// A text that excludes every found file whose full path contains it (exactly, case and all).
struct ExclusionRow
{
    QString text;
    QString description;
    bool ticked = true;
};

struct SearchPath
{
    QString path; // ends with a backslash
    bool ticked = true;
};

// The three lists of advanced cleaning and their sections of Config.ini.
class ProSettings
{
public:
    QList<SearchPath> paths;
    QList<FilterRow> filters;
    QList<ExclusionRow> exclusions;
    // The drive roots GetDrives put first; they are never saved.
    QStringList startupDriveRoots;

    // The roots of the fixed and removable drives, ticked, in place of the whole path list.
    void GetDrives(platform::ShellServices &shell);
    // Appends what Config.ini holds, every row ticked; a missing file reads as empty.
    void LoadNastr(const ini::IniDocument &config);
    // Writes the sections "Filters", "Exclusion" and "Path" into `config`, replacing them.
    void SaveNastr(ini::IniDocument &config) const;

    // A folder chosen to search: with a backslash appended, accepted only on a drive letter and
    // when not listed yet (exactly); added unticked, and from then on the list stays sorted.
    // False when nothing was added.
    bool addSearchPath(QString chosen, platform::ShellServices &shell);
    void sortPaths(platform::ShellServices &shell);
    bool pathsSorted() const { return m_sorted; }

    // The paths a search walks, filters and exclusions it applies: the ticked ones.
    QStringList tickedPaths() const;

private:
    bool m_sorted = false;
};

// Config.ini in the program folder, shared with the duplicate finder.
QString configFile(platform::ShellServices &shell);
ini::IniDocument readConfig(platform::ShellServices &shell);
// Replaces Config.ini at once with `config`: a crash leaves the old file or the new one.
void writeConfig(platform::ShellServices &shell, const ini::IniDocument &config);

} // namespace tolvex::advanced_cleaning
