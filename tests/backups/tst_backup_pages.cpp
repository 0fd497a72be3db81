// The backup pages: listing, making, restoring and deleting through their buttons.
#include "ProgramSession.h"
#include "TestMachine.h"

#include "BackupPages.h"
#include "Dialogs.h"
#include "TweakPages.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "shell/Clock.h"
#include "shell/MachineShellServices.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;
using ui::Dialogs;

namespace {

class FixedClock : public platform::Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2009, 3, 5), QTime(9, 7)); }
};

} // namespace

class TestBackupPages : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::ProgramSession> m_program;
    std::unique_ptr<tweaks::TweakPages> m_tweaks;
    std::unique_ptr<backups::BackupPages> m_pages;
    FixedClock m_clock;

    QString backupsFolder() const { return m_dir->path() + "/program/Backups"; }

    void start(const QStringList &files = {})
    {
        m_pages.reset();
        m_tweaks.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        test::writeMachine(m_dir->path() + "/machine",
                           "\n[System\\\\CurrentControlSet\\\\Services\\\\LanmanServer\\\\Parameters]\n"
                           "\"AutoShareServer\"=dword:00000001\n\"AutoShareWks\"=dword:00000001\n"
                           "\n[System\\\\CurrentControlSet\\\\Control\\\\Lsa]\n\"RestrictAnonymous\"=dword:00000001\n");
        QDir().mkpath(backupsFolder());
        for (const QString &name : files)
            test::writeFile(backupsFolder() + "/" + name, "[x]\r\n");
        m_program = std::make_unique<test::ProgramSession>(m_dir->path() + "/machine", m_dir->path() + "/program");
        m_tweaks = std::make_unique<tweaks::TweakPages>(*m_program->context, nullptr);
        Dialogs::startRecording(); // the load may show messages
        m_tweaks->CreateKeys();
        m_tweaks->LoadRegedit(0);
        m_tweaks->SCancelSystemSett();
        m_pages = std::make_unique<backups::BackupPages>(*m_program->context, *m_tweaks, nullptr);
        listAndWait();
        Dialogs::startRecording();
    }

    void listAndWait(bool refresh = true)
    {
        QSignalSpy listed(&m_pages->list(), &backups::BackupList::listed);
        if (refresh)
            m_pages->list().refresh();
        QVERIFY(listed.wait(5000));
    }

    QWidget *xp() { return m_pages->page("sTabSheet15"); }
    QWidget *vista() { return m_pages->page("sTabSheet22"); }
    QTreeWidget *list(QWidget *page, const char *name) { return page->findChild<QTreeWidget *>(name); }
    QStringList rows(QTreeWidget *view)
    {
        QStringList out;
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = view->topLevelItem(i);
            out << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
        }
        out.sort();
        return out;
    }
    void click(QWidget *page, const char *button)
    {
        auto *b = page->findChild<QPushButton *>(button);
        QVERIFY(b);
        b->click();
    }
    quint32 dword(const char *key, const char *value)
    {
        auto fresh = platform::Machine::open(m_program->machine->folder(), m_program->machine->programFolder());
        registry::RegistryStore store(fresh->registry());
        store.SelectRoot(registry::Root::LocalMachine);
        store.OpenPath(key, false);
        return store.GetDword(value);
    }

private slots:
    void initTestCase() { platform::Clock::setInstance(&m_clock); }
    void cleanupTestCase() { platform::Clock::setInstance(nullptr); }
    void cleanup() { Dialogs::stopRecording(); }

    void bothListsShowTheFiles()
    {
        start({" НП     ПЗ  #05-3-2009#19-07.ini", "   СН     #031-12-2009#114-05.ini"});
        const QStringList expected{"   СН     |31-12-2009|14-05", " НП     ПЗ  |5-3-2009|9-07"};
        QCOMPARE(rows(list(xp(), "sListView1")), expected);
        QCOMPARE(rows(list(vista(), "sListView3")), expected);
        QCOMPARE(list(xp(), "sListView1")->headerItem()->text(2), QString("Время(tt-mm)"));
        QVERIFY(!xp()->findChild<QPushButton *>("sButton25")->isVisibleTo(xp()));
    }

    void moreThan101BackupsAreListed()
    {
        QStringList files;
        for (int i = 0; i < 130; ++i)
            files << QString(" К #0%1-1-2009#10-00.ini").arg(i + 1);
        start(files);
        QCOMPARE(list(xp(), "sListView1")->topLevelItemCount(), 130);
        QCOMPARE(m_pages->list().names().size(), 130);
        // The last row is usable: deleting it removes its own file.
        auto *view = list(xp(), "sListView1");
        view->setCurrentItem(view->topLevelItem(129));
        const QString file = m_pages->list().fileAt(129);
        click(xp(), "sButton3");
        listAndWait(false);
        QVERIFY(!QFile::exists(m_program->shell->hostPath(file)));
        QCOMPARE(view->topLevelItemCount(), 129);
    }

    void refreshWhileListingListsOnce()
    {
        QStringList files;
        for (int i = 0; i < 40; ++i)
            files << QString("a%1#01-1-2009#10-00.ini").arg(i);
        start(files);
        QSignalSpy listed(&m_pages->list(), &backups::BackupList::listed);
        m_pages->list().refresh();
        m_pages->list().refresh();
        m_pages->list().refresh();
        QVERIFY(listed.wait(5000));
        QTest::qWait(100);
        QCOMPARE(listed.count(), 1);
        QCOMPARE(list(xp(), "sListView1")->topLevelItemCount(), 40);
        QCOMPARE(m_pages->list().names().size(), 40);
        QCOMPARE(QSet<QString>(m_pages->list().names().begin(), m_pages->list().names().end()).size(), 40);
    }

    void noSelectionDoesNothing_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("button");
        QTest::newRow("XP restore") << "sTabSheet15" << "sButton26";
        QTest::newRow("XP delete") << "sTabSheet15" << "sButton3";
        QTest::newRow("Vista delete") << "sTabSheet22" << "vDelBack";
    }

    void noSelectionDoesNothing()
    {
        QFETCH(QString, page);
        QFETCH(QString, button);
        start({"x#01-1-2009#10-00.ini"});
        const QByteArray system = test::readFile(m_program->machine->folder() + "/system.reg");
        click(m_pages->page(page), button.toUtf8());
        QVERIFY(Dialogs::takeRecorded().isEmpty());
        QVERIFY(QFile::exists(backupsFolder() + "/x#01-1-2009#10-00.ini"));
        QCOMPARE(test::readFile(m_program->machine->folder() + "/system.reg"), system);
    }

    void deleteAsksFirst()
    {
        start({"keep#01-1-2009#10-00.ini"});
        auto *view = list(xp(), "sListView1");
        view->setCurrentItem(view->topLevelItem(0));
        Dialogs::queueAnswer(Dialogs::Answer::Cancel);
        click(xp(), "sButton3");
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QString("Удалить бекап"));
        QCOMPARE(shown[0].text, QString("Удалить бекап?"));
        QVERIFY(QFile::exists(backupsFolder() + "/keep#01-1-2009#10-00.ini"));
        QCOMPARE(view->topLevelItemCount(), 1);
    }

    void makeNeedsAGroup()
    {
        start();
        click(xp(), "sButton24");
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QString("Информация"));
        QCOMPARE(shown[0].text, QString("Необходимо выбрать как минимум один пункт для бекапа"));
        QVERIFY(QDir(backupsFolder()).entryList(QDir::Files).isEmpty());
    }

    void makeAndRestoreNetworkBackup()
    {
        start();
        xp()->findChild<QCheckBox *>("BackNetSecur")->setChecked(true);
        QSignalSpy listed(&m_pages->list(), &backups::BackupList::listed);
        click(xp(), "sButton24");
        QVERIFY(listed.wait(5000));
        QCOMPARE(rows(list(xp(), "sListView1")), QStringList{"  СБ      |5-3-2009|9-07"});

        // Change the three values, then restore: the backup's values come back.
        {
            registry::RegistryStore store(m_program->machine->registry());
            store.SelectRoot(registry::Root::LocalMachine);
            store.OpenPath("SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters", false);
            store.SetDword("AutoShareWks", 7);
            store.SetDword("AutoShareServer", 7);
            store.ClosePath();
            store.OpenPath("SYSTEM\\CurrentControlSet\\Control\\Lsa", false);
            store.SetDword("RestrictAnonymous", 7);
            store.ClosePath();
        }
        const QString file = backupsFolder() + "/  СБ      #05-3-2009#19-07.ini";
        const QByteArray before = test::readFile(file);
        auto *view = list(xp(), "sListView1");
        view->setCurrentItem(view->topLevelItem(0));
        click(xp(), "sButton26");
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last().caption, QString("Готово"));
        QCOMPARE(shown.last().text, QString("Востановление завершено"));
        QCOMPARE(dword("SYSTEM\\CurrentControlSet\\Control\\Lsa", "RestrictAnonymous"), 1u);
        QCOMPARE(test::readFile(file), before);
    }
};

QTEST_MAIN(TestBackupPages)
#include "tst_backup_pages.moc"
