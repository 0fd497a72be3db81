#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace tolvex::registry {
class RegistryBackend;
}
namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::applications {

// The tree's top level, in its order.
enum class Category { New, Old, Unknown, All };
constexpr int CategoryCount = 4;
QString categoryText(Category category);

// Which of "Новые", "Старые" and "Неизвестно" an InstallDate text puts an entry in on `today`;
// nullopt for a date that does not read as one (the entry is then only in "Весь список").
std::optional<Category> dateCategory(const QString &installDate, const QDate &today);

// Windows updates, packages and hotfixes: never listed.
bool isHiddenName(const QString &displayName);

// Below HKEY_LOCAL_MACHINE. A 64-bit machine keeps its 32-bit programs' entries in the second.
extern const char UninstallKey[];
extern const char Uninstall32Key[];

struct UninstallEntry
{
    QString keyPath; // below HKEY_LOCAL_MACHINE: the Uninstall key, a backslash, the subkey
    QString displayName;
    QString uninstallString;
    QString installDate;

    // The one child of the entry's node.
    QString pathText() const;
};

struct ApplicationTree
{
    std::array<QList<UninstallEntry>, CategoryCount> categories;
};

// What a command ends with: the text of the box to show (none when empty), and whether it failed.
struct Outcome
{
    bool ok = true;
    QString message;
    // The message is the shell's reason why the uninstaller could not start.
    bool startFailure = false;
};

// The programs registered for uninstalling under HKEY_LOCAL_MACHINE, in both registry views, and
// the two commands on one of them. Knows no widget: the page and tolvex-cli share it.
class InstalledApplications
{
public:
    InstalledApplications(registry::RegistryBackend &registry, platform::ShellServices &shell);

    // Reads the candidates afresh and sorts the entries by today's local date.
    ApplicationTree BuildApplicationTree();
    // The key of the first candidate of the last rebuild that has an UninstallString and this
    // DisplayName; nothing when no entry node is selected (nullopt) or none matches.
    std::optional<QString> FindSelectedEntryKey(const std::optional<QString> &displayName);

    // Starts the found entry's uninstaller without waiting for it.
    Outcome Uninstall(const std::optional<QString> &key);
    // Deletes the found entry's key with its subkeys (the question is the caller's).
    Outcome DeleteEntry(const std::optional<QString> &key);

    // Every candidate key of the last rebuild, the 64-bit view's first.
    const QStringList &candidates() const { return m_candidates; }

private:
    registry::RegistryBackend &m_registry;
    platform::ShellServices &m_shell;
    QStringList m_candidates;
};

} // namespace tolvex::applications
