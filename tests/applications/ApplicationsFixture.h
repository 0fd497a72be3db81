#pragma once

// A machine image in a temporary folder whose registry the tests fill through the registry
// store, and a clock fixed at a chosen day.
#include "FixedClock.h"
#include "TestMachine.h"

#include "ProgramContext.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "registry/Unicode.h"
#include "shell/Clock.h"
#include "shell/MachineShellServices.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace tolvex::test {

using registry::RawValue;
using registry::Root;

inline RawValue sz(const QString &text)
{
    return {registry::type::String, registry::unicode::stringData(text.toStdString())};
}
inline RawValue expandSz(const QString &text)
{
    return {registry::type::ExpandString, registry::unicode::stringData(text.toStdString())};
}
inline RawValue dword(quint32 number)
{
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[size_t(i)] = char((number >> (8 * i)) & 0xFF);
    return {registry::type::Dword, data};
}
inline RawValue binary(const QByteArray &bytes)
{
    return {registry::type::Binary, bytes.toStdString()};
}
inline RawValue multiSz(const QStringList &texts)
{
    QString joined;
    for (const QString &t : texts)
        joined += t + QChar(0);
    joined += QChar(0);
    return {registry::type::MultiString,
            std::string(reinterpret_cast<const char *>(joined.utf16()), size_t(joined.size()) * 2)};
}

struct ApplicationsMachine
{
    QTemporaryDir dir;
    std::unique_ptr<platform::Machine> machine;
    std::unique_ptr<platform::MachineShellServices> shell;
    std::unique_ptr<platform::ProgramContext> context;
    FixedClock clock;

    // `arguments`: the program's command-line argument count, which the load rows depend on.
    explicit ApplicationsMachine(int arguments = 0, const QDate &today = QDate(2008, 1, 20))
    {
        writeMachine(folder(), {});
        open(arguments);
        clock.time = QDateTime(today, QTime(12, 0));
        platform::Clock::setInstance(&clock);
    }
    ~ApplicationsMachine() { platform::Clock::setInstance(nullptr); }

    QString folder() const { return dir.path() + "/machine"; }

    // Opens the image again, as a program started now would find it.
    void open(int arguments = 0)
    {
        context.reset();
        shell.reset();
        machine.reset(); // its lock goes with it: the image opened again is writable
        machine = platform::Machine::open(folder(), dir.path());
        shell = std::make_unique<platform::MachineShellServices>(*machine, arguments);
        context = std::make_unique<platform::ProgramContext>(platform::ProgramContext{*machine, *shell});
    }

    registry::RegistryBackend &registry() { return machine->registry(); }

    void set(Root root, const QString &key, const QString &name, const RawValue &value)
    {
        registry::RegistryStore store(registry());
        store.SelectRoot(root);
        QVERIFY(store.OpenPath("\\" + key.toStdString(), true));
        store.SetRaw(name.toStdString(), value);
    }
    void makeKey(Root root, const QString &key)
    {
        registry::RegistryStore store(registry());
        store.SelectRoot(root);
        store.MakeKey("\\" + key.toStdString());
    }
    bool hasKey(Root root, const QString &key)
    {
        registry::RegistryStore store(registry());
        store.SelectRoot(root);
        return store.HasKey("\\" + key.toStdString());
    }
    std::optional<RawValue> value(Root root, const QString &key, const QString &name)
    {
        registry::RegistryStore store(registry());
        store.SelectRoot(root);
        if (!store.OpenPath("\\" + key.toStdString(), false)) return std::nullopt;
        return store.GetRaw(name.toStdString());
    }
};

const QString uninstall64 = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
const QString uninstall32 =
    QStringLiteral("SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
const QString run64 = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString run32 = QStringLiteral("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString runOnce64 = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
const QString runOnce32 =
    QStringLiteral("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
const QString defaultRun = QStringLiteral(".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString defaultRunOnce =
    QStringLiteral(".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
const QString windowsKey = QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows");
const QString defaultWindowsKey =
    QStringLiteral(".DEFAULT\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows");

// An uninstall entry with the given values; a null value is left out.
inline void uninstallEntry(ApplicationsMachine &m, const QString &uninstallKey, const QString &subkey,
                           const std::optional<RawValue> &displayName, const std::optional<RawValue> &command,
                           const std::optional<RawValue> &installDate = std::nullopt)
{
    const QString key = uninstallKey + "\\" + subkey;
    m.makeKey(Root::LocalMachine, key);
    if (displayName) m.set(Root::LocalMachine, key, "DisplayName", *displayName);
    if (command) m.set(Root::LocalMachine, key, "UninstallString", *command);
    if (installDate) m.set(Root::LocalMachine, key, "InstallDate", *installDate);
}

} // namespace tolvex::test
