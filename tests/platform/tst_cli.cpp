// tolvex-cli as a script would use it.
#include "CliRun.h"
#include "TestMachine.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using test::cli;
using test::Run;

namespace {

// Every file under `folder` with its bytes; links as their targets. The writer's lock file is
// not the machine's content.
QMap<QString, QByteArray> treeOf(const QString &folder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = info.filePath().mid(folder.size());
        if (name == u"/.tolvex-lock")
            continue;
        tree[name] = info.isSymLink() ? info.symLinkTarget().toUtf8()
                     : info.isDir()   ? QByteArray("<folder>")
                                      : test::readFile(info.filePath());
    }
    return tree;
}

QStringList backupFiles()
{
    return QDir(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/Backups").entryList(QDir::Files);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void regCommands()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {});
        const QString m = dir.path();
        const QString done = "The operation completed successfully.\n";
        QCOMPARE(cli(m, {"reg", "add", "HKCU\\Software\\T\\A", "/v", "Имя", "/d", "Значение \"x\""}).out, done);
        QCOMPARE(cli(m, {"reg", "add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "0xFFFFFF9D"}).out, done);
        QCOMPARE(cli(m, {"reg", "add", "HKCU\\Software\\T", "/ve", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%"}).out, done);
        QCOMPARE(cli(m, {"reg", "query", "HKCU\\Software\\T"}).out,
                 QString("\nHKEY_CURRENT_USER\\Software\\T\n    (Default)    REG_EXPAND_SZ    %TEMP%\n"
                         "    N    REG_DWORD    0xffffff9d\n\nHKEY_CURRENT_USER\\Software\\T\\A\n"));
        QCOMPARE(cli(m, {"reg", "query", "HKEY_CURRENT_USER\\Software\\T", "/v", "N"}).out,
                 QString("\nHKEY_CURRENT_USER\\Software\\T\n    N    REG_DWORD    0xffffff9d\n\n"));
        QCOMPARE(cli(m, {"reg", "query", "hkcu\\software\\t", "/s"}).out,
                 QString("\nHKEY_CURRENT_USER\\software\\t\n    (Default)    REG_EXPAND_SZ    %TEMP%\n"
                         "    N    REG_DWORD    0xffffff9d\n\nHKEY_CURRENT_USER\\software\\t\\A\n"
                         "    Имя    REG_SZ    Значение \"x\"\n\n"));
        QVERIFY(test::readFile(m + "/user.reg").contains("\"N\"=dword:ffffff9d\n"));

        // An existing value asks before it is replaced; "no" keeps it.
        Run asked = cli(m, {"reg", "add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_DWORD", "/d", "1"}, "n\n");
        QCOMPARE(asked.status, 0);
        QVERIFY(asked.out.contains("overwrite(Yes/No)?") || asked.out.contains("overwrite (Yes/No)?"));
        QVERIFY(cli(m, {"reg", "query", "HKCU\\Software\\T", "/v", "N"}).out.contains("0xffffff9d"));

        QCOMPARE(cli(m, {"reg", "delete", "HKCU\\Software\\T", "/v", "N", "/f"}).out, done);
        Run gone = cli(m, {"reg", "query", "HKCU\\Software\\T", "/v", "N"});
        QCOMPARE(gone.status, 1);
        QCOMPARE(gone.err, QString("ERROR: The system was unable to find the specified registry key or value.\n"));
        QCOMPARE(cli(m, {"reg", "delete", "HKCU\\Software\\T", "/f"}).out, done);
        QCOMPARE(cli(m, {"reg", "query", "HKCU\\Software\\T"}).status, 1);
    }

    // Every command's bad calls: one line saying what is wrong, then how the command is called,
    // status 2, and neither the machine nor the program folder touched. %M is the machine folder.
    void badCalls_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("problem"); // the first line of stderr begins so
        QTest::newRow("no command") << QStringList{} << "Не указана команда.";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "Неизвестная команда: frobnicate";
        QTest::newRow("machine, extra") << QStringList{"machine", "x"} << "Лишний параметр: x";
        QTest::newRow("tweaks, extra") << QStringList{"tweaks", "--all"} << "Лишний параметр: --all";

        QTest::newRow("reg, no verb") << QStringList{"reg"} << "ERROR: Invalid syntax.";
        QTest::newRow("reg, unknown root") << QStringList{"reg", "query", "HKXX\\Software"} << "ERROR: Invalid key name.";
        QTest::newRow("reg, unknown switch") << QStringList{"reg", "query", "HKCU\\Software", "/z"} << "ERROR: Invalid syntax.";
        QTest::newRow("reg, /v without name") << QStringList{"reg", "add", "HKCU\\S", "/v"} << "ERROR: Invalid syntax.";
        QTest::newRow("reg, bad dword") << QStringList{"reg", "add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/d", "12x"}
                                        << "ERROR: Invalid syntax.";
        QTest::newRow("reg, dword too large")
            << QStringList{"reg", "add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"} << "ERROR: Invalid syntax.";
        QTest::newRow("reg, unsupported type") << QStringList{"reg", "add", "HKCU\\S", "/v", "a", "/t", "REG_QWORD"}
                                               << "ERROR: Invalid syntax.";
        QTest::newRow("reg, a whole root") << QStringList{"reg", "delete", "HKCU", "/f"} << "ERROR: Invalid key name.";

        QTest::newRow("backup, no verb") << QStringList{"backup"} << "Не указано действие с бекапами.";
        QTest::newRow("backup, unknown verb") << QStringList{"backup", "copy"} << "Неизвестное действие с бекапами: copy";
        QTest::newRow("backup make, no group") << QStringList{"backup", "make"} << "Не указаны группы бекапа.";
        QTest::newRow("backup make, unknown group") << QStringList{"backup", "make", "НРС", "XYZ"} << "Неизвестная группа: XYZ";
        QTest::newRow("backup list, extra") << QStringList{"backup", "list", "x"} << "Лишний параметр: x";
        QTest::newRow("backup restore, two files") << QStringList{"backup", "restore", "a.ini", "b.ini"}
                                                   << "Укажите один файл бекапа.";
        QTest::newRow("backup restore, no file") << QStringList{"backup", "restore", "C:\\absent.ini"}
                                                 << "Файл бекапа C:\\absent.ini не найден.";
        QTest::newRow("backup restore, not a backup") << QStringList{"backup", "restore", "C:\\notes.txt"}
                                                      << "C:\\notes.txt не является бекапом настроек.";
        QTest::newRow("backup delete, not a backup") << QStringList{"backup", "delete", "C:\\notes.txt"}
                                                     << "C:\\notes.txt не является бекапом настроек.";

        QTest::newRow("clean, unknown switch") << QStringList{"clean", "--all"} << "Неизвестный параметр: --all";
        QTest::newRow("find, missing value") << QStringList{"find", "--filter"} << "После --filter не указано значение.";
        QTest::newRow("find, switch for a value") << QStringList{"find", "--filter", "--delete", "C:\\"}
                                                  << "После --filter не указано значение.";
        QTest::newRow("find, unknown switch") << QStringList{"find", "--mask", "*"} << "Неизвестный параметр: --mask";
        QTest::newRow("find, host path") << QStringList{"find", "--delete", "%M/drive_c"} << "Путь поиска должен быть";

        QTest::newRow("regscan, bad phase") << QStringList{"regscan", "--phases", "1,4"} << "Неизвестная фаза: \"4\"";
        QTest::newRow("regscan, missing phases") << QStringList{"regscan", "--phases"} << "После --phases не указано значение.";
        QTest::newRow("regscan, backup not .reg") << QStringList{"regscan", "--fix", "--backup", "%M/notes.txt"}
                                                  << "Копия для отката должна быть файлом .reg";
        QTest::newRow("regscan, backup without fix") << QStringList{"regscan", "--backup", "%M/undo.reg"}
                                                     << "--backup сохраняет разделы перед исправлением";
        QTest::newRow("regscan, unknown switch") << QStringList{"regscan", "--fix-all"} << "Неизвестный параметр: --fix-all";

        QTest::newRow("dups, no folder") << QStringList{"dups", "--content"} << "Не указаны папки для сканирования.";
        QTest::newRow("dups, host folder") << QStringList{"dups", "%M/drive_c"} << "Папка должна быть путём Windows";
        QTest::newRow("dups, missing save") << QStringList{"dups", "C:\\", "--save"} << "После --save не указано значение.";
        QTest::newRow("dups, save not .LsD") << QStringList{"dups", "--save", "%M/notes.txt", "C:\\"}
                                             << "Результат сохраняется в файл .LsD";
        QTest::newRow("dups, load absent") << QStringList{"dups", "--load", "%M/absent.LsD"} << "Не удалось открыть";
        QTest::newRow("dups, load not .LsD") << QStringList{"dups", "--load", "%M/drive_c/notes.txt"} << "%M/drive_c/notes.txt: Неверный тип файла";
        QTest::newRow("dups, load and search") << QStringList{"dups", "--load", "%M/r.LsD", "C:\\"}
                                               << "--load показывает сохранённый результат";
        QTest::newRow("dups, link without a rule") << QStringList{"dups", "--content", "--link", "C:\\"}
                                                   << "--link и --clone заменяют файлы, отмеченные правилом";
        QTest::newRow("dups, unknown rule") << QStringList{"dups", "--select", "largest", "C:\\"}
                                            << "Правило --select: newest, oldest, first или shortest, а не largest";
        QTest::newRow("dups, protect a host folder") << QStringList{"dups", "--protect", "/tmp", "C:\\"}
                                                     << "Папка должна быть путём Windows";

        QTest::newRow("convert, no --out") << QStringList{"convert", "C:\\notes.txt"} << "Не указана папка для WAV-файлов";
        QTest::newRow("convert, no files") << QStringList{"convert", "--out", "C:\\"} << "Не указаны MP3-файлы.";
        QTest::newRow("convert, absent folder") << QStringList{"convert", "--out", "C:\\absent", "C:\\notes.txt"}
                                                << "Папка C:\\absent не найдена.";
        QTest::newRow("convert, absent file") << QStringList{"convert", "--out", "C:\\", "C:\\a.mp3"} << "Файл C:\\a.mp3 не найден.";
        QTest::newRow("convert, not an MP3") << QStringList{"convert", "--out", "C:\\", "C:\\notes.txt"}
                                             << "C:\\notes.txt не является MP3-файлом";
        QTest::newRow("convert, unknown switch") << QStringList{"convert", "--wav"} << "Неизвестный параметр: --wav";
        QTest::newRow("convert --list, no files") << QStringList{"convert", "--list"} << "Не указаны MP3-файлы.";
        QTest::newRow("convert --list, with --out") << QStringList{"convert", "--list", "--out", "C:\\", "C:\\a.mp3"}
                                                    << "--list только показывает список";
        QTest::newRow("convert --list, absent file") << QStringList{"convert", "--list", "%M/drive_c/a.mp3"}
                                                     << "Файл %M/drive_c/a.mp3 не найден.";
        QTest::newRow("convert --list, not an MP3") << QStringList{"convert", "--list", "C:\\notes.txt"}
                                                    << "C:\\notes.txt не является MP3-файлом";

        QTest::newRow("apps, unknown verb") << QStringList{"apps", "remove", "x"} << "Неверные параметры: remove x";
        QTest::newRow("startup, no verb") << QStringList{"startup"} << "Не указано действие.";
        QTest::newRow("startup delete, unknown place") << QStringList{"startup", "delete", "HKEY_XX\\Run", "x"}
                                                       << "Неизвестное место автозагрузки: HKEY_XX\\Run";
    }

    void badCalls()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString m = dir.path();
        test::writeMachine(m, {});
        test::writeFile(m + "/drive_c/notes.txt", "Заметки, не бекап.\n");
        test::writeFile(m + "/notes.txt", "keep\n");
        for (QString &arg : args)
            arg.replace("%M", m);
        problem.replace("%M", m);
        const QMap<QString, QByteArray> before = treeOf(m);
        const QStringList backupsBefore = backupFiles();

        const Run run = cli(m, args);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        const QStringList lines = run.err.split('\n');
        QVERIFY2(lines.size() >= 3 && lines[0].startsWith(problem), qPrintable(run.err));
        QVERIFY2(lines[1].startsWith("Вызов: tolvex-cli") || lines[1].startsWith("Type \"tolvex-cli reg"),
                 qPrintable(run.err));
        QCOMPARE(treeOf(m), before);
        QCOMPARE(backupFiles(), backupsBefore);
    }

    // What the command line needs before any command: the machine folder.
    void badMachineArgument()
    {
        QProcess p;
        p.start(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli", {"--machine"});
        p.waitForFinished();
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().startsWith("После --machine не указана папка машины.\nВызов: tolvex-cli"));

        QTemporaryDir dir;
        const Run run = cli(dir.path() + "/absent", {"machine"});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith("Папка машины " + dir.path() + "/absent не найдена.\n"), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(dir.path() + "/absent"));
    }

    // reg's own help, as reg /? gives it.
    void regHelp()
    {
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {});
        const Run run = cli(dir.path(), {"reg", "query", "/?"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("tolvex-cli reg query KEY"));
    }

    void machineOfTheSample()
    {
        const Run run = cli(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/machine", {"machine"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("generation: XP\nbuild: 2600\nread-only: no\n"), qPrintable(run.out));
        QVERIFY(run.out.contains("drive: C:\t3\t"));
        QVERIFY(!run.out.contains("drive: Z:"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
