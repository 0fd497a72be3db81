// The registry cleaner on a real prefix: references planted by Wine are reported exactly, fixed
// with a backup, and Wine's own regedit brings everything back from that backup.
#include "CliRun.h"
#include "TestMachine.h"
#include "WineTools.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using test::cli;
using test::Run;

namespace {

QStringList rowsOf(const Run &run)
{
    QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
    rows.removeLast(); // the end status
    rows.sort();
    return rows;
}

void importReg(const QString &prefix, const QString &file, const QString &text)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\xFF\xFE");
    f.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    f.close();
    QCOMPARE(test::runWine(prefix, {"regedit", "/S", file}).exitCode, 0);
}

} // namespace

class TestWineRegistryCleaner : public QObject
{
    Q_OBJECT

private slots:
    void plantScanFixRestore()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/prefix";
        QVERIFY(QProcess::execute("cp", {"-a", test::freshPrefix(), prefix}) == 0);
        const QStringList before = rowsOf(cli(prefix, {"regscan"}));

        QCOMPARE(test::runWine(prefix, {"reg", "add", "HKLM\\Software\\TolvexPlanted", "/v", "Missing", "/d",
                                        "C:\\Program Files\\Gone\\gone.exe -run", "/f"})
                     .exitCode,
                 0);
        // A bare key with no default value, which `reg add KEY /f` would give it.
        importReg(prefix, dir.path() + "/plant.reg",
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_CLASSES_ROOT\\.zzz]\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\TolvexPlanted]\r\n"
                  "\"OtherCase\"=\"C:\\\\WINDOWS\\\\SYSTEM32\\\\NOTEPAD.EXE\"\r\n"
                  "\"Expand\"=hex(2):43,00,3a,00,5c,00,6d,00,69,00,73,00,73,00,69,00,6e,00,67,00,5c,00,65,00,2e,00,65,00,"
                  "78,00,65,00,00,00\r\n\r\n"
                  "[HKEY_CURRENT_USER\\Software\\TolvexPlanted\\Default]\r\n"
                  "@=\"C:\\\\missing\\\\def.dll,3\"\r\n");
        test::waitForWineServer(prefix);
        QVERIFY(QFile::exists(prefix + "/drive_c/windows/system32/notepad.exe"));

        const Run planted = cli(prefix, {"regscan"});
        QCOMPARE(planted.status, 0);
        QStringList added = rowsOf(planted);
        for (const QString &row : before)
            added.removeOne(row);
        QCOMPARE(added, QStringList({"Неверная ссылка на файл\tC:\\Program Files\\Gone\\gone.exe -run\tHKLM\t"
                                     "\\SOFTWARE\\TolvexPlanted\tMissing",
                                     "Неверная ссылка на файл\tC:\\missing\\def.dll,3\tHKCU\t"
                                     "\\SOFTWARE\\TolvexPlanted\\Default\t",
                                     "Неверное расширение\t.zzz\tHKCR\t\\.zzz\t"}));

        const QString backup = dir.path() + "/backup.reg";
        const Run fixed = cli(prefix, {"regscan", "--fix", "--backup", backup});
        QCOMPARE(fixed.status, 0);
        QVERIFY(fixed.out.contains("Исправлено: " + QString::number(rowsOf(planted).size())));
        QCOMPARE(rowsOf(cli(prefix, {"regscan"})), QStringList());

        // Wine's regedit imports the backup and every removed value and key is back.
        QCOMPARE(test::runWine(prefix, {"regedit", "/S", backup}).exitCode, 0);
        test::waitForWineServer(prefix);
        QCOMPARE(rowsOf(cli(prefix, {"regscan"})), rowsOf(planted));
        const QString hkcr = test::exportKey(prefix, "HKEY_CLASSES_ROOT\\.zzz");
        QVERIFY2(hkcr.contains("[HKEY_CLASSES_ROOT\\.zzz]"), qPrintable(hkcr));
        const QString hkcu = test::exportKey(prefix, "HKEY_CURRENT_USER\\Software\\TolvexPlanted");
        QVERIFY2(hkcu.contains("[HKEY_CURRENT_USER\\Software\\TolvexPlanted\\Default]\n@=\"C:\\\\missing\\\\def.dll,3\""),
                 qPrintable(hkcu));
        const QString hklm = test::exportKey(prefix, "HKEY_LOCAL_MACHINE\\Software\\TolvexPlanted");
        QVERIFY2(hklm.contains("\"Missing\"=\"C:\\\\Program Files\\\\Gone\\\\gone.exe -run\""), qPrintable(hklm));
    }
};

QTEST_GUILESS_MAIN(TestWineRegistryCleaner)
#include "tst_wine_registry_cleaner.moc"
