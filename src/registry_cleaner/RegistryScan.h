#pragma once

#include "registry/RegistryStore.h"

#include <QMetaType>
#include <QString>

#include <atomic>
#include <functional>

namespace tolvex::platform {
class ShellServices;
}

namespace tolvex::registry_cleaner {

// One line of the result list.
struct RegistryErrorRow
{
    QString ErrorType; // "Неверное расширение" or "Неверная ссылка на файл"
    QString Parameter; // the key's name, or the value's text as read
    QString Hive;      // "HKCR", "HKCU" or "HKLM"
    QString KeyPath;   // from the hive root, beginning with a backslash
    QString ValueName; // empty for an extension, or for a key's default value

    bool operator==(const RegistryErrorRow &) const = default;
};

registry::Root rootOfHive(const QString &hive);
// The name a walk uses for the subkey enumerated at `index`: an empty name becomes the index in
// four digits ("0003"). Wine's hives hold no empty names; a native registry can enumerate one.
QString walkName(const std::string &name, size_t index);

} // namespace tolvex::registry_cleaner

Q_DECLARE_METATYPE(tolvex::registry_cleaner::RegistryErrorRow)

namespace tolvex::registry_cleaner {

// The registry cleaner's scan: empty extension keys under HKEY_CLASSES_ROOT (phase 1), and text
// values naming a missing file under \SOFTWARE\Classes\CLSID (phase 2) and \SOFTWARE (phase 3) of
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER. It knows no thread: TCleanThread runs it on one,
// tolvex-cli runs it directly. Links between keys are never walked into, so no key is examined
// twice under two names and no walk can loop.
class RegistryScan
{
public:
    RegistryScan(registry::RegistryBackend &backend, platform::ShellServices &shell);

    // Cleared by a cancel: every walk step and examination returns at once.
    std::atomic<bool> Running{false};
    bool ScanExtensions = false;
    bool ScanClassIds = false;
    bool ScanSoftware = false;

    // Told on the scanning thread, in the order things happen.
    std::function<void(const QString &status)> onStatus;
    std::function<void(const RegistryErrorRow &row)> onRow;

    // The phases in order; returns the last status text.
    QString Run();
    void WalkKeys(const QString &startPath, registry::Root root);
    quint32 VolumeSerial(QChar letter);

    quint64 keysExamined() const { return m_examined.load(); }
    quint64 rowsFound() const { return m_rows; }

    static QString statusText(int phase);
    static const QString finished;
    static const QString nothingFound;

private:
    void walk(registry::RegistryStore &start, const QString &path, registry::Root root);
    void ExamineKey(registry::RegistryStore &key, const QString &keyPath, const QString &keyName,
                    registry::Root root);
    void report(const RegistryErrorRow &row);

    registry::RegistryBackend &m_backend;
    platform::ShellServices &m_shell;
    std::atomic<quint64> m_examined{0};
    quint64 m_rows = 0;
};

} // namespace tolvex::registry_cleaner
