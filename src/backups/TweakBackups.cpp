#include "TweakBackups.h"

#include "TweakCatalogue.h"
#include "ini/IniFile.h"

namespace tolvex::backups {

MemoryXpPages::MemoryXpPages(platform::Machine &machine) : m_store(machine.registry())
{
    for (const tweaks::TweakPageDef *page : tweaks::xpPages())
        for (const tweaks::TweakEntry &row : page->rows)
            m_controls.add(row);
}

void MemoryXpPages::reload() { tweaks::loadPages(tweaks::xpPages(), tweaks::xpLoadOrder(), m_store, m_controls); }

QList<const tweaks::TweakEntry *> MemoryXpPages::runOk(const QString &okButton)
{
    QList<const tweaks::TweakEntry *> failed;
    for (const tweaks::TweakPageDef *page : tweaks::xpPages())
        if (okButton == QString::fromUtf8(page->okButton))
            for (const tweaks::TweakEntry &row : page->rows)
                if (!tweaks::TweakEngine::applyRowCounting(row, m_store, m_controls))
                    failed.append(&row);
    return failed;
}

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

RestoreReport TweakBackups::restoreXp(const QString &path, XpPagesAfterRestore &pages)
{
    const ini::IniDocument document = read(path);
    registry::RegistryStore store(m_context.machine.registry());
    RestoreReport report = restoreXpBackup(document, store);
    pages.reload();
    for (const QString &ok : tweaks::xpRestoreOkOrder()) {
        for (const tweaks::TweakEntry *row : pages.runOk(ok)) {
            store.SelectRoot(row->root);
            // A key OK could not even make is one this machine lacks; otherwise the write was refused.
            const auto reason = store.HasKey(row->keyPath) ? SkippedValue::Reason::Refused
                                                          : SkippedValue::Reason::KeyMissing;
            const QString key = tweaks::rootDisplayName(row->root) + u'\\' + QString::fromUtf8(row->keyPath);
            for (const char *value : {row->value, row->value2})
                if (*value)
                    report.add({QString::fromUtf8(value), reason, key});
        }
    }
    return report;
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
