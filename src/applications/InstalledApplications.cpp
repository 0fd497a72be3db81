#include "InstalledApplications.h"

#include "registry/RegistryStore.h"
#include "shell/ShellServices.h"

namespace tolvex::applications {

using registry::RegistryStore;
using registry::Root;

const char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char Uninstall32Key[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const QString NotFound = QStringLiteral("UninstallString не найденно");
const QString OpenFailed = QStringLiteral("Ошибка открытия ключа");
const QString Deleted = QStringLiteral("Раздел удален");
const QString Failed = QStringLiteral("Ошибка");

// A decimal integer: an optional sign and digits, nothing else (no spaces, no hex).
std::optional<int> integerOf(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    int value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

// A value the entry uses: another kind than text counts as absent, so that one odd entry
// neither stops the rebuild nor shows a number as a name.
std::optional<QString> textValue(RegistryStore &store, const char *name)
{
    const std::optional<registry::RawValue> raw = store.GetRaw(name);
    if (!raw || (raw->type != registry::type::String && raw->type != registry::type::ExpandString))
        return std::nullopt;
    return QString::fromStdString(store.GetText(name));
}

bool openEntry(RegistryStore &store, const QString &key)
{
    store.SelectRoot(Root::LocalMachine);
    store.ClosePath();
    return store.OpenPath("\\" + key.toStdString(), false);
}

std::optional<UninstallEntry> readEntry(RegistryStore &store, const QString &key)
{
    if (!openEntry(store, key)) return std::nullopt;
    const std::optional<QString> name = textValue(store, "DisplayName");
    const std::optional<QString> command = textValue(store, "UninstallString");
    if (!name || !command || isHiddenName(*name)) return std::nullopt;
    return UninstallEntry{key, *name, *command, textValue(store, "InstallDate").value_or(QString())};
}

} // namespace

QString categoryText(Category category)
{
    switch (category) {
    case Category::New:
        return QStringLiteral("Новые");
    case Category::Old:
        return QStringLiteral("Старые");
    case Category::Unknown:
        return QStringLiteral("Неизвестно");
    case Category::All:
        return QStringLiteral("Весь список");
    }
    return {};
}

std::optional<Category> dateCategory(const QString &installDate, const QDate &today)
{
    if (installDate.isEmpty()) return Category::Unknown;
    const QStringView d(installDate);
    const std::optional<int> year = integerOf(d.mid(0, 4));
    const std::optional<int> month = integerOf(d.mid(4, 2));
    const std::optional<int> day = integerOf(d.mid(6, 2));
    if (!year || !month || !day) return std::nullopt;
    const int dY = today.year() - *year, dM = today.month() - *month, dD = today.day() - *day;
    // Exactly 16 days back falls between the two rules; it is counted old.
    if (dY == 0 && dM == 0 && dD < 16) return Category::New;
    return Category::Old;
}

bool isHiddenName(const QString &displayName)
{
    return displayName.startsWith(QStringLiteral("Обновление")) ||
           displayName.startsWith(QStringLiteral("Пакет")) ||
           displayName.startsWith(QStringLiteral("Исправление"));
}

QString UninstallEntry::pathText() const
{
    return uninstallString.isEmpty() ? QStringLiteral("Путь не подписан")
                                     : QStringLiteral("Путь:") + uninstallString;
}

InstalledApplications::InstalledApplications(registry::RegistryBackend &registry,
                                             platform::ShellServices &shell)
    : m_registry(registry), m_shell(shell)
{
}

ApplicationTree InstalledApplications::BuildApplicationTree()
{
    const platform::LocalTime now = m_shell.localTime();
    const QDate today(now.year, now.month, now.day);
    RegistryStore store(m_registry);
    store.SelectRoot(Root::LocalMachine);
    m_candidates.clear();
    for (const char *uninstall : {UninstallKey, Uninstall32Key}) {
        store.ClosePath();
        if (!store.OpenPath(std::string("\\") + uninstall, false)) continue;
        for (const std::string &name : store.SubkeyNames())
            m_candidates.append(QString::fromLatin1(uninstall) + u'\\' + QString::fromStdString(name));
    }

    ApplicationTree tree;
    for (const QString &key : std::as_const(m_candidates)) {
        const std::optional<UninstallEntry> entry = readEntry(store, key);
        if (!entry) continue;
        if (const std::optional<Category> category = dateCategory(entry->installDate, today))
            tree.categories[size_t(*category)].append(*entry);
        tree.categories[size_t(Category::All)].append(*entry);
    }
    return tree;
}

std::optional<QString> InstalledApplications::FindSelectedEntryKey(const std::optional<QString> &displayName)
{
    if (!displayName) return std::nullopt;
    RegistryStore store(m_registry);
    for (const QString &key : std::as_const(m_candidates)) {
        if (!openEntry(store, key) || !textValue(store, "UninstallString")) continue;
        if (textValue(store, "DisplayName") == *displayName) return key;
    }
    return std::nullopt;
}

Outcome InstalledApplications::Uninstall(const std::optional<QString> &key)
{
    if (!key) return {false, NotFound};
    RegistryStore store(m_registry);
    if (!openEntry(store, *key)) return {false, OpenFailed};
    const std::optional<QString> command = textValue(store, "UninstallString");
    if (!command) return {false, NotFound};
    QString why;
    if (!m_shell.runCommandLine(*command, &why)) return {false, why, true};
    return {};
}

Outcome InstalledApplications::DeleteEntry(const std::optional<QString> &key)
{
    if (!key) return {false, Failed};
    RegistryStore store(m_registry);
    store.SelectRoot(Root::LocalMachine);
    if (!store.RemoveKey("\\" + key->toStdString())) return {false, Failed};
    return {true, Deleted};
}

} // namespace tolvex::applications
