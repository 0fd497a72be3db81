#include "StartupManager.h"

#include "registry/RegistryStore.h"
#include "shell/ShellServices.h"

namespace tolvex::applications {

using registry::RegistryStore;
using registry::Root;
namespace type = registry::type;

namespace {

QString shown(const QString &text)
{
    return text.isEmpty() ? QStringLiteral(" ") : text;
}

QString utf16Text(const std::string &data, bool multi)
{
    QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(data.data()), qsizetype(data.size() / 2));
    while (text.endsWith(QChar(0)))
        text.chop(1);
    if (multi) return text.replace(QChar(0), QStringLiteral("\\0"));
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

quint64 littleEndian(const std::string &data)
{
    quint64 number = 0;
    for (size_t i = 0; i < data.size(); ++i)
        number |= quint64(uint8_t(data[i])) << (8 * i);
    return number;
}

bool openLocation(RegistryStore &store, const StartupLocation &location)
{
    store.SelectRoot(location.root);
    store.ClosePath();
    return store.OpenPath("\\" + location.key.toStdString(), false);
}

// The command cell of a value: a text as it is, another kind as `reg query` prints it.
QString commandOf(RegistryStore &store, const std::string &name)
{
    const std::optional<registry::RawValue> raw = store.GetRaw(name);
    return raw ? registryDataText(*raw) : QString();
}

} // namespace

const QList<StartupLocation> &startupLocations()
{
    static const QList<StartupLocation> locations = {
        {QStringLiteral("HKEY_LM\\Run"), Root::LocalMachine,
         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")},
        {QStringLiteral("HKEY_LM\\Run (32)"), Root::LocalMachine,
         QStringLiteral("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run")},
        {QStringLiteral("HKEY_CU\\Run"), Root::CurrentUser,
         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run")},
        {QStringLiteral("HKEY_Users\\Run"), Root::Users,
         QStringLiteral(".Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run")},
        {QStringLiteral("HKEY_LM\\RunOnce"), Root::LocalMachine,
         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce")},
        {QStringLiteral("HKEY_LM\\RunOnce (32)"), Root::LocalMachine,
         QStringLiteral("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce")},
        {QStringLiteral("HKEY_CU\\RunOnce"), Root::CurrentUser,
         QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce")},
        {QStringLiteral("HKEY_Users\\RunOnce"), Root::Users,
         QStringLiteral(".Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce")},
        {QStringLiteral("HKEY_CU\\load"), Root::CurrentUser,
         QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"), true},
        {QStringLiteral("HKEY_Users\\load"), Root::Users,
         QStringLiteral(".DEFAULT\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"), true},
    };
    return locations;
}

const StartupLocation *locationByLabel(const QString &label)
{
    for (const StartupLocation &location : startupLocations())
        if (location.label == label) return &location;
    return nullptr;
}

StartupRow headerRow()
{
    return {QStringLiteral("Имя файла"), QStringLiteral("Путь к файлу"), QStringLiteral("Путь в реестре")};
}

QString registryDataText(const registry::RawValue &value)
{
    switch (value.type) {
    case type::String:
    case type::ExpandString:
        return utf16Text(value.data, false);
    case type::MultiString:
        return utf16Text(value.data, true);
    case type::Dword:
        if (value.data.size() == 4) return QStringLiteral("0x%1").arg(littleEndian(value.data), 0, 16);
        break;
    case 11: // REG_QWORD
        if (value.data.size() == 8) return QStringLiteral("0x%1").arg(littleEndian(value.data), 0, 16);
        break;
    }
    return QString::fromLatin1(QByteArray::fromStdString(value.data).toHex().toUpper());
}

StartupManager::StartupManager(registry::RegistryBackend &registry, platform::ShellServices &shell)
    : m_registry(registry), m_shell(shell)
{
}

QList<StartupRow> StartupManager::FormPaint()
{
    const bool withLoad = m_shell.argumentCount() > 0;
    QList<StartupRow> rows;
    RegistryStore store(m_registry);
    for (const StartupLocation &location : startupLocations()) {
        if (location.loadOnly) {
            if (!withLoad || !openLocation(store, location)) continue;
            const QString command = commandOf(store, "load");
            if (!command.isEmpty()) rows.append({QStringLiteral("load"), command, location.label});
            continue;
        }
        if (!openLocation(store, location)) continue;
        for (const std::string &name : store.ValueNames())
            rows.append({shown(QString::fromStdString(name)), shown(commandOf(store, name)), location.label});
    }
    return rows;
}

bool StartupManager::DeleteRow(const StartupRow &row)
{
    const StartupLocation *location = locationByLabel(row.label);
    if (!location) return false;
    RegistryStore store(m_registry);
    return openLocation(store, *location) && store.RemoveValue(row.name.toStdString());
}

void StartupManager::Add(const QString &name, const QString &path)
{
    RegistryStore store(m_registry);
    store.SelectRoot(Root::CurrentUser);
    if (!store.OpenPath("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true))
        throw registry::RegistryError(
            "Failed to create key SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    store.SetText(name.toStdString(), path.toStdString());
}

} // namespace tolvex::applications
