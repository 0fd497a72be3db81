// The converter page on a machine image: adding files and folders, the convert press over the
// ticked rows, stop, and what the list and the state text show.
#include "FindControl.h"
#include "Mp3Fixtures.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "AudioConverterPage.h"
#include "Dialogs.h"
#include "TMP3ToWav.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace tolvex;
using converter::AudioConverter;
using converter::AudioConverterPage;
using ui::Dialogs;

namespace {

const QString music = "C:\\Music\\";

struct Fixture
{
    QTemporaryDir dir;
    const QString programFolder; // on the host
    std::unique_ptr<test::ProgramSession> program;
    std::unique_ptr<AudioConverterPage> page;
    QList<QStringList> done; // input, output, success, sample frames

    // The program folder lies outside the machine's drives unless it is put on drive C.
    explicit Fixture(bool programOnDriveC = false)
        : programFolder(programOnDriveC ? host("Program Files/Tolvex") : dir.path() + "/program")
    {
        test::writeMachine(machine(), {});
        QDir().mkpath(host("Music"));
        QDir().mkpath(host("Out"));
        QDir().mkpath(programFolder);
        program = std::make_unique<test::ProgramSession>(machine(), programFolder);
        page = std::make_unique<AudioConverterPage>(*program->context);
        page->sEdit1->setText("C:\\Out");
        QObject::connect(
            &converter(), &AudioConverter::fileDone,
            [this](const QString &in, const QString &out, bool success, quint64 frames, const QString &) {
                done.append({in, out, success ? "ok" : "failed", QString::number(frames)});
            });
        Dialogs::startRecording();
    }
    ~Fixture() { Dialogs::stopRecording(); }

    QString machine() const { return dir.path() + "/machine"; }
    QString host(const QString &relative) const { return machine() + "/drive_c/" + relative; }
    AudioConverter &converter() { return page->converter(); }
    QTreeWidget *list() { return test::find<QTreeWidget>(page.get(), "sListView2"); }
    QString state() { return test::find<QLabel>(page.get(), "sLabel19")->text(); }
    void click(const char *name) { test::find<QPushButton>(page.get(), name)->click(); }

    // A short tone under C:\Music; its title and album when given.
    QString mp3(const QString &name, const QString &title = {}, const QString &album = {})
    {
        const QString path = host("Music/" + name);
        QDir().mkpath(QFileInfo(path).path());
        QString log;
        if (!test::encodeTone(path, 44100, 2, 11025, {"-b", "128"}, &log))
            qFatal("lame: %s", qPrintable(log));
        if (!title.isEmpty() && !test::writeTags(path, title, album))
            qFatal("cannot tag %s", qPrintable(path));
        return music + QString(name).replace('/', '\\');
    }
    // Ten minutes without an information frame, made by repeating one second: long enough that a
    // stop given at its first progress notice always lands inside it.
    QString longMp3(const QString &name)
    {
        const QString path = host("Music/" + name);
        QString log;
        if (!test::encodeTone(path, 44100, 2, 44100, {"-t", "-b", "128"}, &log))
            qFatal("lame: %s", qPrintable(log));
        test::writeFile(path, test::readFile(path).repeated(600));
        return music + name;
    }
    void add(const QString &path, bool ticked = true)
    {
        QString error;
        if (!converter().AddFile(path, &error))
            qFatal("cannot add %s: %s", qPrintable(path), qPrintable(error));
        if (ticked) list()->topLevelItem(list()->topLevelItemCount() - 1)->setCheckState(0, Qt::Checked);
    }
    // The press, and the file it leaves converting.
    void convertAll()
    {
        click("sBitBtn1");
        QTRY_VERIFY_WITH_TIMEOUT(!converter().ConversionBusy, 60000);
    }
    QStringList outputs() const { return QDir(host("Out")).entryList(QDir::Files, QDir::Name); }
    QStringList doneInputs() const
    {
        QStringList inputs;
        for (const QStringList &d : done)
            inputs.append(d[0]);
        return inputs;
    }
};

} // namespace

class TestAudioConverterPage : public QObject
{
    Q_OBJECT

private slots:
    void rowsShowTagsAndNames()
    {
        Fixture f;
        f.add(f.mp3("Song.MP3", "Подмосковные вечера", "Лучшее"), false);
        f.add(f.mp3("untagged.mp3"), false);
        const QString ansi = f.mp3("ansi.mp3");
        QVERIFY(test::tagAs(test::TagKind::Id3v1, f.host("Music/ansi.mp3"), "Песня", "Альбом"));
        f.add(ansi, false);
        QTreeWidget *list = f.list();
        QCOMPARE(list->headerItem()->text(0), QString("Песня"));
        QCOMPARE(list->headerItem()->text(3), QString("Файл"));
        QCOMPARE(list->topLevelItemCount(), 3);
        const QTreeWidgetItem *row = list->topLevelItem(0);
        QCOMPARE(QStringList({row->text(0), row->text(1), row->text(2), row->text(3)}),
                 QStringList({"Подмосковные вечера", "Лучшее", ".MP3", "Song.MP3"}));
        QCOMPARE(row->checkState(0), Qt::Unchecked);
        QCOMPARE(f.converter().rows().at(1).FilePath, music + "untagged.mp3");
        QCOMPARE(list->topLevelItem(1)->text(0), QString());
        // An ID3v1 tag in Windows-1251, not read as Latin-1 ("Ïåñíÿ").
        QCOMPARE(list->topLevelItem(2)->text(0), QString("Песня"));
        QCOMPARE(list->topLevelItem(2)->text(1), QString("Альбом"));
    }

    void defaultOutputFolder_data()
    {
        QTest::addColumn<bool>("onDriveC");
        QTest::newRow("program folder on drive C") << true;
        QTest::newRow("program folder outside the drives") << false;
    }

    // The folder the main window starts the page with is written in one form, and the converter
    // writes into it.
    void defaultOutputFolder()
    {
        QFETCH(bool, onDriveC);
        Fixture f(onDriveC);
        QDir().mkpath(f.programFolder + "/Converts");
        const QString folder = AudioConverter::defaultOutputFolder(*f.program->shell);
        QCOMPARE(folder,
                 onDriveC ? QString("C:\\Program Files\\Tolvex\\Converts") : f.programFolder + "/Converts");
        f.page->sEdit1->setText(folder);
        f.add(f.mp3("Song.mp3"));
        f.convertAll();
        QCOMPARE(f.done.size(), 1);
        QCOMPARE(f.done[0][1], folder + (onDriveC ? "\\" : "/") + "Song.WAV");
        QCOMPARE(f.done[0][2], QString("ok"));
        QVERIFY(QFileInfo(f.programFolder + "/Converts/Song.WAV").isFile());
    }

    void nothingTickedConvertsNothing()
    {
        Fixture f;
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
            f.add(f.mp3(name), false);
        f.convertAll();
        QCOMPARE(f.outputs(), QStringList());
        QCOMPARE(f.state(), QString("Ожидание"));
        QVERIFY(f.done.isEmpty());
    }

    void tickedRowsInOrder()
    {
        Fixture f;
        f.add(f.mp3("Name1.mp3"));
        f.add(f.mp3("skipped.mp3"), false);
        f.add(f.mp3("Name2.mp3"));
        f.convertAll();
        QCOMPARE(f.outputs(), QStringList({"Name1.WAV", "Name2.WAV"}));
        QCOMPARE(f.doneInputs(), QStringList({music + "Name1.mp3", music + "Name2.mp3"}));
        QCOMPARE(f.done[1][1], QString("C:\\Out\\Name2.WAV"));
        QCOMPARE(f.done[0][3], QString("11025"));
        QCOMPARE(f.state(), QString("Готово"));
        QCOMPARE(test::find<QProgressBar>(f.page.get(), "sProgressBar3")->value(), 0);
    }

    void removedAndClearedRowsAreNotConverted()
    {
        Fixture f;
        for (const char *name : {"A.mp3", "B.mp3", "C.mp3"})
            f.add(f.mp3(name));
        f.list()->setCurrentItem(f.list()->topLevelItem(0));
        f.click("cDelItem");
        QCOMPARE(f.list()->topLevelItemCount(), 2);
        f.convertAll();
        QCOMPARE(f.outputs(), QStringList({"B.WAV", "C.WAV"}));

        f.click("cClearList");
        QCOMPARE(f.list()->topLevelItemCount(), 0);
        QVERIFY(f.converter().rows().isEmpty());
        f.add(f.mp3("New.mp3"));
        f.convertAll();
        QCOMPARE(f.doneInputs().last(), music + "New.mp3");
        QCOMPARE(f.done.size(), 3);
    }

    void missingOutputFolderSkipsEveryRow()
    {
        Fixture f;
        f.add(f.mp3("one.mp3"));
        f.add(f.mp3("two.mp3"));
        f.page->sEdit1->setText("C:\\No such folder");
        QSignalSpy notStarted(&f.converter(), &AudioConverter::fileNotStarted);
        f.convertAll();
        QCOMPARE(notStarted.count(), 2);
        QCOMPARE(f.state(), QString("Ожидание"));
        QVERIFY(!QDir(f.host("No such folder")).exists());
        QVERIFY(f.done.isEmpty());
        QVERIFY(Dialogs::takeRecorded().isEmpty());
    }

    void stopEndsTheFileAndTheNextStarts()
    {
        Fixture f;
        f.click("sBitBtn2"); // before any conversion: nothing
        QCOMPARE(f.state(), QString("Ожидание"));

        f.add(f.longMp3("long.mp3"));
        f.add(f.mp3("short.mp3"));
        QStringList states;
        bool stopped = false;
        QObject::connect(&f.converter(), &AudioConverter::stateChanged, [&](const QString &s) {
            states.append(s);
            if (s == "В процессе..." && !stopped) {
                stopped = true;
                f.click("sBitBtn2");
            }
        });
        f.convertAll();
        QCOMPARE(f.doneInputs(), QStringList({music + "long.mp3", music + "short.mp3"}));
        // Each row once started leaves "Ожидание"; decoding shows its progress, then the end.
        QCOMPARE(states.first(), QString("Ожидание"));
        QVERIFY(states.indexOf("В процессе...") < states.indexOf("Готово"));
        test::Pcm partial;
        QVERIFY(test::readWav(f.host("Out/long.WAV"), partial));
        QCOMPARE(qint64(partial.dataSize), partial.fileSize - 44);
        QCOMPARE(qint64(partial.riffSize), partial.fileSize - 8);
        QVERIFY2(partial.frames() > 0 && partial.frames() < 44100 * 600,
                 qPrintable(QString::number(partial.frames())));
        QCOMPARE(f.done[0][3].toLongLong(), partial.frames());
        QCOMPARE(f.done[1][3], QString("11025"));
    }

    // Unticked while it waited its turn: the rows after it must not wait for ever.
    void rowUntickedWhileWaiting()
    {
        Fixture f;
        f.add(f.longMp3("long.mp3"));
        f.add(f.mp3("untick.mp3"));
        f.add(f.mp3("last.mp3"));
        bool unticked = false;
        QObject::connect(&f.converter(), &AudioConverter::progressChanged, [&](int percent) {
            if (percent > 0 && !unticked) {
                unticked = true;
                f.list()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
                f.converter().Stop();
            }
        });
        f.convertAll();
        QCOMPARE(f.doneInputs(), QStringList({music + "long.mp3", music + "last.mp3"}));
    }

    // A second press while the last file of the first still converts: that file stops, and the
    // new press does not wait for a notice that would never come.
    void secondPressWhileAFileConverts()
    {
        Fixture f;
        f.add(f.longMp3("long.mp3"));
        f.click("sBitBtn1");
        QVERIFY(f.converter().ConversionBusy);
        f.list()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        f.add(f.mp3("short.mp3"));
        f.convertAll();
        QCOMPARE(f.doneInputs(), QStringList({music + "long.mp3", music + "short.mp3"}));
        QVERIFY(f.done[0][3].toLongLong() < 44100 * 600);
        QCOMPARE(f.done[1][3], QString("11025"));
    }

    void closingTheWindowEndsThePress()
    {
        Fixture f;
        f.add(f.longMp3("long.mp3"));
        f.add(f.mp3("never.mp3"));
        f.page->show();
        bool closed = false;
        QObject::connect(&f.converter(), &AudioConverter::progressChanged, [&](int percent) {
            if (percent > 0 && !closed) {
                closed = true;
                f.page->close();
            }
        });
        f.convertAll();
        QCOMPARE(f.doneInputs(), QStringList({music + "long.mp3"}));
        QVERIFY(!QFile::exists(f.host("Out/never.WAV")));
    }

    void addFilesStopsAtAFileWithoutAudio()
    {
        Fixture f;
        f.mp3("good1.mp3");
        f.mp3("good2.mp3");
        test::writeFile(f.host("Music/bad.mp3"), "no audio here");
        Dialogs::queueText(
            QStringList({f.host("Music/good1.mp3"), f.host("Music/bad.mp3"), f.host("Music/good2.mp3")})
                .join('\n'));
        f.click("sBitBtn5");
        const QList<Dialogs::Shown> shown = Dialogs::takeRecorded();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QString("Mp3|*.Mp3"));
        QCOMPARE(shown[1].icon, Dialogs::Icon::Error);
        QCOMPARE(shown[1].caption, QString("Tolvex"));
        QCOMPARE(shown[1].text, QString("File has no audio."));
        QCOMPARE(f.converter().rows().size(), 1);
        // Chosen as host files, kept as the machine's Windows paths.
        QCOMPARE(f.converter().rows().at(0).FilePath, music + "good1.mp3");
    }

    void addFolder()
    {
        Fixture f;
        f.mp3("Album/one.mp3");
        f.mp3("Album/Disc 2/two.MP3");
        test::writeFile(f.host("Music/Album/cover.jpg"), "x");
        QDir().mkpath(f.host("Music/Album/folder.mp3"));
        Dialogs::queueText(QString("C:\\Music\\Album"));
        QSignalSpy added(&f.converter(), &AudioConverter::folderAdded);
        f.click("sBitBtn6");
        QVERIFY(added.wait(10000));
        QCOMPARE(Dialogs::takeRecorded().first().caption, QString("Укажите папку:"));
        QStringList names;
        for (const converter::ConverterRow &row : f.converter().rows())
            names.append(row.FilePath);
        QCOMPARE(names, QStringList({"C:\\Music\\Album\\one.mp3", "C:\\Music\\Album\\Disc 2\\two.MP3"}));
    }

    // Listing ends at a file without audio, without a word; the rows before it stay.
    void addFolderStopsAtAFileWithoutAudio()
    {
        Fixture f;
        test::writeFile(f.host("Music/Bad/broken.mp3"), "no audio here");
        f.mp3("Bad/sub/after.mp3");
        Dialogs::queueText(QString("C:\\Music\\Bad"));
        QSignalSpy added(&f.converter(), &AudioConverter::folderAdded);
        f.click("sBitBtn6");
        QVERIFY(added.wait(10000));
        QCOMPARE(f.converter().rows().size(), 0);
        QCOMPARE(Dialogs::takeRecorded().size(), 1); // the folder chooser only
    }

    void outputFolderChooserAndFormats()
    {
        Fixture f;
        Dialogs::queueText(QString("C:\\Music"));
        f.click("sButton7");
        QCOMPARE(f.page->sEdit1->text(), QString("C:\\Music"));
        Dialogs::queueText(std::nullopt);
        f.click("sButton7");
        QCOMPARE(f.page->sEdit1->text(), QString("C:\\Music"));
        const auto *from = test::find<QComboBox>(f.page.get(), "sComboBox2");
        const auto *to = test::find<QComboBox>(f.page.get(), "sComboBox3");
        QVERIFY(!from->isEnabled() && !to->isEnabled());
        QCOMPARE(from->currentText(), QString("Mp3"));
        QCOMPARE(to->currentText(), QString("WAV"));
        QCOMPARE(to->count(), 2);
    }
};

QTEST_MAIN(TestAudioConverterPage)
#include "tst_audio_converter_page.moc"
