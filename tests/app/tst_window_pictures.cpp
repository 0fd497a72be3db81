// Pictures of the main window for people to look at (build/artifacts), taken on an X display
// (Xvfb) with the fonts a Debian machine has, and a check that no caption they show is cut.
#include "AdvancedCleaningPage.h"
#include "Application.h"
#include "BasicCleaningPage.h"
#include "DuplicateFinderPage.h"
#include "TResultForm.h"
#include "RegistryCleanerPage.h"
#include "Dialogs.h"
#include "FrameBar.h"
#include "MainForm.h"
#include "ProgramSession.h"
#include "TestMachine.h"
#include "ini/IniDocument.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tolvex;

namespace {

QString artifacts()
{
    return qEnvironmentVariable("TOLVEX_ARTIFACTS_DIR");
}

// The screen's pixels where the window is, as a person would see them.
void photograph(QWidget *window, const QString &name)
{
    QApplication::processEvents();
    QTest::qWait(300);
    const QPixmap shot =
        window->screen()->grabWindow(0, window->frameGeometry().x(), window->frameGeometry().y(),
                                     window->frameGeometry().width(), window->frameGeometry().height());
    QVERIFY(shot.save(artifacts() + "/" + name));
}

// Every visible caption of `area` whose text does not fit the room it has.
QStringList cutCaptions(QWidget *area)
{
    QStringList cut;
    for (QAbstractButton *button : area->findChildren<QAbstractButton *>()) {
        if (!button->isVisible() || button->text().isEmpty()) continue;
        int needs = button->sizeHint().width();
        // A side-bar title: its arrow, a small gap and the text; the style's padding may shrink.
        if (auto *tool = qobject_cast<QToolButton *>(button))
            needs = tool->fontMetrics().horizontalAdvance(tool->text()) + tool->iconSize().width() + 8;
        if (needs > button->width())
            cut << QString("%1 \"%2\": needs %3, has %4")
                       .arg(button->objectName(), button->text())
                       .arg(needs)
                       .arg(button->width());
    }
    for (QLabel *label : area->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->wordWrap()) continue;
        if (label->sizeHint().width() > label->width())
            cut << QString("%1 \"%2\": needs %3, has %4")
                       .arg(label->objectName(), label->text())
                       .arg(label->sizeHint().width())
                       .arg(label->width());
    }
    return cut;
}

} // namespace

class TestWindowPictures : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<test::ProgramSession> m_program;
    std::unique_ptr<app::TMainForm> m_form;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(artifacts()));
        QVERIFY(QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/machine",
                                         m_dir.path() + "/machine"}) == 0);
        QVERIFY(QDir().mkpath(m_dir.path() + "/program/Backups"));
        // The program folder as a new user gets it: the first Config.ini beside the program.
        QVERIFY(QFile::copy(qEnvironmentVariable("TOLVEX_SOURCE_DIR") + "/share/program/Config.ini",
                            m_dir.path() + "/program/Config.ini"));
        m_program =
            std::make_unique<test::ProgramSession>(m_dir.path() + "/machine", m_dir.path() + "/program");
        ui::Dialogs::startRecording();
        m_form = std::make_unique<app::TMainForm>(*m_program->context);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanupTestCase()
    {
        m_form.reset();
        ui::Dialogs::stopRecording();
    }

    // The side bar with its second item open: every title whole.
    void sideBarSecondItem()
    {
        m_form->sFrameBar1->titleButton(1)->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 15);
        photograph(m_form.get(), "side-bar-item-2.png");
        QVERIFY2(cutCaptions(m_form->sFrameBar1).isEmpty(),
                 qPrintable(cutCaptions(m_form->sFrameBar1).join('\n')));
    }

    void basicCleaningAfterAnalysis()
    {
        m_form->sFrameBar1->titleButton(0)->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 0);
        auto *page = qobject_cast<cleaning::BasicCleaningPage *>(m_form->sPageControl1->currentWidget());
        QVERIFY(page);
        page->findChild<QPushButton *>("sButton1")->click();
        QTRY_VERIFY(!page->cleaning().busy());
        QTRY_VERIFY(page->findChild<QPushButton *>("sButton2")->isEnabled());
        photograph(m_form.get(), "basic-cleaning.png");
        QVERIFY2(cutCaptions(page).isEmpty(), qPrintable(cutCaptions(page).join('\n')));
    }

    void registryPageAfterScan()
    {
        m_form->sFrameBar1->titleButton(0)->click();
        auto *link = m_form->sFrameBar1->findChild<QPushButton *>("sBitBtn2");
        QVERIFY(link);
        link->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 1);
        auto *page = qobject_cast<registry_cleaner::RegistryCleanerPage *>(m_form->sPageControl1->currentWidget());
        QVERIFY(page);
        QSignalSpy finished(page, &registry_cleaner::RegistryCleanerPage::scanFinished);
        page->Button1->click();
        QVERIFY(finished.wait(10000));
        QVERIFY(page->ListView1->topLevelItemCount() >= 10);
        page->ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
        photograph(m_form.get(), "registry-cleaner.png");
        QVERIFY2(cutCaptions(page).isEmpty(), qPrintable(cutCaptions(page).join('\n')));
    }

    void applicationsBothTabs()
    {
        m_form->sFrameBar1->titleButton(0)->click();
        auto *link = m_form->sFrameBar1->findChild<QPushButton *>("sBitBtn3");
        QVERIFY(link);
        link->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 2);
        QWidget *page = m_form->sPageControl1->currentWidget();
        auto *tabs = page->findChild<QTabWidget *>();
        QVERIFY(tabs);
        auto *tree = page->findChild<QTreeWidget *>();
        QVERIFY(tree && tree->topLevelItemCount() == 4);
        tree->expandAll();
        photograph(m_form.get(), "applications-uninstall.png");
        tabs->setCurrentIndex(1);
        QTest::qWait(200);
        photograph(m_form.get(), "applications-startup.png");
        QVERIFY2(cutCaptions(page).isEmpty(), qPrintable(cutCaptions(page).join('\n')));
    }

    void duplicatesResultWindow()
    {
        m_form->sFrameBar1->titleButton(0)->click();
        auto *link = m_form->sFrameBar1->findChild<QPushButton *>("sBitBtn4");
        QVERIFY(link);
        link->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 12);
        auto *page = qobject_cast<duplicates::DuplicateFinderPage *>(m_form->sPageControl1->currentWidget());
        QVERIFY(page);
        // A music folder kept as the reference, and two backups of it.
        const QString drive = m_dir.path() + "/machine/drive_c/";
        for (const char *folder : {"Music/", "Backup/Music/", "Backup/2019/"})
            for (const char *song : {"Концерт.mp3", "Track 01.mp3"})
                test::writeFile(drive + folder + song, QByteArray(song) + QByteArray(200000, 's'));
        page->LoadNAntiD(ini::IniDocument::parse("[AntiD]\r\nCount=2\r\nPaths0=C:\\\r\nPaths1=C:\\Music\\\r\n"
                                                 "Protected1=1\r\n"));
        page->CheckBox1->setChecked(false);
        page->CheckBox3->setChecked(true);
        QSignalSpy ended(page, &duplicates::DuplicateFinderPage::scanEnded);
        page->StartButton->click();
        QVERIFY(ended.wait(10000));
        photograph(m_form.get(), "duplicates-page.png");
        QVERIFY2(cutCaptions(page).isEmpty(), qPrintable(cutCaptions(page).join('\n')));
        duplicates::TResultForm *result = page->resultForm();
        result->ShowResults();
        result->show();
        QVERIFY(QTest::qWaitForWindowExposed(result));
        result->KeepRuleClick(duplicates::KeepRule::Newest);
        result->selectRows(0, 0);
        photograph(result, "duplicates-result.png");
        QVERIFY2(cutCaptions(result).isEmpty(), qPrintable(cutCaptions(result).join('\n')));
        // Made wider, the folder column takes the room.
        result->move(0, 0);
        result->resize(820, 460);
        QTRY_COMPARE(result->width(), 820);
        photograph(result, "duplicates-result-resized.png");
        int others = 0;
        for (int c = 0; c < 4; ++c)
            others += result->DoublesList->columnWidth(c);
        QCOMPARE(result->DoublesList->columnWidth(4), result->DoublesList->viewport()->width() - others - 5);
        result->hide();
    }

    void advancedCleaningWithResults()
    {
        m_form->sFrameBar1->titleButton(1)->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 15);
        auto *page = qobject_cast<advanced_cleaning::AdvancedCleaningPage *>(m_form->sPageControl1->currentWidget());
        QVERIFY(page);
        page->TabbedNotebook1->setCurrentIndex(3);
        page->SpeedButton1->click();
        QVERIFY(page->ListView4->topLevelItemCount() >= 3);
        photograph(m_form.get(), "advanced-cleaning.png");
        page->TabbedNotebook1->setCurrentIndex(1);
        photograph(m_form.get(), "advanced-cleaning-filters.png");
        QVERIFY2(cutCaptions(m_form->sFrameBar1).isEmpty(), qPrintable(cutCaptions(m_form->sFrameBar1).join('\n')));
    }

    // The converter's page on the sample machine: its output folder in one form.
    void converterPage()
    {
        m_form->sFrameBar1->titleButton(4)->click();
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 16);
        QWidget *page = m_form->sPageControl1->currentWidget();
        auto *folder = page->findChild<QLineEdit *>("sEdit1");
        QVERIFY(folder);
        QCOMPARE(folder->text(), m_dir.path() + "/program/Converts");
        photograph(m_form.get(), "converter-sample-machine.png");
        // The chooser's "..." is narrow by design: its three dots are what must fit.
        QStringList cut = cutCaptions(page).filter(QRegularExpression("^(?!sButton7 )"));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
        auto *chooser = page->findChild<QPushButton *>("sButton7");
        QVERIFY(chooser && chooser->fontMetrics().horizontalAdvance(chooser->text()) < chooser->width());
    }

    void systemSettingsPage()
    {
        m_form->sFrameBar1->titleButton(2)->click();
        auto *link = m_form->sFrameBar1->findChild<QWidget *>("sWebLabel1");
        QVERIFY(link);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_COMPARE(m_form->sPageControl1->currentIndex(), 3);
        photograph(m_form.get(), "system-settings.png");
        QVERIFY2(cutCaptions(m_form->sPageControl1->currentWidget()).isEmpty(),
                 qPrintable(cutCaptions(m_form->sPageControl1->currentWidget()).join('\n')));
        QVERIFY2(cutCaptions(m_form->sFrameBar1).isEmpty(),
                 qPrintable(cutCaptions(m_form->sFrameBar1).join('\n')));
    }
};

int main(int argc, char **argv)
{
    app::TolvexApplication application(argc, argv);
    TestWindowPictures test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window_pictures.moc"
