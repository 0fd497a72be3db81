#pragma once

#include "TweakEntry.h"
#include "vista/VistaSnapshot.h"

#include "ini/IniDocument.h"
#include "registry/RegistryStore.h"
#include "shell/ShellServices.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

namespace tolvex::backups {

using tweaks::Root;
using tweaks::ValueType;

// The nine groups of a backup, in the order of their positions in a file name.
enum class Group { Desktop, Explorer, Network, System, RecycleBin, Logon, Taskbar, StartMenu, Applications };
constexpr int groupCount = 9;

struct GroupInfo
{
    const char *code;       // the position in the file name
    const char *xpBox;      // the check box of the XP backup page
    const char *vistaBox;   // the check box of the Vista backup page, "" when there is none
    const char *caption;    // the boxes' caption
    const char *section;    // the INI section of its keys
};
const GroupInfo &groupInfo(Group group);
std::optional<Group> groupByCode(const QString &code);

// Whether a document is a tweak backup: it holds a group's section or a Vista backup's flags.
bool isTweakBackup(const ini::IniDocument &document);

// One XP backup key: an INI key and the registry value behind it.
struct BackupKey
{
    Group group;
    const char *key;
    Root root;
    const char *keyPath;
    const char *value;
    ValueType type;
    bool create; // whether a restore makes a missing key path
};
const QList<BackupKey> &xpBackupKeys();

// "<positions> #0<d-M-yyyy>#1<H-mm>.ini": the chosen groups' codes in their nine positions.
QString backupFileName(const QList<Group> &groups, const platform::LocalTime &time);

// The three columns a backup file is listed with.
struct BackupListing
{
    QString parameters, date, time;
};
BackupListing listingOf(const QString &fileName);

// The registry values of every XP backup key. A value that cannot be read is absent, so that a
// backup never records a value it did not read.
struct BackupSnapshot
{
    QHash<QString, QVariant> values; // "section/key" -> quint32 or QString
    std::optional<QVariant> value(const BackupKey &key) const;
};
void fillBackupSnapshot(registry::RegistryStore &store, BackupSnapshot &snapshot);

// Writes the chosen groups' keys from the snapshot into `document` (an existing file's keys are
// replaced, others kept).
void writeXpBackup(const QList<Group> &groups, const BackupSnapshot &snapshot, ini::IniDocument &document);

// A value a restore left as it was, and why.
struct SkippedValue
{
    enum class Reason {
        KeyMissing,     // the machine lacks its key, and the restore does not create that key
        Refused,        // the registry refused the write
        PairIncomplete, // the backup holds one value of a pair that is restored together
    };
    QString value;  // the registry value's name
    Reason reason;
    QString detail; // the missing key, or the pair's other value
};

struct RestoreReport
{
    QList<SkippedValue> skipped;

    // Lists a value once: a restore and the OK commands after it can fail on the same value.
    void add(const SkippedValue &value);
    // A write the registry refused, as opposed to values this machine has no place for.
    bool refused() const;
    // "Востановление завершено", then "Не восстановлено:" and a line per value left as it was.
    QString endMessage() const;
    static QString lineOf(const SkippedValue &value);
};

// Writes the registry values a backup holds, group by group in the restore order, each that it
// can: a value whose key is absent from the file is left alone, and one whose key path the
// machine lacks (where the key is not created) or that the registry refuses is skipped and
// reported; the restore goes on with the next. DoReport/ShowUI and AutoShareWks/AutoShareServer
// are written as pairs, in one open key, and only when the backup holds both.
RestoreReport restoreXpBackup(const ini::IniDocument &document, registry::RegistryStore &store);

// A Vista backup: the chosen groups (Explorer, System, RecycleBin, Taskbar) as check box states
// from the snapshot, and always the recycle-bin name.
void writeVistaBackup(const QList<Group> &groups, const tweaks::VistaSnapshot &snapshot, ini::IniDocument &document);

// Sets the Vista pages' controls from a backup, group by group, calling `runOk` with each
// group's OK button once its controls are set. A backup without the "Установка" flags (an XP
// backup) sets nothing.
void restoreVistaBackup(const ini::IniDocument &document, tweaks::TweakControls &controls,
                        const std::function<void(const QString &okButton)> &runOk);

// The text of an integer key: signed decimal, as the profile functions write integers.
QString integerText(quint32 value);
// An integer key's text read back: decimal, or hexadecimal after "0x"; nullopt when not a number.
std::optional<quint32> integerOf(const QString &text);

} // namespace tolvex::backups
