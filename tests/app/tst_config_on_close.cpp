// Config.ini across a run of the main window: what start-up reads into advanced cleaning, and
// the file closing writes, whole and in its order.
#include "ProgramSession.h"
#include "TestMachine.h"

#include "AdvancedCleaningPage.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "text/TextCodec.h"

#include <QDir>
#include <QListWidget>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;

class TestConfigOnClose : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        QTemporaryDir dir;
        std::unique_ptr<test::ProgramSession> program;
        std::unique_ptr<app::TMainForm> form;

        explicit Run(const QString &config)
        {
            test::writeMachine(dir.path() + "/machine", {});
            QDir().mkpath(dir.path() + "/program");
            if (!config.isNull())
                test::writeFile(configPath(), text::encodeAnsiFile(config));
            program = std::make_unique<test::ProgramSession>(dir.path() + "/machine", dir.path() + "/program");
            ui::Dialogs::startRecording();
            form = std::make_unique<app::TMainForm>(*program->context);
        }
        ~Run() { ui::Dialogs::stopRecording(); }
        QString configPath() const { return dir.path() + "/program/Config.ini"; }
        advanced_cleaning::AdvancedCleaningPage *page() const
        {
            return form->sPageControl1->findChild<advanced_cleaning::AdvancedCleaningPage *>("sTabSheet16");
        }
    };

private slots:
    void firstRunWithoutConfig()
    {
        Run run{QString()};
        QListWidget *paths = run.page()->CheckListBox1;
        QCOMPARE(paths->count(), 1);
        QCOMPARE(paths->item(0)->text(), QString("C:\\"));
        QCOMPARE(paths->item(0)->checkState(), Qt::Checked);
        QCOMPARE(run.page()->ListView2->topLevelItemCount(), 0);
        QVERIFY(run.form->FormCloseQuery());
        QCOMPARE(text::decodeAnsiFile(test::readFile(run.configPath())),
                 QString("[Filters]\r\nCount=0\r\n[Exclusion]\r\nCount=0\r\n[Path]\r\nCount=0\r\n"
                         "[AntiD]\r\nCount=0\r\n"));
    }

    // Loaded rows start ticked whatever they were; closing writes the three sections in their
    // order and keeps the duplicate finder's section after them.
    void closingRewritesInOrder()
    {
        Run run("[AntiD]\r\nCount=1\r\nPaths0=C:\\Фото\\\r\n"
                "[Path]\r\nCount=1\r\nP0=C:\\Temp\\\r\n"
                "[Filters]\r\nCount=1\r\nF0=*.tmp\r\nD0=Временные\r\nF7=старое\r\n"
                "[Exclusion]\r\nCount=1\r\nE0=\\Keep\\\r\nD0=\r\n");
        advanced_cleaning::AdvancedCleaningPage *page = run.page();
        QCOMPARE(page->CheckListBox1->count(), 2);
        QCOMPARE(page->CheckListBox1->item(1)->text(), QString("C:\\Temp\\"));
        QCOMPARE(page->ListView3->topLevelItem(0)->checkState(0), Qt::Checked);
        page->ListView2->topLevelItem(0)->setCheckState(0, Qt::Unchecked); // ticks are not saved
        QVERIFY(run.form->FormCloseQuery());
        QCOMPARE(text::decodeAnsiFile(test::readFile(run.configPath())),
                 QString("[Filters]\r\nCount=1\r\nF0=*.tmp\r\nD0=Временные\r\n"
                         "[Exclusion]\r\nCount=1\r\nE0=\\Keep\\\r\nD0=\r\n"
                         "[Path]\r\nCount=1\r\nP0=C:\\Temp\\\r\n"
                         "[AntiD]\r\nCount=1\r\nPaths0=C:\\Фото\\\r\n"));
    }
};

QTEST_MAIN(TestConfigOnClose)
#include "tst_config_on_close.moc"
