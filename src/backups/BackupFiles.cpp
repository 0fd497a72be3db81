#include "BackupFiles.h"

#include "TweakEngine.h"
#include "text/PathParts.h"

#include <algorithm>

namespace tolvex::backups {

using registry::RegistryError;
using registry::RegistryStore;

namespace {

constexpr const char *pe = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr const char *ps = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char *ea = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
constexpr const char *mm = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
constexpr const char *winlogon = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr const char *lanman = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters";
constexpr const char *hklmPolicies = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// A Vista backup's section of flags, one per group it holds.
const QString setup = QStringLiteral("Установка");

const GroupInfo groups[groupCount] = {
    {"НРС", "BackSetRabStol", "", "Настройка рабочего стола", "Настройка рабочего стола"},
    {"НП", "BackSetProv", "vBackSetProv", "Настройки проводника", "Настройка проводника"},
    {"СБ", "BackNetSecur", "", "Сетевая безопасность", "Сетевая безопасность"},
    {"СН", "BackSystemSetting", "vBackSystemSetting", "Системные настройки", "Системные настройки"},
    {"К", "BackRycecly", "vBackRycecly", "Настройка Корзины", "Настройка корзины"},
    {"ВвС", "BackEntInSys", "", "Вход в систему ", "Вход в систему"},
    {"ПЗ", "BackPanZad", "vBackPanZad", "Панель задач", "Панель задач"},
    {"МП", "BackMenuStart", "", "Меню \"Пуск\"", "Меню \"Пуск\""},
    {"П", "BackAppl", "", "Приложения", "Приложения"},
};

// The groups in the order a restore writes them.
const Group restoreOrder[groupCount] = {Group::Desktop, Group::Explorer, Group::System,
                                        Group::StartMenu, Group::Logon, Group::Taskbar,
                                        Group::Network, Group::Applications, Group::RecycleBin};

QString idOf(const BackupKey &key)
{
    return QString::fromUtf8(groupInfo(key.group).section) + u'/' + QString::fromUtf8(key.key);
}

} // namespace

const GroupInfo &groupInfo(Group group) { return groups[int(group)]; }

bool isTweakBackup(const ini::IniDocument &document)
{
    for (const QString &section : document.sections()) {
        if (section.compare(setup, Qt::CaseInsensitive) == 0)
            return true;
        for (const GroupInfo &group : groups)
            if (section.compare(QString::fromUtf8(group.section), Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

std::optional<Group> groupByCode(const QString &code)
{
    for (int i = 0; i < groupCount; ++i)
        if (code == QString::fromUtf8(groups[i].code))
            return Group(i);
    return std::nullopt;
}

const QList<BackupKey> &xpBackupKeys()
{
    using V = ValueType;
    static const QList<BackupKey> keys = {
        {Group::Desktop, "NoD", Root::CurrentUser, pe, "NoDesktop", V::Dword, true},
        {Group::Desktop, "PDV", Root::CurrentUser, "Control Panel\\Desktop", "PaintDesktopVersion", V::Dword, true},
        {Group::Desktop, "NoAD", Root::CurrentUser, pe, "NoActiveDesktop", V::Dword, true},
        {Group::Desktop, "NoDBP", Root::CurrentUser, ps, "NoDispBackgroundPage", V::Dword, true},
        {Group::Desktop, "NoDSSP", Root::CurrentUser, ps, "NoDispScrSavPage", V::Dword, true},
        {Group::Desktop, "NoDSP", Root::CurrentUser, ps, "NoDispSettingsPage", V::Dword, true},
        {Group::Desktop, "NoDAP", Root::CurrentUser, ps, "NoDispAppearancePage", V::Dword, true},

        {Group::Explorer, "NoLDSC", Root::CurrentUser, pe, "NoLowDiskSpaceChecks", V::Dword, true},
        {Group::Explorer, "SepP", Root::CurrentUser, ea, "SeparateProcess", V::Dword, true},
        {Group::Explorer, "ARS", Root::LocalMachine, winlogon, "AutoRestartShell", V::Dword, true},
        {Group::Explorer, "DTC", Root::CurrentUser, ea, "DisableThumbnailCache", V::Dword, true},
        {Group::Explorer, "NoF", Root::CurrentUser, pe, "NoFind", V::Dword, true},
        {Group::Explorer, "NoR", Root::CurrentUser, pe, "NoRun", V::Dword, true},
        {Group::Explorer, "DPE", Root::LocalMachine, mm, "DisablePagingExecutive", V::Dword, true},
        {Group::Explorer, "MinA", Root::CurrentUser, "Control Panel\\Desktop\\WindowMetrics", "MinAnimate", V::Text, true},
        {Group::Explorer, "DRFW", Root::CurrentUser, "Control Panel\\Desktop", "DragFullWindows", V::Text, true},
        {Group::Explorer, "ACT", Root::ClassesRoot, "*\\shellex\\ContextMenuHandlers\\Copy To", "'", V::Text, true},
        {Group::Explorer, "AMT", Root::ClassesRoot, "*\\shellex\\ContextMenuHandlers\\Move To", "'", V::Text, true},
        {Group::Explorer, "STDB", Root::CurrentUser, "Control Panel\\Mouse", "SnapToDefaultButton", V::Text, true},

        {Group::Network, "ASW", Root::LocalMachine, lanman, "AutoShareWks", V::Dword, false},
        {Group::Network, "ASS", Root::LocalMachine, lanman, "AutoShareServer", V::Dword, false},
        {Group::Network, "RA", Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Lsa", "RestrictAnonymous", V::Dword, false},

        {Group::System, "CLPF", Root::LocalMachine, mm, "ClearPageFileAtShutdown", V::Dword, false},
        {Group::System, "NTFSDLA", Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\FileSystem", "NtfsDisableLastAccessUpdate", V::Dword, false},
        {Group::System, "SfcD", Root::LocalMachine, winlogon, "SfcDisable", V::Dword, false},
        {Group::System, "AUDll", Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", "AlwaysUnloadDLL", V::Dword, false},
        {Group::System, "NoI", Root::CurrentUser, pe, "NoInstrumentation", V::Dword, false},
        {Group::System, "DoR", Root::LocalMachine, "SOFTWARE\\Microsoft\\PCHealth\\ErrorReporting", "DoReport", V::Dword, false},
        {Group::System, "SUI", Root::LocalMachine, "SOFTWARE\\Microsoft\\PCHealth\\ErrorReporting", "ShowUI", V::Dword, false},
        {Group::System, "QEdit", Root::CurrentUser, "Console", "QuickEdit", V::Dword, false},
        {Group::System, "SLDC", Root::LocalMachine, mm, "SecondLevelDataCache", V::Dword, false},
        {Group::System, "LSC", Root::LocalMachine, mm, "LargeSystemCache", V::Dword, false},
        {Group::System, "IOPLL", Root::LocalMachine, mm, "IOPageLockLimit", V::Dword, false},
        {Group::System, "Auto", Root::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", "Auto", V::Text, false},
        {Group::System, "DSVDM", Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\WOW", "DefaultSeparateVDM", V::Text, false},
        {Group::System, "Enab", Root::LocalMachine, "SOFTWARE\\Microsoft\\Dfrg\\BootOptimizeFunction", "Enable", V::Text, false},

        {Group::RecycleBin, "LS", Root::ClassesRoot, "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}", "LocalizedString", V::Text, false},

        {Group::Logon, "DDLU", Root::LocalMachine, hklmPolicies, "dontdisplaylastusername", V::Dword, false},
        {Group::Logon, "AMTS", Root::LocalMachine, winlogon, "AllowMultipleTSSessions", V::Dword, false},
        {Group::Logon, "DSM", Root::LocalMachine, hklmPolicies, "DisableStatusMessages", V::Dword, false},
        {Group::Logon, "IKI", Root::Users, ".DEFAULT\\Control Panel\\Keyboard", "InitialKeyboardIndicators", V::Text, false},

        {Group::Taskbar, "EBT", Root::CurrentUser, ea, "EnableBalloonTips", V::Dword, false},
        {Group::Taskbar, "NTID", Root::CurrentUser, pe, "NoTrayItemsDisplay", V::Dword, false},
        {Group::Taskbar, "EAT", Root::CurrentUser, pe, "EnableAutoTray", V::Dword, false},

        {Group::StartMenu, "NoUNISM", Root::CurrentUser, pe, "NoUserNameInStartMenu", V::Dword, false},
        {Group::StartMenu, "SML", Root::CurrentUser, pe, "StartMenuLogoff", V::Dword, false},
        {Group::StartMenu, "NoSMMUL", Root::CurrentUser, pe, "NoStartMenuMFUprogramsList", V::Dword, false},
        {Group::StartMenu, "NoRDH", Root::CurrentUser, pe, "NoRecentDocsHistory", V::Dword, false},
        {Group::StartMenu, "SAC", Root::CurrentUser, ea, "Start_AutoCascade", V::Dword, false},
        {Group::StartMenu, "SNNA", Root::CurrentUser, ea, "Start_NotifyNewApps", V::Dword, false},
        {Group::StartMenu, "MCG", Root::CurrentUser, pe, "NoCommonGroups", V::Dword, false},
        {Group::StartMenu, "MSD", Root::CurrentUser, pe, "MenuShowDelay", V::Text, false},

        {Group::Applications, "HAT", Root::CurrentUser, "Control Panel\\Desktop", "HungAppTimeout", V::Text, false},
        {Group::Applications, "WTKAT", Root::CurrentUser, "Control Panel\\Desktop", "WaitToKillAppTimeout", V::Text, false},
    };
    return keys;
}

QString backupFileName(const QList<Group> &chosen, const platform::LocalTime &time)
{
    QStringList positions;
    for (int i = 0; i < groupCount; ++i)
        positions.append(chosen.contains(Group(i)) ? QString::fromUtf8(groups[i].code) : QString());
    return positions.join(u' ') + QStringLiteral("#0%1-%2-%3#1%4-%5.ini")
                                      .arg(time.day)
                                      .arg(time.month)
                                      .arg(time.year, 4, 10, QChar(u'0'))
                                      .arg(time.hour)
                                      .arg(time.minute, 2, 10, QChar(u'0'));
}

BackupListing listingOf(const QString &fileName)
{
    const QString name = text::extractFileName(fileName);
    const qsizetype date = name.indexOf(QStringLiteral("#0"));
    const qsizetype time = date < 0 ? -1 : name.indexOf(QStringLiteral("#1"), date + 2);
    QString base = name;
    if (base.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive))
        base.chop(4);
    // A name without the markers shows whole under the parameters, with no date or time.
    if (date < 0 || time < 0)
        return {base, {}, {}};
    return {name.left(date), name.mid(date + 2, time - date - 2), base.mid(time + 2)};
}

std::optional<QVariant> BackupSnapshot::value(const BackupKey &key) const
{
    const auto it = values.constFind(idOf(key));
    if (it == values.constEnd())
        return std::nullopt;
    return *it;
}

void fillBackupSnapshot(RegistryStore &store, BackupSnapshot &snapshot)
{
    for (const BackupKey &key : xpBackupKeys()) {
        store.SelectRoot(key.root);
        store.OpenPath(key.keyPath, false);
        const QString id = idOf(key);
        try {
            if (key.type == ValueType::Dword)
                snapshot.values.insert(id, QVariant::fromValue(quint32(store.GetDword(key.value))));
            else
                snapshot.values.insert(id, QString::fromStdString(store.GetText(key.value)));
        } catch (const RegistryError &) {
            // Not recorded rather than recorded as a value that was never read.
            snapshot.values.remove(id);
        }
        store.ClosePath();
    }
}

QString integerText(quint32 value) { return QString::number(qint32(value)); }

std::optional<quint32> integerOf(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    if (t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        const qulonglong n = t.mid(2).toULongLong(&ok, 16);
        return ok && n <= 0xFFFFFFFFULL ? std::optional<quint32>(quint32(n)) : std::nullopt;
    }
    const qlonglong n = t.toLongLong(&ok, 10);
    if (!ok || n < -2147483648LL || n > 4294967295LL)
        return std::nullopt;
    return quint32(n);
}

void writeXpBackup(const QList<Group> &chosen, const BackupSnapshot &snapshot, ini::IniDocument &document)
{
    for (int g = 0; g < groupCount; ++g) {
        if (!chosen.contains(Group(g)))
            continue;
        for (const BackupKey &key : xpBackupKeys()) {
            if (key.group != Group(g))
                continue;
            const std::optional<QVariant> value = snapshot.value(key);
            if (!value)
                continue;
            const QString section = QString::fromUtf8(groups[g].section);
            document.setValue(section, QString::fromUtf8(key.key),
                              key.type == ValueType::Dword ? integerText(value->value<quint32>()) : value->toString());
        }
    }
}

namespace {

// Values a restore writes together, the second right after the first in the same open key.
constexpr std::pair<const char *, const char *> restoredPairs[] = {{"DoR", "SUI"}, {"ASW", "ASS"}};

const BackupKey *keyNamed(const char *name)
{
    for (const BackupKey &key : xpBackupKeys())
        if (qstrcmp(key.key, name) == 0)
            return &key;
    return nullptr;
}

// The pair `key` belongs to, as (first, second); nullptr for both when it is a single value.
std::pair<const BackupKey *, const BackupKey *> pairOf(const BackupKey &key)
{
    for (const auto &[first, second] : restoredPairs)
        if (qstrcmp(key.key, first) == 0 || qstrcmp(key.key, second) == 0)
            return {keyNamed(first), keyNamed(second)};
    return {nullptr, nullptr};
}

QString keyText(const BackupKey &key)
{
    return tweaks::rootDisplayName(key.root) + u'\\' + QString::fromUtf8(key.keyPath);
}

// What the backup recorded for `key`: a number for DWORD keys, a text otherwise; nullopt when
// the key is absent from its section, or a DWORD key holds no number.
std::optional<QVariant> recorded(const ini::IniDocument &document, const BackupKey &key)
{
    const QString section = QString::fromUtf8(groupInfo(key.group).section);
    if (!document.contains(section, QString::fromUtf8(key.key)))
        return std::nullopt;
    const QString text = document.value(section, QString::fromUtf8(key.key));
    if (key.type == ValueType::Text)
        return QVariant(text);
    const std::optional<quint32> number = integerOf(text);
    return number ? std::optional<QVariant>(QVariant::fromValue(*number)) : std::nullopt;
}

bool writeValue(RegistryStore &store, const BackupKey &key, const QVariant &value)
{
    try {
        if (key.type == ValueType::Dword)
            store.SetDword(key.value, value.value<quint32>());
        else
            store.SetText(key.value, value.toString().toStdString());
        return true;
    } catch (const RegistryError &) {
        return false;
    }
}

// Writes one value, or a pair, into the key they share.
void restoreValues(const QList<std::pair<const BackupKey *, QVariant>> &values, RegistryStore &store,
                   RestoreReport &report)
{
    const BackupKey &first = *values.first().first;
    store.SelectRoot(first.root);
    if (!store.OpenPath(first.keyPath, first.create)) {
        const auto reason = first.create ? SkippedValue::Reason::Refused : SkippedValue::Reason::KeyMissing;
        for (const auto &[key, value] : values)
            report.add({QString::fromUtf8(key->value), reason, keyText(*key)});
        return;
    }
    bool refused = false;
    for (const auto &[key, value] : values) {
        // A pair goes under one guard: once its first write fails, the second is not tried.
        if (refused || !writeValue(store, *key, value)) {
            refused = true;
            report.add({QString::fromUtf8(key->value), SkippedValue::Reason::Refused, keyText(*key)});
        }
    }
    store.ClosePath();
}

} // namespace

void RestoreReport::add(const SkippedValue &value)
{
    for (const SkippedValue &listed : skipped)
        if (listed.value.compare(value.value, Qt::CaseInsensitive) == 0 && listed.detail == value.detail)
            return;
    skipped.append(value);
}

bool RestoreReport::refused() const
{
    return std::any_of(skipped.cbegin(), skipped.cend(),
                       [](const SkippedValue &v) { return v.reason == SkippedValue::Reason::Refused; });
}

QString RestoreReport::lineOf(const SkippedValue &value)
{
    switch (value.reason) {
    case SkippedValue::Reason::KeyMissing:
        return QStringLiteral("%1: нет раздела %2").arg(value.value, value.detail);
    case SkippedValue::Reason::Refused:
        return QStringLiteral("%1: отказано в доступе (%2)").arg(value.value, value.detail);
    case SkippedValue::Reason::PairIncomplete:
        return QStringLiteral("%1: в бекапе нет парного значения %2").arg(value.value, value.detail);
    }
    return value.value;
}

QString RestoreReport::endMessage() const
{
    QString message = QStringLiteral("Востановление завершено");
    if (skipped.isEmpty())
        return message;
    message += QStringLiteral("\nНе восстановлено:");
    for (const SkippedValue &value : skipped)
        message += u'\n' + lineOf(value);
    return message;
}

RestoreReport restoreXpBackup(const ini::IniDocument &document, RegistryStore &store)
{
    RestoreReport report;
    for (Group group : restoreOrder) {
        for (const BackupKey &key : xpBackupKeys()) {
            if (key.group != group)
                continue;
            const auto [first, second] = pairOf(key);
            if (!first) {
                if (const std::optional<QVariant> value = recorded(document, key))
                    restoreValues({{&key, *value}}, store, report);
                continue;
            }
            if (&key != first)
                continue; // written with the first of its pair
            const std::optional<QVariant> one = recorded(document, *first);
            const std::optional<QVariant> two = recorded(document, *second);
            if (one && two) {
                restoreValues({{first, *one}, {second, *two}}, store, report);
            } else if (one || two) {
                // Half a pair would leave the setting in a state the pages never wrote.
                const BackupKey *present = one ? first : second;
                const BackupKey *absent = one ? second : first;
                report.add({QString::fromUtf8(present->value), SkippedValue::Reason::PairIncomplete,
                            QString::fromUtf8(absent->value)});
            }
        }
    }
    return report;
}

namespace {

// A Vista backup key: its section, its key, the snapshot state and the check box behind it.
struct VistaKey
{
    Group group;
    const char *key;
    bool tweaks::VistaSnapshot::*state;
    const char *control;
    bool inverted = false;
};

// In the order a backup writes each group's keys.
const VistaKey vistaKeys[] = {
    {Group::Explorer, "vAUT", &tweaks::VistaSnapshot::autoRestartShell, "vAutResProv"},
    {Group::Explorer, "vNOU", &tweaks::VistaSnapshot::noPagingExecutive, "vNoUsingFilePod"},
    {Group::Explorer, "vANI", &tweaks::VistaSnapshot::minAnimate, "vAnimPrSvorWindow"},
    {Group::Explorer, "vSEE", &tweaks::VistaSnapshot::dragFullWindows, "vSeeSodMove"},
    {Group::System, "vClF", &tweaks::VistaSnapshot::clearPageFile, "vClFilePod"},
    {Group::System, "vNOWR", &tweaks::VistaSnapshot::noLastAccessUpdate, "vNOWRITELASTNTFS"},
    {Group::System, "vAUT", &tweaks::VistaSnapshot::unloadDll, "vAUTUNLDLL"},
    {Group::System, "vDWA", &tweaks::VistaSnapshot::drWatsonEnabled, "vDWATSON", true},
    {Group::System, "vOPS", &tweaks::VistaSnapshot::bootDefrag, "vOPSFILELOADING"},
    {Group::System, "vADZ", &tweaks::VistaSnapshot::autoEndTasks, "vADZP"},
    {Group::System, "vPCP", &tweaks::VistaSnapshot::cpuPriority, "vPCPU"},
    {Group::System, "vDUA", &tweaks::VistaSnapshot::uacDisabled, "vDUAC"},
    {Group::Taskbar, "vSHO", &tweaks::VistaSnapshot::balloonTips, "vShowHint"},
    {Group::Taskbar, "vFST", &tweaks::VistaSnapshot::fastStartMenu, "VFStart"},
    {Group::Taskbar, "vENA", &tweaks::VistaSnapshot::autoTray, "vEnAutoTray"},
};

const char *setupFlag(Group group)
{
    switch (group) {
    case Group::Explorer: return "NP";
    case Group::System: return "NS";
    case Group::RecycleBin: return "K";
    case Group::Taskbar: return "PZ";
    default: return nullptr;
    }
}

bool flag(const ini::IniDocument &document, const QString &section, const char *key)
{
    const std::optional<quint32> n = integerOf(document.value(section, QString::fromUtf8(key), QStringLiteral("0")));
    return n && *n != 0;
}

void writeStates(Group group, const tweaks::VistaSnapshot &snapshot, ini::IniDocument &document)
{
    const QString section = QString::fromUtf8(groupInfo(group).section);
    for (const VistaKey &key : vistaKeys)
        if (key.group == group)
            document.setValue(section, QString::fromUtf8(key.key), snapshot.*key.state ? "1" : "0");
}

void setStates(Group group, const ini::IniDocument &document, tweaks::TweakControls &controls)
{
    const QString section = QString::fromUtf8(groupInfo(group).section);
    for (const VistaKey &key : vistaKeys)
        if (key.group == group)
            controls.setChecked(QString::fromUtf8(key.control), flag(document, section, key.key) != key.inverted);
}

} // namespace

void writeVistaBackup(const QList<Group> &groups, const tweaks::VistaSnapshot &snapshot, ini::IniDocument &document)
{
    if (groups.contains(Group::Explorer)) {
        document.setValue(setup, "NP", "1");
        writeStates(Group::Explorer, snapshot, document);
    }
    if (groups.contains(Group::System)) {
        document.setValue(setup, "NS", "1");
        writeStates(Group::System, snapshot, document);
    }
    if (groups.contains(Group::RecycleBin))
        document.setValue(setup, "K", "1");
    document.setValue(QString::fromUtf8(groupInfo(Group::RecycleBin).section), "vREGI", snapshot.recycleBinName);
    if (groups.contains(Group::Taskbar)) {
        document.setValue(setup, "PZ", "1");
        writeStates(Group::Taskbar, snapshot, document);
    }
}

void restoreVistaBackup(const ini::IniDocument &document, tweaks::TweakControls &controls,
                        const std::function<void(const QString &okButton)> &runOk)
{
    if (flag(document, setup, setupFlag(Group::Taskbar))) {
        setStates(Group::Taskbar, document, controls);
        runOk(QStringLiteral("vPZOK"));
    }
    if (flag(document, setup, setupFlag(Group::RecycleBin))) {
        const QString field = QString::fromUtf8(tweaks::vistaRecycleBinField);
        controls.setText(field, document.value(QString::fromUtf8(groupInfo(Group::RecycleBin).section), "vREGI",
                                               QStringLiteral("Корзина")));
        // A name that could not be read greyed the field; the backup's name is known.
        controls.setEnabled(field, true);
        runOk(QStringLiteral("vNKOK"));
    }
    if (flag(document, setup, setupFlag(Group::System))) {
        setStates(Group::System, document, controls);
        runOk(QStringLiteral("vNSOK"));
    }
    if (flag(document, setup, setupFlag(Group::Explorer))) {
        setStates(Group::Explorer, document, controls);
        runOk(QStringLiteral("vNPOK"));
    }
}

} // namespace tolvex::backups
