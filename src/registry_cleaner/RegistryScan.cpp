#include "RegistryScan.h"

#include "ReferenceRules.h"
#include "shell/ShellServices.h"
#include "text/PathParts.h"

namespace tolvex::registry_cleaner {

using registry::RegistryStore;
using registry::Root;

namespace {

const QString badExtension = QStringLiteral("Неверное расширение");
const QString badReference = QStringLiteral("Неверная ссылка на файл");

QString hiveOf(Root root)
{
    switch (root) {
    case Root::ClassesRoot: return QStringLiteral("HKCR");
    case Root::CurrentUser: return QStringLiteral("HKCU");
    case Root::LocalMachine: return QStringLiteral("HKLM");
    case Root::Users: return QStringLiteral("HKU");
    }
    return {};
}

} // namespace

const QString RegistryScan::finished = QStringLiteral("Анализ ключей реестра завершен.");
const QString RegistryScan::nothingFound = QStringLiteral("Неисправностей в реестре не найдено");

Root rootOfHive(const QString &hive)
{
    if (hive == u"HKCR")
        return Root::ClassesRoot;
    if (hive == u"HKCU")
        return Root::CurrentUser;
    return Root::LocalMachine;
}

QString walkName(const std::string &name, size_t index)
{
    return name.empty() ? QString::asprintf("%.04d", int(index)) : QString::fromStdString(name);
}

RegistryScan::RegistryScan(registry::RegistryBackend &backend, platform::ShellServices &shell)
    : m_backend(backend), m_shell(shell)
{
}

QString RegistryScan::statusText(int phase)
{
    return phase == 1 ? QStringLiteral("Поиск неверных расширений. Пожалуйста ждите...")
                      : QStringLiteral("Поиск неверных ссылок на файлы. Пожалуйста ждите...");
}

QString RegistryScan::Run()
{
    Running = true;
    m_rows = 0;
    m_examined = 0;
    auto status = [this](const QString &text) {
        if (onStatus)
            onStatus(text);
    };
    if (ScanExtensions) {
        status(statusText(1));
        WalkKeys(QString(), Root::ClassesRoot);
    }
    for (const auto &[enabled, start] : {std::pair{ScanClassIds, QStringLiteral("\\SOFTWARE\\Classes\\CLSID")},
                                        std::pair{ScanSoftware, QStringLiteral("\\SOFTWARE")}}) {
        if (!enabled)
            continue;
        for (Root root : {Root::LocalMachine, Root::CurrentUser}) {
            status(statusText(2));
            WalkKeys(start, root);
        }
    }
    QString last = finished;
    status(last);
    if (m_rows == 0) {
        last = nothingFound;
        status(last);
    }
    Running = false;
    return last;
}

void RegistryScan::WalkKeys(const QString &startPath, Root root)
{
    if (!Running)
        return;
    RegistryStore start(m_backend);
    start.SelectRoot(root);
    // An empty path opens the root itself, whose subkeys the walk lists.
    if (!start.OpenPathForReading(startPath.toStdString()))
        return;
    walk(start, startPath, root);
}

// Depth first, pre-order; the start key itself is never examined. Each child is opened from its
// parent with a store of its own, which the examination uses.
void RegistryScan::walk(RegistryStore &start, const QString &path, Root root)
{
    const std::vector<std::string> names = start.SubkeyNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (!Running)
            return;
        const QString name = walkName(names[i], i);
        const std::string stored = name.toStdString();
        if (start.IsLink(stored))
            continue;
        RegistryStore child(m_backend);
        child.SelectKeyOf(start);
        if (!child.OpenPathForReading(stored))
            continue;
        const QString childPath = path + u'\\' + name;
        ExamineKey(child, childPath, name, root);
        if (root != Root::ClassesRoot)
            walk(child, childPath, root);
    }
}

quint32 RegistryScan::VolumeSerial(QChar letter)
{
    return m_shell.volumeSerial(QString(letter) + QStringLiteral(":\\"));
}

void RegistryScan::ExamineKey(RegistryStore &key, const QString &keyPath, const QString &keyName, Root root)
{
    if (!Running)
        return;
    ++m_examined;
    const std::vector<std::string> values = key.ValueNames();
    if (values.empty() && root != Root::ClassesRoot)
        return;
    if (root == Root::ClassesRoot) {
        if (keyName.startsWith(u'.') && values.empty() && !key.HasSubkeys())
            report({badExtension, keyName, hiveOf(root), keyPath, QString()});
        return;
    }
    for (const std::string &value : values) {
        if (key.ValueKind(value) != registry::ValueKind::String)
            continue;
        QString t;
        try {
            t = QString::fromStdString(key.GetText(value));
        } catch (const registry::RegistryError &) {
            continue;
        }
        if (t.isEmpty() || t[0] == u'A' || t[0] == u'a' || VolumeSerial(t[0]) == 0 || m_shell.fileExists(t))
            continue;
        QString p;
        if (!ExtractReferencedFile(t, p) || text::extractFileExt(p).isEmpty() || m_shell.folderExists(p) ||
            m_shell.fileExists(p))
            continue;
        report({badReference, t, hiveOf(root), keyPath, QString::fromStdString(value)});
    }
}

void RegistryScan::report(const RegistryErrorRow &row)
{
    ++m_rows;
    if (onRow)
        onRow(row);
}

} // namespace tolvex::registry_cleaner
