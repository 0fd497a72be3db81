// Writes the seed corpora of the hive, INI, .LsD and .reg targets with Tolvex's own writers, so
// that each target starts from files of its kind as the program makes them.
// Usage: seed_maker DIR (makes DIR/hive, DIR/ini, DIR/lsd and DIR/reg).
#include "BackupFiles.h"
#include "LsdFile.h"
#include "ProSettings.h"
#include "RegFile.h"
#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"
#include "registry/RegistryTypes.h"
#include "registry/Unicode.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace tolvex;

namespace {

bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every kind of value the hive writer knows, in the three hives; they are written as files.
void fillRegistry(registry::RegistryStore &store)
{
    store.SelectRoot(registry::Root::LocalMachine);
    store.OpenPath("\\Software\\Seed\\Типы", true);
    store.SetText("Текст", "C:\\Program Files\\\"x\"");
    store.SetExpandText("", "%SystemRoot%\\system32");
    store.SetDword("Число", 0xFFFFFF9Du);
    store.SetRaw("Байты", {registry::type::Binary, std::string("\x00\x01\xfe\xff", 4)});
    store.SetRaw("Строки", {registry::type::MultiString, registry::unicode::stringData(std::string("a\0b\0", 4))});
    store.ClosePath();
    for (const backups::BackupKey &key : backups::xpBackupKeys()) {
        store.SelectRoot(key.root);
        store.OpenPath(std::string("\\") + key.keyPath, true);
        if (key.type == tweaks::ValueType::Dword)
            store.SetDword(key.value, 1);
        else
            store.SetText(key.value, "1");
        store.ClosePath();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_maker DIR\n");
        return 2;
    }
    const QString out = QFile::decodeName(argv[1]);
    for (const char *name : {"hive", "ini", "lsd", "reg"})
        QDir().mkpath(out + u'/' + QLatin1String(name));
    bool ok = true;

    // Hives: saved by the registry layer into the seed folder itself.
    registry::HiveRegistry hives;
    hives.load(QFile::encodeName(out + QStringLiteral("/hive")).toStdString());
    registry::RegistryStore store(hives);
    fillRegistry(store);
    ok &= hives.flush().empty();

    // INI: Config.ini's lists, and an XP and a Vista backup of every group.
    advanced_cleaning::ProSettings settings;
    settings.filters = {{QStringLiteral("*.tmp"), QStringLiteral("Временные файлы"), true},
                        {QStringLiteral(" ~*.$$$"), {}, true}};
    settings.exclusions = {{QStringLiteral("\\Важное\\"), QStringLiteral("не трогать"), true}};
    settings.paths = {{QStringLiteral("D:\\Temp\\"), true}};
    ini::IniDocument config;
    settings.SaveNastr(config);
    ok &= put(out + QStringLiteral("/ini/Config.ini"), config.toBytes());
    QList<backups::Group> groups;
    for (int i = 0; i < backups::groupCount; ++i)
        groups.append(backups::Group(i));
    backups::BackupSnapshot snapshot;
    backups::fillBackupSnapshot(store, snapshot);
    ini::IniDocument xp;
    backups::writeXpBackup(groups, snapshot, xp);
    ok &= put(out + QStringLiteral("/ini/xp.ini"), xp.toBytes());
    tweaks::VistaSnapshot vistaState;
    vistaState.recycleBinName = QStringLiteral("Корзина");
    ini::IniDocument vista;
    backups::writeVistaBackup(groups, vistaState, vista);
    ok &= put(out + QStringLiteral("/ini/vista.ini"), vista.toBytes());

    // A result file: two groups in nested folders.
    duplicates::DuplicateTables tables;
    tables.FolderTable = {{0, QStringLiteral("C:")}, {0, QStringLiteral("Музыка")}, {1, QStringLiteral("Старое")}};
    tables.FileTable = {{1, 1, 0x5A2B6C00, 4096, QStringLiteral("песня.mp3")},
                        {2, 1, 0x5A2B6C00, 4096, QStringLiteral("песня (копия).mp3")},
                        {0, 2, 0x4F3C2100, 0, QStringLiteral("empty.txt")},
                        {2, 2, 0x4F3C2100, 0, QStringLiteral("EMPTY.TXT")}};
    ok &= put(out + QStringLiteral("/lsd/result.LsD"), duplicates::LsdFile::write(tables));

    // The registry cleaner's backup of a few references.
    registry_cleaner::RegFile reg;
    reg.addKey(QStringLiteral("HKEY_CLASSES_ROOT\\.qwe"));
    reg.addValue({}, QStringLiteral("qwefile"));
    reg.addKey(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{78766964-0000-0010-8000-00AA00389B71}\\InprocServer32"));
    reg.addValue({}, QStringLiteral("C:\\windows\\system32\\DivXDec.ax"));
    reg.addValue(QStringLiteral("ThreadingModel"), QStringLiteral("Both \"quoted\" \\ Кириллица"));
    ok &= put(out + QStringLiteral("/reg/backup.reg"), reg.toBytes());

    if (!ok)
        std::fprintf(stderr, "seed_maker: a seed could not be written\n");
    return ok ? 0 : 1;
}
