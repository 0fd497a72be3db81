#include "CrashGenerations.h"

#include "ProSettings.h"
#include "ini/IniFile.h"
#include "registry/HiveCodec.h"

#include <QDir>
#include <QFile>

namespace tolvex::test::crash {

using registry::HiveKey;

namespace {

HiveKey *keyAt(HiveKey *root, const char *path)
{
    HiveKey *key = root;
    for (const QString &name : QString::fromLatin1(path).split(u'\\', Qt::SkipEmptyParts)) {
        key = key ? key->child(name.toStdU16String()) : nullptr;
    }
    return key;
}

std::optional<quint32> fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return std::nullopt;
}

std::optional<quint32> hiveGeneration(const QString &folder, QString *why)
{
    QFile file(folder + QStringLiteral("/user.reg"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(why, QStringLiteral("user.reg: ") + file.errorString());
    const QByteArray bytes = file.readAll();
    registry::Hive hive;
    registry::HiveCodec codec;
    if (!codec.read(std::string_view(bytes.constData(), size_t(bytes.size())), hive))
        return fail(why, QStringLiteral("user.reg does not parse: %1 (line %2)")
                             .arg(QString::fromStdString(codec.errorString()))
                             .arg(codec.errorLine()));
    const HiveKey *bulk = keyAt(hive.root.get(), bulkKey);
    if (!bulk || bulk->values().size() != size_t(bulkValues))
        return fail(why, QStringLiteral("user.reg lacks bulk values"));
    const HiveKey *key = keyAt(hive.root.get(), hiveKey);
    if (!key)
        return 0;
    const registry::HiveValue *value = key->value(u"Generation");
    if (!value || value->value.data.size() != 4)
        return fail(why, QStringLiteral("user.reg: the generation is no DWORD"));
    quint32 generation = 0;
    for (int i = 0; i < 4; ++i)
        generation |= quint32(quint8(value->value.data[size_t(i)])) << (8 * i);
    return generation;
}

std::optional<quint32> configGeneration(const QString &folder, QString *why)
{
    const QString path = configPath(folder);
    if (!QFile::exists(path))
        return 0;
    advanced_cleaning::ProSettings settings;
    settings.LoadNastr(ini::IniFile(path).load());
    if (settings.filters.size() != configRows)
        return fail(why, QStringLiteral("Config.ini holds %1 filters").arg(settings.filters.size()));
    const QString first = settings.filters.first().mask;
    const quint32 generation = first.mid(1, first.indexOf(u'-') - 1).toUInt();
    for (int row = 0; row < configRows; ++row)
        if (settings.filters[row].mask != configFilter(generation, row))
            return fail(why, QStringLiteral("Config.ini mixes generations at row %1").arg(row));
    return generation;
}

std::optional<quint32> backupGeneration(const QString &folder, QString *why)
{
    const QString path = backupPath(folder);
    if (!QFile::exists(path))
        return 0;
    const ini::IniDocument document = ini::IniFile(path).load();
    // Every key of every group whose value the machine holds: a cut file lacks the last ones.
    const QString lastSection = QString::fromUtf8(backups::groupInfo(backups::Group::Applications).section);
    if (!backups::isTweakBackup(document) || document.keys(lastSection).isEmpty())
        return fail(why, QStringLiteral("the backup is not whole"));
    const backups::BackupKey &marker = backupMarker();
    bool ok = false;
    const quint32 generation = document
                                   .value(QString::fromUtf8(backups::groupInfo(marker.group).section),
                                          QString::fromUtf8(marker.key))
                                   .toUInt(&ok);
    if (!ok)
        return fail(why, QStringLiteral("the backup has no generation"));
    return generation;
}

} // namespace

QString configFilter(quint32 generation, int row) { return QStringLiteral("g%1-%2.tmp").arg(generation).arg(row); }

const backups::BackupKey &backupMarker()
{
    for (const backups::BackupKey &key : backups::xpBackupKeys())
        if (qstrcmp(key.value, "MenuShowDelay") == 0)
            return key;
    qFatal("no MenuShowDelay in the backup keys");
}

QList<backups::Group> allGroups()
{
    QList<backups::Group> groups;
    for (int i = 0; i < backups::groupCount; ++i)
        groups.append(backups::Group(i));
    return groups;
}

QString configPath(const QString &machineFolder) { return machineFolder + QStringLiteral("/drive_c/Tolvex/Config.ini"); }

QString backupPath(const QString &machineFolder)
{
    const QStringList files = QDir(machineFolder + QStringLiteral("/drive_c/Tolvex/Backups"))
                                  .entryList({QStringLiteral("*.ini")}, QDir::Files);
    return files.size() == 1 ? machineFolder + QStringLiteral("/drive_c/Tolvex/Backups/") + files.first() : QString();
}

std::optional<quint32> readGeneration(const QString &kind, const QString &machineFolder, QString *why)
{
    if (kind == u"hive")
        return hiveGeneration(machineFolder, why);
    if (kind == u"config")
        return configGeneration(machineFolder, why);
    return backupGeneration(machineFolder, why);
}

} // namespace tolvex::test::crash
