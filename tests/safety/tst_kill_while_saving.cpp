// A process killed with SIGKILL at a random moment while it saves user.reg, Config.ini or a tweak
// backup leaves each file as it was or as it was to be, and whole; and the next process finds the
// machine writable, the dead one's lock notwithstanding.
#include "CrashGenerations.h"

#include "TestMachine.h"
#include "ini/IniFile.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace tolvex;
namespace crash = test::crash;

namespace {

constexpr int runsPerFile = 60;

QString sampleCopy(const QTemporaryDir &dir)
{
    const QString machine = dir.path() + "/machine";
    if (QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/machine", machine}) != 0)
        qFatal("cannot copy the sample machine");
    QDir().mkpath(machine + "/drive_c/Tolvex/Backups");
    return machine;
}

// Values that every save of user.reg writes out again, so that a save takes long enough to be
// cut in the middle.
void addBulk(const QString &machine)
{
    const auto opened = platform::Machine::open(machine, machine + "/drive_c/Tolvex");
    registry::RegistryStore store(opened->registry());
    store.SelectRoot(registry::Root::CurrentUser);
    store.OpenPath(crash::bulkKey, true);
    for (int i = 0; i < crash::bulkValues; ++i)
        store.SetText(("Value " + std::to_string(i)), std::string(40, char('a' + i % 26)));
    QVERIFY(opened->saveRegistry().isEmpty());
}

// As if the file were left a few minutes ago.
void backdate(const QString &machine, const QString &name)
{
    QDirIterator it(machine, {name}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadWrite) ||
            !file.setFileTime(QDateTime::currentDateTime().addSecs(-300), QFileDevice::FileModificationTime))
            qFatal("cannot backdate %s", qPrintable(file.fileName()));
    }
}

int keyCount(const ini::IniDocument &document)
{
    int count = 0;
    for (const QString &section : document.sections())
        count += int(document.keys(section).size());
    return count;
}

// Files a killed save can leave beside the one it replaces.
QStringList leftovers(const QString &machine)
{
    QStringList names;
    QDirIterator it(machine, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        if (name.contains(".reg.") || name.contains(".ini."))
            names.append(name);
    }
    return names;
}

} // namespace

class TestKillWhileSaving : public QObject
{
    Q_OBJECT

private slots:
    void killAtRandomMoments_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("longestWaitMs"); // after its first save
        QTest::newRow("user.reg") << "hive" << 200;
        QTest::newRow("Config.ini") << "config" << 100;
        QTest::newRow("tweak backup") << "backup" << 100;
    }

    void killAtRandomMoments()
    {
        QFETCH(QString, kind);
        QFETCH(int, longestWaitMs);
        QTemporaryDir dir;
        const QString machine = sampleCopy(dir);
        if (kind == u"hive")
            addBulk(machine);
        QString why;
        std::optional<quint32> committed = crash::readGeneration(kind, machine, &why);
        QVERIFY2(committed, qPrintable(why));

        // The same moments on every run of the test.
        QRandomGenerator random(quint32(qHash(kind)));
        int kills = 0, checked = 0, corrupt = 0;
        std::optional<int> backupKeys;
        quint64 saves = 0;
        for (int run = 0; run < runsPerFile; ++run) {
            QProcess loop;
            loop.start(qEnvironmentVariable("TOLVEX_SAVE_LOOP"), {kind, machine});
            QVERIFY(loop.waitForStarted());
            // From its first save on it does nothing but save: any moment after it is inside one.
            QVERIFY2(loop.waitForReadyRead(60000), loop.readAllStandardError().constData());
            QThread::usleep(random.bounded(longestWaitMs * 1000));
            ::kill(pid_t(loop.processId()), SIGKILL);
            QVERIFY(loop.waitForFinished());
            // Still running when killed: it found the machine writable and went on saving.
            QVERIFY2(loop.exitStatus() == QProcess::CrashExit, loop.readAllStandardError().constData());
            ++kills;

            const QList<QByteArray> printed = loop.readAllStandardOutput().split('\n');
            quint32 last = *committed;
            for (const QByteArray &line : printed)
                if (!line.isEmpty()) {
                    last = line.toUInt();
                    ++saves;
                }

            // The old version (the last one it reported) or the one it was writing, whole.
            committed = crash::readGeneration(kind, machine, &why);
            ++checked;
            if (committed && kind == u"backup" && *committed != 0) {
                const int keys = keyCount(ini::IniFile(crash::backupPath(machine)).load());
                if (!backupKeys)
                    backupKeys = keys;
                if (keys != *backupKeys) {
                    committed.reset();
                    why = QStringLiteral("the backup holds %1 keys, not %2").arg(keys).arg(*backupKeys);
                }
            }
            if (!committed || (*committed != last && *committed != last + 1)) {
                ++corrupt;
                qWarning("run %d: %s", run,
                         qPrintable(committed ? QStringLiteral("generation %1 after %2").arg(*committed).arg(last) : why));
                committed = last;
            }
        }
        // The next writer of the machine clears what the killed saves left: a hive's at once, under
        // the machine's lock; an INI file's on the next save beside it, once a minute old.
        const QStringList left = leftovers(machine);
        for (const QString &name : left)
            backdate(machine, name);
        platform::Machine::open(machine, machine + "/drive_c/Tolvex");
        if (kind == u"config")
            ini::IniFile(crash::configPath(machine)).writeString("Next", "Save", "1");
        if (kind == u"backup")
            ini::IniFile(crash::backupPath(machine)).writeString("Next", "Save", "1");
        qInfo("%s: %d runs, %d kills, %d files checked, %d corrupt; %llu saves completed; %lld temporary files "
              "left (%s), %lld after the next writer",
              qPrintable(kind), runsPerFile, kills, checked, corrupt, saves, qint64(left.size()),
              qPrintable(left.join(u' ')), qint64(leftovers(machine).size()));
        QCOMPARE(leftovers(machine), QStringList());
        QCOMPARE(corrupt, 0);
        QVERIFY(kills >= 50);
    }
};

QTEST_GUILESS_MAIN(TestKillWhileSaving)
#include "tst_kill_while_saving.moc"
