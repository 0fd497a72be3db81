// The duplicate finder's page and result window: the folder list and its section of Config.ini,
// a scan through the buttons, and the grid's commands, deletion to the trash included.
#include "ProgramSession.h"
#include "TestMachine.h"

#include "Dialogs.h"
#include "DuplicateFinderPage.h"
#include "KeepRules.h"
#include "LsdFile.h"
#include "TResultForm.h"
#include "ini/IniDocument.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::duplicates;
using ui::Dialogs;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;
    std::unique_ptr<DuplicateFinderPage> page;
    Fixture()
    {
        test::writeMachine(dir.path(), {});
        QDir().mkpath(dir.path() + "/drive_d");
        QFile::link("../drive_d", dir.path() + "/dosdevices/d:");
        program = std::make_unique<test::ProgramSession>(dir.path(), dir.path() + "/program");
        page = std::make_unique<DuplicateFinderPage>(*program->context);
        Dialogs::startRecording();
        // The trash lives in the test's own folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + "/data"));
    }
    ~Fixture() { Dialogs::stopRecording(); }
    QString host(const QString &relative) const { return dir.path() + "/drive_c/" + relative; }
    void file(const QString &relative, const QByteArray &bytes) { test::writeFile(host(relative), bytes); }
    QStringList folders() const
    {
        QStringList list;
        for (int i = 0; i < page->FoldersListBox->count(); ++i)
            list << page->FoldersListBox->item(i)->text();
        return list;
    }
    void add(const QString &chosen)
    {
        Dialogs::queueText(chosen);
        page->AddButtonClick();
    }
    void scan()
    {
        QSignalSpy ended(page.get(), &DuplicateFinderPage::scanEnded);
        page->StartButton->click();
        QVERIFY(ended.wait(10000));
    }
    QStringList column(int c) const
    {
        QStringList out;
        QTableWidget *grid = page->resultForm()->DoublesList;
        for (int r = 0; r < grid->rowCount(); ++r)
            out << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        return out;
    }
};

} // namespace

class TestDuplicatePages : public QObject
{
    Q_OBJECT

private slots:
    void folderList()
    {
        Fixture f;
        f.page->RemoveButtonClick();
        f.add("C:\\Temp");
        f.add("C:\\Temp");
        f.add("c:\\temp"); // another case, another item
        f.add("D:\\");
        f.add("\\\\server\\share");
        f.add("");
        QCOMPARE(f.folders(), QStringList({"C:\\Temp\\", "c:\\temp\\", "D:\\"}));
        for (int i = 0; i < 3; ++i) {
            f.page->FoldersListBox->setCurrentRow(0);
            f.page->RemoveButtonClick();
        }
        QVERIFY(!f.page->StartButton->isEnabled());
        f.add("C:\\A");
        QVERIFY(f.page->StartButton->isEnabled());
    }

    void antiDSection()
    {
        Fixture f;
        f.page->LoadNAntiD(ini::IniDocument::parse("[AntiD]\r\nCount=2\r\nPaths0=C:\\B\\\r\nPaths1=C:\\A\\\r\n"));
        QCOMPARE(f.folders(), QStringList({"C:\\B\\", "C:\\A\\"})); // as the file has them
        ini::IniDocument out;
        f.page->SaveNAntiD(out);
        QCOMPARE(out.toBytes(), QByteArray("[AntiD]\r\nCount=2\r\nPaths0=C:\\B\\\r\nPaths1=C:\\A\\\r\n"));
    }

    // The marks live in keys of their own beside the folder list, written only where they say
    // something; the Windows folder's box shows while a listed folder holds it.
    void protectedFolders()
    {
        Fixture f;
        f.add("C:\\B");
        f.add("C:\\A");
        QVERIFY(f.page->ProtectWindowsCheckBox->isHidden());
        f.page->FoldersListBox->item(1)->setCheckState(Qt::Checked); // C:\\B
        f.add("C:\\");
        QCOMPARE(f.folders(), QStringList({"C:\\", "C:\\A\\", "C:\\B\\"}));
        QCOMPARE(f.page->FoldersListBox->item(2)->checkState(), Qt::Checked); // the mark moved with its folder
        QVERIFY(!f.page->ProtectWindowsCheckBox->isHidden());
        QVERIFY(f.page->ProtectWindowsCheckBox->isChecked());
        QVERIFY(f.page->ProtectWindowsCheckBox->toolTip().startsWith("C:\\windows\\"));
        f.page->ScanSubfoldersCheckBox->setChecked(false);
        QVERIFY(f.page->ProtectWindowsCheckBox->isHidden());
        f.page->ScanSubfoldersCheckBox->setChecked(true);
        f.page->ProtectWindowsCheckBox->setChecked(false);

        ini::IniDocument out = ini::IniDocument::parse("[AntiD]\r\nProtected0=1\r\n");
        f.page->SaveNAntiD(out);
        QCOMPARE(out.toBytes(), QByteArray("[AntiD]\r\nCount=3\r\nPaths0=C:\\\r\nPaths1=C:\\A\\\r\nPaths2=C:\\B\\\r\n"
                                           "Protected2=1\r\nProtectWindows=0\r\n"));
        Fixture again;
        again.page->LoadNAntiD(out);
        QCOMPARE(again.folders(), f.folders());
        QCOMPARE(again.page->FoldersListBox->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(again.page->FoldersListBox->item(2)->checkState(), Qt::Checked);
        QVERIFY(!again.page->ProtectWindowsCheckBox->isChecked());
    }

    // Protected rows carry no check box and never go; ticks choose what a command acts on.
    void ticksAndProtectedRows()
    {
        Fixture f;
        f.file("Data/a.bin", "same");
        f.file("Data/b.bin", "same");
        f.file("Data/c.bin", "same");
        f.file("Ref/a.bin", "same");
        f.add("C:\\Data");
        f.add("C:\\Ref");
        f.page->FoldersListBox->item(1)->setCheckState(Qt::Checked);
        f.page->CheckBox1->setChecked(false);
        f.page->CheckBox3->setChecked(true);
        f.scan();
        TResultForm *result = f.page->resultForm();
        result->ShowResults();
        DuplicateTables &tables = f.page->tables();
        QCOMPARE(tables.FileTable.size(), 4);
        const qsizetype guarded = tables.FileTable.last().Folder == 2 ? 3 : -1; // C:\\Ref comes last
        QCOMPARE(guarded, 3);
        QVERIFY(!(result->DoublesList->item(3, 0)->flags() & Qt::ItemIsUserCheckable));
        QVERIFY(!result->DoublesList->item(3, 0)->data(Qt::CheckStateRole).isValid());
        QVERIFY(result->DoublesList->item(0, 0)->flags() & Qt::ItemIsUserCheckable);

        Dialogs::takeRecorded();
        result->KeepRuleClick(KeepRule::ShortestPath);
        QCOMPARE(Dialogs::takeRecorded().last().text, QString("Отмечено файлов: 3 в группах: 1."));
        for (int r = 0; r < 3; ++r)
            QCOMPARE(result->DoublesList->item(r, 0)->checkState(), Qt::Checked);
        result->DoublesList->item(1, 0)->setCheckState(Qt::Unchecked); // the user keeps this one too
        QVERIFY(!tables.FileTable[1].Ticked);

        // Deleting acts on the ticks, not on the selection, which holds the protected row.
        const QString second = tables.filePath(1);
        tables.FileTable[3].Ticked = true; // as a stale tick could be
        result->selectRows(1, 3);
        Dialogs::queueAnswer(Dialogs::Answer::Ok);
        result->DeleteToRecyleClick();
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.first().text, QString("Переместить в корзину 2 файл(ов)?"));
        QVERIFY2(shown.last().text.contains("оставлено: 1"), qPrintable(shown.last().text));
        QVERIFY(QFile::exists(f.host("Ref/a.bin")));
        QVERIFY(QFile::exists(f.program->shell->hostPath(second)));
        QCOMPARE(tables.FileTable.size(), 2);
    }

    void scanAndResultWindow()
    {
        Fixture f;
        f.file("Data/a.txt", QByteArray(4000000, 'a'));
        f.file("Data/Sub/a.txt", QByteArray(4000000, 'a'));
        f.file("Data/b.txt", "bb");
        f.file("Data/Sub/B.TXT", "bb");
        f.file("Data/c.txt", "c");
        f.add("C:\\Data");
        f.scan();
        QCOMPARE(f.page->OperationName->text(), QString("Найдено 4"));
        QCOMPARE(f.page->StartButton->text(), QString("Начать сканирование"));
        TResultForm *result = f.page->resultForm();
        result->ShowResults();
        QCOMPARE(result->DoubleKeys->text(), QString(" Имя Размер"));
        QCOMPARE(f.column(0), QStringList({"1", "1", "2", "2"}));
        QCOMPARE(f.column(2)[0], f.column(2)[1]); // each group is one size
        QStringList sizes = f.column(2);
        sizes.sort();
        QCOMPARE(sizes, QStringList({"0 Мб", "0 Мб", "3,81 Мб", "3,81 Мб"}));
        QVERIFY(f.column(4).contains("C:\\Data\\Sub\\"));
        result->ByNameClick();
        QCOMPARE(f.column(1).mid(0, 2), QStringList({"a.txt", "a.txt"}));
        QCOMPARE(f.column(1)[2].toLower(), QString("b.txt"));
        QCOMPARE(f.column(1)[3].toLower(), QString("b.txt"));
        QCOMPARE(f.column(0)[2], f.column(0)[3]); // names equal: the group order stays

        // Saving writes the tables; a file of another kind is refused and changes nothing.
        Dialogs::queueText(f.dir.path() + "/result.LsD");
        result->SaveToFileClick();
        QCOMPARE(LsdFile::write(f.page->tables()), test::readFile(f.dir.path() + "/result.LsD"));
        test::writeFile(f.dir.path() + "/other.LsD", "not a result file");
        Dialogs::takeRecorded();
        Dialogs::queueText(f.dir.path() + "/other.LsD");
        result->LoadFromFileClick();
        QCOMPARE(Dialogs::takeRecorded().last().text, QString("Неверный тип файла"));
        QCOMPARE(f.page->tables().FileTable.size(), 4);

        // Dropping rows 2 to 3 from the list.
        const QStringList before = f.column(1);
        result->selectRows(1, 2);
        result->DeleteFromListClick();
        QCOMPARE(f.column(1), QStringList({before[0], before[3]}));

        Dialogs::queueText(f.dir.path() + "/result.LsD");
        result->LoadFromFileClick();
        QCOMPARE(f.page->tables().FileTable.size(), 4);
    }

    // The folder column takes what the other four columns and the grid lines leave of the grid,
    // and, when they leave nothing, their own width; user-set widths of the others count.
    void resultWindowResize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("nameWidth"); // column 1, as the user may have dragged it
        QTest::newRow("wide") << QSize(900, 500) << 94;
        QTest::newRow("as designed") << QSize(560, 420) << 94;
        QTest::newRow("a wide name column") << QSize(700, 420) << 300;
        QTest::newRow("nothing left over") << QSize(560, 420) << 420;
    }
    void resultWindowResize()
    {
        QFETCH(QSize, size);
        QFETCH(int, nameWidth);
        Fixture f;
        TResultForm *result = f.page->resultForm();
        result->ShowResults();
        result->DoublesList->setColumnWidth(1, nameWidth);
        result->show();
        QVERIFY(QTest::qWaitForWindowExposed(result));
        result->resize(size);
        QTRY_COMPARE(result->size(), size);
        QCoreApplication::processEvents();
        int others = 0;
        for (int c = 0; c < 4; ++c)
            others += result->DoublesList->columnWidth(c);
        const int left = result->DoublesList->viewport()->width() - others - 5;
        QCOMPARE(result->DoublesList->columnWidth(4), left > 0 ? left : others + 5);
        if (size.width() >= 560 && nameWidth == 94)
            QVERIFY(result->DoublesList->columnWidth(4) > 90);
        result->close();
    }

    // Deleting to the trash: a cancel keeps all; the confirmation says when a whole group goes;
    // a file changed since the scan stays, and the user is told which.
    void deleteToTrash()
    {
        Fixture f;
        f.file("Data/one.bin", "same");
        f.file("Data/two.bin", "same");
        f.file("Data/Sub/one.bin", "SAME");
        f.file("Data/Sub/two.bin", "SAME");
        f.add("C:\\Data");
        f.page->CheckBox1->setChecked(false);
        f.page->CheckBox3->setChecked(true);
        f.scan();
        TResultForm *result = f.page->resultForm();
        result->ShowResults();
        QCOMPARE(f.page->tables().FileTable.size(), 4);

        result->selectRows(0, 1);
        Dialogs::takeRecorded();
        Dialogs::queueAnswer(Dialogs::Answer::Cancel);
        result->DeleteToRecyleClick();
        QVERIFY(Dialogs::takeRecorded().first().text.contains("Выбраны все файлы группы 1"));
        QCOMPARE(f.page->tables().FileTable.size(), 4);

        // Rows 2 and 3 are one file of each group; the second is rewritten after the scan, so it
        // is not the file its row shows.
        const QString kept = f.page->tables().filePath(2);
        test::writeFile(f.program->shell->hostPath(kept), "CHANGED!");
        result->selectRows(1, 2);
        Dialogs::queueAnswer(Dialogs::Answer::Ok);
        result->DeleteToRecyleClick();
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QVERIFY(!shown.first().text.contains("Выбраны все файлы группы"));
        QVERIFY2(shown.last().text.contains(kept), qPrintable(shown.last().text));
        QVERIFY(QFile::exists(f.program->shell->hostPath(kept)));
        QCOMPARE(f.page->tables().FileTable.size(), 3);
        // In the user's trash, which is made when missing, not beside the program.
        QCOMPARE(QDir(f.dir.path() + "/data/Trash/files").entryList(QDir::Files).size(), 1);
        QVERIFY(!QFileInfo::exists("files"));
    }
};

QTEST_MAIN(TestDuplicatePages)
#include "tst_duplicate_pages.moc"
