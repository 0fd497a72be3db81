#pragma once

#include "ShellServices.h"

namespace tolvex::platform {

class Machine;

// Shell services over a machine image: Windows paths are mapped through its drives, programs run
// with wine in its prefix, deletions never leave the tree they were given.
class MachineShellServices final : public ShellServices
{
public:
    explicit MachineShellServices(Machine &machine, int argumentCount = 0);

    QList<FoundEntry> listFolder(const QString &folder, const QString &mask,
                                 Detail detail = Detail::Full) override;
    bool entryAt(const QString &path, FoundEntry &entry) override;
    bool fileExists(const QString &path) override;
    bool folderExists(const QString &path) override;
    bool deleteFile(const QString &path, const QString &within = {}) override;
    void deleteList(const QStringList &paths, const QString &within = {}) override;
    void deleteListToRecycleBin(const QStringList &paths) override;
    LinkOutcome replaceByLink(const LinkRequest &request, QString *error = nullptr, quint64 *freed = nullptr) override;
    void openItem(const QString &path) override;
    bool runCommandLine(const QString &commandLine, QString *error = nullptr) override;
    QString typeName(const QString &path) override;
    QString iconName(const QString &path) override;
    QString windowsFolder() override;
    QString systemFolder() override;
    QString expandEnvironment(const QString &text) override;
    QString specialFolder(SpecialFolder folder) override;
    QList<DriveEntry> drives() override;
    int driveType(const QString &root) override;
    quint32 volumeSerial(const QString &root) override;
    int compareText(const QString &a, const QString &b) override;
    LocalTime localTime() override;
    int argumentCount() override { return m_argumentCount; }
    QString programFolder() override;
    QString hostPath(const QString &path) override;
    QStringList urlCacheEntries() override;
    bool deleteUrlCacheEntry(const QString &sourceUrlName) override;

    Machine &machine() { return m_machine; }

private:
    bool isRoot(const QString &host) const;

    Machine &m_machine;
    int m_argumentCount;
};

} // namespace tolvex::platform
