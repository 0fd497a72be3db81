#include "TweakBackups.h"

#include "ini/IniFile.h"

namespace tolvex::backups {

TweakBackups::TweakBackups(platform::ProgramContext &context) : m_context(context) {}

QString TweakBackups::folder() const { return m_context.shell.programFolder() + QStringLiteral("\\Backups"); }

QString TweakBackups::pathOf(const QString &fileName) const { return folder() + u'\\' + fileName; }

ini::IniDocument TweakBackups::read(const QString &path) const
{
    return ini::IniFile(m_context.shell.hostPath(path)).load();
}

void TweakBackups::write(const QString &path, const ini::IniDocument &document) const
{
    ini::IniFile file(m_context.shell.hostPath(path));
    try {
        file.save(document);
    } catch (const ini::IniError &) {
        // The user knows the file by its program-side path.
        throw ini::IniError(("Unable to write to " + path).toStdString());
    }
}

QString TweakBackups::makeXp(const QList<Group> &groups)
{
    const QString path = pathOf(backupFileName(groups, m_context.shell.localTime()));
    registry::RegistryStore store(m_context.machine.registry());
    fillBackupSnapshot(store, m_snapshot);
    // A second backup of the same groups in the same minute replaces its keys in the same file.
    ini::IniDocument document = read(path);
    writeXpBackup(groups, m_snapshot, document);
    write(path, document);
    return path;
}

void TweakBackups::restoreXp(const QString &path)
{
    const ini::IniDocument document = read(path);
    registry::RegistryStore store(m_context.machine.registry());
    restoreXpBackup(document, store);
}

QString TweakBackups::makeVista(const QList<Group> &groups, const tweaks::VistaSnapshot &snapshot)
{
    const QString path = pathOf(backupFileName(groups, m_context.shell.localTime()));
    ini::IniDocument document = read(path);
    writeVistaBackup(groups, snapshot, document);
    write(path, document);
    return path;
}

bool TweakBackups::remove(const QString &path) { return m_context.shell.deleteFile(path); }

} // namespace tolvex::backups
