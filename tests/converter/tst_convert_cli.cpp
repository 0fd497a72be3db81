// tolvex-cli convert, as a script would use it: one line per file with the output path and the
// sample frames written, and an exit status that tells whether every file was converted; and
// convert --list, the titles and albums of the converter's list.
#include "Mp3Fixtures.h"
#include "CliRun.h"
#include "TestMachine.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using test::cli;
using test::Run;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    Fixture()
    {
        test::writeMachine(machine(), {});
        QDir().mkpath(machine() + "/drive_c/Music");
        QDir().mkpath(out());
    }
    QString machine() const { return dir.path() + "/machine"; }
    QString out() const { return dir.path() + "/out"; }
    QString music(const QString &name) const { return machine() + "/drive_c/Music/" + name; }
    // Every file below the fixture with its size and time, to tell that nothing was written; the
    // lock that says the machine is in use is no part of it.
    QStringList files() const
    {
        QStringList found;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            if (info.fileName() == ".tolvex-lock") continue;
            found.append(QString("%1 %2 %3")
                             .arg(info.filePath())
                             .arg(info.size())
                             .arg(info.lastModified().toMSecsSinceEpoch()));
        }
        found.sort();
        return found;
    }
};

} // namespace

class TestConvertCli : public QObject
{
    Q_OBJECT

private slots:
    void convertsEachFileInOrder()
    {
        Fixture f;
        QString log;
        QVERIFY2(test::encodeTone(f.music("first.mp3"), 44100, 2, 30001, {"-b", "128"}, &log),
                 qPrintable(log));
        QVERIFY(test::writeTags(f.music("first.mp3"), "Первая", "Альбом"));
        QVERIFY2(test::encodeTone(f.music("second.MP3"), 22050, 1, 12345, {"-b", "64"}, &log),
                 qPrintable(log));
        // A Windows path of the machine and a host path, both as the page would take them.
        const Run run =
            cli(f.machine(), {"convert", "--out", f.out(), "C:\\Music\\first.mp3", f.music("second.MP3")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.out, f.out() + "/first.WAV\t30001\n" + f.out() + "/second.WAV\t12345\n");
        test::Pcm pcm;
        QVERIFY(test::readWav(f.out() + "/second.WAV", pcm));
        QCOMPARE(pcm.rate, 22050);
        QCOMPARE(pcm.channels, 1);
        QCOMPARE(pcm.frames(), 12345);
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<bool>("audio"); // the second file is an MP3
        QTest::addColumn<bool>("outputExists");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("converted");

        // Both are bad calls: nothing is converted, not even the good file.
        QTest::newRow("a file without audio") << false << true << "other.mp3 не является MP3-файлом: File has no audio" << 0;
        QTest::newRow("no output folder") << true << false << "absent не найдена" << 0;
    }

    void failuresAreReported()
    {
        QFETCH(bool, audio);
        QFETCH(bool, outputExists);
        QFETCH(QString, message);
        QFETCH(int, converted);
        Fixture f;
        QString log;
        QVERIFY2(test::encodeTone(f.music("good.mp3"), 44100, 2, 4410, {"-b", "128"}, &log), qPrintable(log));
        if (audio)
            QVERIFY(test::encodeTone(f.music("other.mp3"), 44100, 2, 4410, {"-b", "128"}, &log));
        else
            test::writeFile(f.music("other.mp3"), "no audio here");
        const QString out = outputExists ? f.out() : f.out() + "/absent";
        const Run run =
            cli(f.machine(), {"convert", "--out", out, f.music("good.mp3"), f.music("other.mp3")});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(run.out.count('\n'), converted);
        QCOMPARE(QDir(f.out()).entryList(QDir::Files).size(), converted);
    }

    // The list alone, in every tag form: Windows paths, titles and albums as the page shows them,
    // and not a byte written.
    void listShowsTitlesAndAlbums()
    {
        using test::TagKind;
        Fixture f;
        const struct
        {
            const char *name;
            TagKind kind;
            const char *title;
            const char *album;
        } tagged[] = {
            {"v1.mp3", TagKind::Id3v1, "Песня", "Бриллиантовая рука"},
            {"Latin1.MP3", TagKind::Id3v23Latin1, "Песня про зайцев", "Бриллиантовая рука"},
            {"utf16.mp3", TagKind::Id3v23Utf16, "Ёлочка, гори!", "Новогодние песни"},
            {"utf8.mp3", TagKind::Id3v24Utf8, "Катюша", "Песни военных лет"},
            {"ape.mp3", TagKind::Ape, "Калинка", "Народные"},
            {"ascii.mp3", TagKind::Id3v1, "Yesterday", "Help!"},
            {"untagged.mp3", TagKind::None, "", ""},
        };
        QStringList args{"convert", "--list"};
        QString expected;
        for (qsizetype i = 0; i < qsizetype(std::size(tagged)); ++i) {
            const auto &t = tagged[i];
            QString log;
            QVERIFY2(test::encodeTone(f.music(t.name), 44100, 2, 4410, {"-b", "128"}, &log), qPrintable(log));
            QVERIFY(test::tagAs(t.kind, f.music(t.name), t.title, t.album));
            const QString windowsPath = QString("C:\\Music\\") + t.name;
            // Host paths are listed as the machine's Windows paths, as the page keeps them.
            args.append(i % 2 ? f.music(t.name) : windowsPath);
            expected += windowsPath + '\t' + t.title + '\t' + t.album + '\n';
        }
        // No drive reaches this one: its host path.
        const QString outside = f.dir.path() + "/elsewhere/Вне дисков.mp3";
        QDir().mkpath(f.dir.path() + "/elsewhere");
        QString log;
        QVERIFY2(test::encodeTone(outside, 22050, 1, 4410, {"-b", "64"}, &log), qPrintable(log));
        QVERIFY(test::tagAs(TagKind::Id3v1, outside, "Снаружи", "Хост"));
        args.append(outside);
        expected += outside + "\tСнаружи\tХост\n";

        const QStringList before = f.files();
        const Run run = cli(f.machine(), args);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.out, expected);
        QCOMPARE(f.files(), before);
    }

    void usage()
    {
        Fixture f;
        const Run run = cli(f.machine(), {"convert", "C:\\Music\\a.mp3"});
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains("--out DIR"));
    }
};

QTEST_GUILESS_MAIN(TestConvertCli)
#include "tst_convert_cli.moc"
