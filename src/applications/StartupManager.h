#pragma once

#include "registry/RegistryTypes.h"

#include <QList>
#include <QString>

namespace tolvex::registry {
class RegistryBackend;
}
namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::applications {

// A key the startup grid lists; the label is shown in the third cell and is how a deletion finds
// the key again.
struct StartupLocation
{
    QString label;
    registry::Root root;
    QString key;
    bool loadOnly = false; // only the value "load", and only with a command-line argument
};

// In listing order, the 32-bit view's machine-wide keys after their 64-bit ones.
const QList<StartupLocation> &startupLocations();
const StartupLocation *locationByLabel(const QString &label);

// One grid row as shown: an empty text is a single space.
struct StartupRow
{
    QString name;
    QString command;
    QString label;

    bool operator==(const StartupRow &) const = default;
};

// The grid's header row; a deletion that takes it finds no location.
StartupRow headerRow();

// A value's data as `reg query` prints it: texts as they are, numbers in hex with 0x, multi-texts
// joined by \0, anything else as hex digits.
QString registryDataText(const registry::RawValue &value);

// The programs Windows starts at logon from the Run and RunOnce keys (and the load values), and
// their addition and removal. Knows no widget: the page and tolvex-cli share it.
class StartupManager
{
public:
    StartupManager(registry::RegistryBackend &registry, platform::ShellServices &shell);

    // The rows from the registry now; the load rows only when the program had an argument.
    QList<StartupRow> FormPaint();
    // Removes the value named by the row's name cell from the key of its label; false when
    // nothing was removed.
    bool DeleteRow(const StartupRow &row);
    // Writes the program's path under the name in the current user's Run key, over any value of
    // that name. Throws a registry error when the registry refuses.
    void Add(const QString &name, const QString &path);

private:
    registry::RegistryBackend &m_registry;
    platform::ShellServices &m_shell;
};

} // namespace tolvex::applications
