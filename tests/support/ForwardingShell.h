#pragma once

#include "shell/MachineShellServices.h"

#include <memory>

namespace tolvex::test {

// Real shell services (the machine's own, or any given), for a test to change one or two calls of.
class ForwardingShell : public platform::ShellServices
{
public:
    explicit ForwardingShell(platform::Machine &machine)
        : m_owned(std::make_unique<platform::MachineShellServices>(machine)), m_inner(*m_owned)
    {
    }
    explicit ForwardingShell(platform::ShellServices &inner) : m_inner(inner) {}

    QList<platform::FoundEntry> listFolder(const QString &f, const QString &m, Detail d) override
    {
        return m_inner.listFolder(f, m, d);
    }
    bool entryAt(const QString &p, platform::FoundEntry &e) override { return m_inner.entryAt(p, e); }
    bool fileExists(const QString &p) override { return m_inner.fileExists(p); }
    bool folderExists(const QString &p) override { return m_inner.folderExists(p); }
    bool deleteFile(const QString &p, const QString &w) override { return m_inner.deleteFile(p, w); }
    void deleteList(const QStringList &p, const QString &w) override { m_inner.deleteList(p, w); }
    void deleteListToRecycleBin(const QStringList &p) override { m_inner.deleteListToRecycleBin(p); }
    platform::LinkOutcome replaceByLink(const platform::LinkRequest &r, QString *e, quint64 *f) override
    {
        return m_inner.replaceByLink(r, e, f);
    }
    void openItem(const QString &p) override { m_inner.openItem(p); }
    bool runCommandLine(const QString &c, QString *e) override { return m_inner.runCommandLine(c, e); }
    QString typeName(const QString &p) override { return m_inner.typeName(p); }
    QString iconName(const QString &p) override { return m_inner.iconName(p); }
    QString windowsFolder() override { return m_inner.windowsFolder(); }
    QString systemFolder() override { return m_inner.systemFolder(); }
    QString expandEnvironment(const QString &t) override { return m_inner.expandEnvironment(t); }
    QString specialFolder(platform::SpecialFolder f) override { return m_inner.specialFolder(f); }
    QList<platform::DriveEntry> drives() override { return m_inner.drives(); }
    int driveType(const QString &r) override { return m_inner.driveType(r); }
    quint32 volumeSerial(const QString &r) override { return m_inner.volumeSerial(r); }
    int compareText(const QString &a, const QString &b) override { return m_inner.compareText(a, b); }
    platform::LocalTime localTime() override { return m_inner.localTime(); }
    int argumentCount() override { return m_inner.argumentCount(); }
    QString programFolder() override { return m_inner.programFolder(); }
    QString hostPath(const QString &p) override { return m_inner.hostPath(p); }
    QStringList urlCacheEntries() override { return m_inner.urlCacheEntries(); }
    bool deleteUrlCacheEntry(const QString &u) override { return m_inner.deleteUrlCacheEntry(u); }

private:
    std::unique_ptr<platform::MachineShellServices> m_owned;
    platform::ShellServices &m_inner;
};

} // namespace tolvex::test
