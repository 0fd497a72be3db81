// The XP backup page restoring a full backup on a real prefix that lacks keys the restore may
// not create: the end message names what was left as it was.
#include "FindControl.h"
#include "ProgramSession.h"

#include "BackupPages.h"
#include "Dialogs.h"
#include "TweakPages.h"

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;
using test::find;
using ui::Dialogs;

class TestWineBackupPage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Dialogs::stopRecording(); }

    void restoreTellsWhatWasLeft()
    {
        QTemporaryDir dir;
        const QString prefix = dir.path() + "/xp";
        QVERIFY(QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_TEST_XP_PREFIX"), prefix}) == 0);
        QVERIFY(QDir().mkpath(dir.path() + "/program/Backups"));
        test::ProgramSession program(prefix, dir.path() + "/program");
        QVERIFY(!program.machine->vistaGeneration());

        // The window's start-up steps for the XP generation.
        Dialogs::startRecording();
        tweaks::TweakPages tweakPages(*program.context, nullptr);
        tweakPages.CreateKeys();
        tweakPages.LoadRegedit(0);
        tweakPages.SCancelSystemSett();
        backups::BackupPages pages(*program.context, tweakPages, nullptr);
        QWidget *page = pages.page("sTabSheet15");
        for (const char *box : {"BackSetRabStol", "BackSetProv", "BackNetSecur", "BackSystemSetting",
                                "BackRycecly", "BackEntInSys", "BackPanZad", "BackMenuStart", "BackAppl"})
            find<QCheckBox>(page, box)->setChecked(true);
        QSignalSpy listed(&pages.list(), &backups::BackupList::listed);
        find<QPushButton>(page, "sButton24")->click();
        QVERIFY(listed.wait(10000));
        auto *list = find<QTreeWidget>(page, "sListView1");
        QCOMPARE(list->topLevelItemCount(), 1);
        Dialogs::takeRecorded();

        list->topLevelItem(0)->setSelected(true);
        find<QPushButton>(page, "sButton26")->click();
        QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        // The reload tells of a start-menu value the prefix lacks, as every load does; the
        // writes themselves show no box per value, only the one end message.
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QString("Следующий ключ не найден \"Start_AutoCascade\""));
        shown.removeFirst();
        QCOMPARE(shown[0].caption, QString("Готово"));
        const QStringList lines = shown[0].text.split('\n');
        QCOMPARE(lines.value(0), QString("Востановление завершено"));
        QCOMPARE(lines.value(1), QString("Не восстановлено:"));
        QVERIFY2(lines.contains("DefaultSeparateVDM: нет раздела "
                                "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\WOW"),
                 qPrintable(shown[0].text));
        QVERIFY2(!shown[0].text.contains("отказано"), qPrintable(shown[0].text));
    }
};

QTEST_MAIN(TestWineBackupPage)
#include "tst_wine_backup_page.moc"
