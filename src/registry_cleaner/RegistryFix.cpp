#include "RegistryFix.h"

#include <QFile>
#include <QSaveFile>

namespace tolvex::registry_cleaner {

using registry::RegistryStore;
using registry::Root;

const QString RegistryFix::fixedText = QStringLiteral("Исправлено");

namespace {

bool sameKeys(const RegFile &a, const RegFile &b)
{
    if (a.keys.size() != b.keys.size())
        return false;
    for (qsizetype i = 0; i < a.keys.size(); ++i) {
        const RegFile::Key &x = a.keys[i], &y = b.keys[i];
        if (x.path != y.path || x.values.size() != y.values.size())
            return false;
        for (qsizetype j = 0; j < x.values.size(); ++j)
            if (x.values[j].name != y.values[j].name || x.values[j].text != y.values[j].text)
                return false;
    }
    return true;
}

} // namespace

RegistryFix::RegistryFix(registry::RegistryBackend &backend) : m_backend(backend) {}

void RegistryFix::StartBackupText() { m_backup = RegFile(); }

void RegistryFix::RecordBackupEntry(Root root, const QString &keyPath, const QString &valueName,
                                    const QString &valueText)
{
    RegistryStore store(m_backend);
    store.SelectRoot(root);
    if (!store.OpenPathForReading(keyPath.toStdString()))
        return;
    m_backup.addKey(QString::fromLatin1(registry::rootName(root).data()) + keyPath);
    // An extension row takes its whole key; a value row, the default value included, its value.
    if (root != Root::ClassesRoot)
        m_backup.addValue(valueName, valueText);
}

bool RegistryFix::FixRegistryEntry(Root root, const QString &keyPath, const QString &valueName)
{
    RegistryStore store(m_backend);
    store.SelectRoot(root);
    if (root == Root::ClassesRoot)
        return store.HasKey(keyPath.toStdString()) && store.RemoveKey(keyPath.toStdString());
    if (!store.OpenPath(keyPath.toStdString(), false))
        return false;
    return store.RemoveValue(valueName.toStdString());
}

QString RegistryFix::writeBackup(const QString &hostFile) const
{
    const QByteArray bytes = m_backup.toBytes();
    QSaveFile file(hostFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Не удалось записать резервную копию %1: %2. Ничего не исправлено; выберите "
                              "другую папку или освободите место на диске.")
            .arg(hostFile, file.errorString());
    QFile back(hostFile);
    QString error;
    std::optional<RegFile> read;
    if (back.open(QIODevice::ReadOnly))
        read = RegFile::parse(back.readAll(), &error);
    else
        error = back.errorString();
    if (!read || !sameKeys(*read, m_backup))
        return QStringLiteral("Резервная копия %1 не читается так, как записана%2. Ничего не исправлено.")
            .arg(hostFile, error.isEmpty() ? QString() : QStringLiteral(" (") + error + u')');
    return {};
}

RegistryFix::Outcome RegistryFix::fixRows(const QList<RegistryErrorRow> &rows,
                                          const std::optional<QString> &backupFile,
                                          const Hooks &hooks)
{
    Outcome outcome;
    StartBackupText();
    if (backupFile) {
        for (const RegistryErrorRow &row : rows)
            RecordBackupEntry(rootOfHive(row.Hive), row.KeyPath, row.ValueName, row.Parameter);
        outcome.backupError = writeBackup(*backupFile);
        if (!outcome.backupError.isEmpty()) {
            outcome.fixed.fill(false, rows.size());
            return outcome;
        }
    }
    for (int i = 0; i < rows.size(); ++i) {
        if (hooks.between)
            hooks.between();
        const RegistryErrorRow &row = rows[i];
        const bool fixed = (!hooks.stillWanted || hooks.stillWanted(i)) &&
                           FixRegistryEntry(rootOfHive(row.Hive), row.KeyPath, row.ValueName);
        outcome.fixed.append(fixed);
        if (fixed && hooks.fixedRow)
            hooks.fixedRow(i);
    }
    return outcome;
}

} // namespace tolvex::registry_cleaner
