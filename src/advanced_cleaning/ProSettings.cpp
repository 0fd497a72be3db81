#include "ProSettings.h"

#include "ini/IniDocument.h"
#include "ini/IniFile.h"
#include "shell/ShellServices.h"
#include "text/PathParts.h"

#include <algorithm>

namespace tolvex::advanced_cleaning {

namespace {

const QString filtersSection = QStringLiteral("Filters");
const QString exclusionSection = QStringLiteral("Exclusion");
const QString pathSection = QStringLiteral("Path");
const QString countKey = QStringLiteral("Count");

// A count that is not a number reads as 0; one far beyond any real list is not trusted to make
// that many empty rows.
int countOf(const ini::IniDocument &config, const QString &section)
{
    constexpr int limit = 100000;
    bool ok = false;
    const int n = config.value(section, countKey).trimmed().toInt(&ok);
    return ok ? std::clamp(n, 0, limit) : 0;
}

QString indexed(const char *prefix, int i) { return QString::fromLatin1(prefix) + QString::number(i); }

} // namespace

QString FilterRow::type() const { return text::extractFileExt(mask); }

void ProSettings::GetDrives(platform::ShellServices &shell)
{
    paths.clear();
    startupDriveRoots.clear();
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const QString root = QString(QChar(letter)) + QStringLiteral(":\\");
        const int type = shell.driveType(root);
        if (type == 2 || type == 3) {
            paths.append({root, true});
            startupDriveRoots.append(root);
        }
    }
}

void ProSettings::LoadNastr(const ini::IniDocument &config)
{
    for (int i = 0, n = countOf(config, filtersSection); i < n; ++i) {
        const QString description = config.value(filtersSection, indexed("D", i));
        filters.append({config.value(filtersSection, indexed("F", i)), description, true});
    }
    for (int i = 0, n = countOf(config, exclusionSection); i < n; ++i) {
        const QString description = config.value(exclusionSection, indexed("D", i));
        exclusions.append({config.value(exclusionSection, indexed("E", i)), description, true});
    }
    for (int i = 0, n = countOf(config, pathSection); i < n; ++i)
        paths.append({config.value(pathSection, indexed("P", i)), true});
}

void ProSettings::SaveNastr(ini::IniDocument &config) const
{
    config.removeSection(filtersSection);
    config.removeSection(exclusionSection);
    config.removeSection(pathSection);
    config.setValue(filtersSection, countKey, QString::number(filters.size()));
    for (int i = 0; i < filters.size(); ++i) {
        config.setValue(filtersSection, indexed("F", i), filters[i].mask);
        config.setValue(filtersSection, indexed("D", i), filters[i].description);
    }
    config.setValue(exclusionSection, countKey, QString::number(exclusions.size()));
    for (int i = 0; i < exclusions.size(); ++i) {
        config.setValue(exclusionSection, indexed("E", i), exclusions[i].text);
        config.setValue(exclusionSection, indexed("D", i), exclusions[i].description);
    }
    QStringList saved;
    for (const SearchPath &p : paths)
        if (!startupDriveRoots.contains(p.path))
            saved.append(p.path);
    config.setValue(pathSection, countKey, QString::number(saved.size()));
    for (int i = 0; i < saved.size(); ++i)
        config.setValue(pathSection, indexed("P", i), saved[i]);
}

bool ProSettings::addSearchPath(QString chosen, platform::ShellServices &shell)
{
    if (chosen.isEmpty())
        return false;
    chosen = text::withTrailingBackslash(chosen);
    if (chosen.mid(1, 2) != QStringLiteral(":\\"))
        return false;
    for (const SearchPath &p : std::as_const(paths))
        if (p.path == chosen)
            return false;
    paths.append({chosen, false});
    m_sorted = true;
    sortPaths(shell);
    return true;
}

void ProSettings::sortPaths(platform::ShellServices &shell)
{
    std::stable_sort(paths.begin(), paths.end(), [&shell](const SearchPath &a, const SearchPath &b) {
        return shell.compareText(a.path, b.path) < 0;
    });
}

QStringList ProSettings::tickedPaths() const
{
    QStringList ticked;
    for (const SearchPath &p : paths)
        if (p.ticked)
            ticked.append(p.path);
    return ticked;
}

QString configFile(platform::ShellServices &shell) { return shell.programFolder() + QStringLiteral("\\Config.ini"); }

ini::IniDocument readConfig(platform::ShellServices &shell)
{
    try {
        return ini::IniFile(shell.hostPath(configFile(shell))).load();
    } catch (const ini::IniError &) {
        return {}; // an unreadable file reads as empty
    }
}

void writeConfig(platform::ShellServices &shell, const ini::IniDocument &config)
{
    ini::IniFile(shell.hostPath(configFile(shell))).save(config);
}

} // namespace tolvex::advanced_cleaning
