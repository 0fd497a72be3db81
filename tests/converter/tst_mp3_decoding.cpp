// MP3 to WAV with libmad on files lame makes during the run, against mpg123's decoding of the
// same files: gapless length, samples, the WAV header, stop, damage and write failures.
#include "Mp3Fixtures.h"
#include "ProgramSession.h"
#include "TestMachine.h"

#include "InfoFrame.h"
#include "MadDecoding.h"
#include "TMADThread.h"
#include "TMP3In.h"
#include "TMP3ToWav.h"
#include "WavWriter.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using namespace tolvex;
using converter::DecodeResult;
using converter::MadDecoding;
using test::Pcm;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;

    Fixture()
    {
        test::writeMachine(dir.path() + "/machine", {});
        program = std::make_unique<test::ProgramSession>(dir.path() + "/machine", dir.path() + "/program");
    }
    QString path(const QString &name) const { return dir.filePath(name); }

    // Through the worker thread, as the page converts.
    DecodeResult convert(const QString &mp3, const QString &wav)
    {
        converter::TMP3ToWav job(*program->shell);
        job.InputFile = mp3;
        job.OutputFile = wav;
        QSignalSpy done(&job, &converter::TMP3ToWav::OnDone);
        if (!job.Run()) qFatal("cannot start: %s", qPrintable(job.errorString()));
        if (!done.wait(60000)) qFatal("no done notice");
        return job.result();
    }
};

// The sample frames of `actual` that match `reference` best within a few frames' shift; the
// decoders must agree at shift 0.
int bestShift(const Pcm &reference, const Pcm &actual)
{
    int best = 0;
    double bestSnr = -1e9;
    const size_t count = std::min(reference.samples.size(), actual.samples.size()) / 2;
    for (int shift = -1200; shift <= 1200; shift += 1) {
        const size_t offset = size_t(std::abs(shift)) * size_t(reference.channels);
        if (offset >= count) continue;
        const double s = shift >= 0 ? test::snr(reference.samples, 0, actual.samples, offset, count - offset)
                                    : test::snr(reference.samples, offset, actual.samples, 0, count - offset);
        if (s > bestSnr) {
            bestSnr = s;
            best = shift;
        }
    }
    return best;
}

void verifyHeaderMatchesFile(const Pcm &pcm)
{
    QCOMPARE(qint64(pcm.riffSize), pcm.fileSize - 8);
    QCOMPARE(qint64(pcm.dataSize), pcm.fileSize - 44);
    QCOMPARE(pcm.dataSize % (2 * pcm.channels), 0u);
}

} // namespace

class TestMp3Decoding : public QObject
{
    Q_OBJECT

private slots:
    void decodesLikeMpg123_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QStringList>("lame");
        QTest::addColumn<bool>("tagged");
        QTest::addColumn<bool>("gapless"); // the WAV holds exactly the tone

        QTest::newRow("stereo 44100 CBR 128, tagged")
            << 44100 << 2 << 100003 << QStringList{"-b", "128"} << true << true;
        QTest::newRow("mono 44100 CBR 96") << 44100 << 1 << 77777 << QStringList{"-b", "96"} << false << true;
        QTest::newRow("stereo 22050 CBR 64")
            << 22050 << 2 << 50001 << QStringList{"-b", "64"} << false << true;
        QTest::newRow("mono 22050 CBR 64, tagged")
            << 22050 << 1 << 40000 << QStringList{"-b", "64"} << true << true;
        QTest::newRow("stereo 44100 VBR (Xing)")
            << 44100 << 2 << 90000 << QStringList{"-V", "4"} << false << true;
        QTest::newRow("CRC-protected frames")
            << 44100 << 2 << 60000 << QStringList{"-p", "-b", "128"} << false << true;
        QTest::newRow("shorter than one frame")
            << 44100 << 2 << 500 << QStringList{"-b", "128"} << false << true;
        // Every decoded frame is kept: the last one too, which needs the guard bytes.
        QTest::newRow("no information frame (-t)")
            << 44100 << 2 << 100003 << QStringList{"-t", "-b", "128"} << false << false;
        QTest::newRow("mono 22050 at 32: no room for the tag")
            << 22050 << 1 << 40000 << QStringList{"-b", "32"} << true << false;
    }

    void decodesLikeMpg123()
    {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, frames);
        QFETCH(QStringList, lame);
        QFETCH(bool, tagged);
        QFETCH(bool, gapless);

        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        QVERIFY2(test::encodeTone(mp3, rate, channels, frames, lame, &log), qPrintable(log));
        if (tagged) QVERIFY(test::writeTags(mp3, "Мелодия", "Альбом"));
        QVERIFY2(test::mpg123Reference(mp3, f.path("mpg123.wav"), &log), qPrintable(log));

        const DecodeResult result = f.convert(mp3, f.path("tone.WAV"));
        QVERIFY2(result.success, qPrintable(result.error));
        QCOMPARE(result.trim.active, gapless);

        Pcm reference, actual;
        QString why;
        QVERIFY2(test::readWav(f.path("mpg123.wav"), reference, &why), qPrintable(why));
        QVERIFY2(test::readWav(f.path("tone.WAV"), actual, &why), qPrintable(why));
        verifyHeaderMatchesFile(actual);
        QCOMPARE(actual.channels, channels);
        QCOMPARE(actual.rate, rate);
        QCOMPARE(actual.frames(), reference.frames());
        QCOMPARE(qint64(result.sampleFrames), actual.frames());
        if (gapless)
            QCOMPARE(actual.frames(), qint64(frames));
        else // whole frames: 1152 sample frames in MPEG-1, 576 below 32 kHz
            QCOMPARE(actual.frames() % (rate < 32000 ? 576 : 1152), 0);
        QCOMPARE(bestShift(reference, actual), 0);
        const double agreement = test::snr(reference.samples, 0, actual.samples, 0, actual.samples.size());
        QVERIFY2(agreement >= 60.0, qPrintable(QString("SNR %1 dB").arg(agreement)));
        qInfo("%s: %lld sample frames, as mpg123; SNR %.1f dB", QTest::currentDataTag(), actual.frames(),
              agreement);
    }

    void estimate_data()
    {
        QTest::addColumn<quint64>("fileSize");
        QTest::addColumn<int>("bitRate");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<quint64>("expected");

        // F = 418 (417.96 rounded up), S = 10 000 frames of 1152
        QTest::newRow("4 180 000 bytes, 128 kbit/s stereo")
            << quint64(4180000) << 128000 << 44100 << 2 << quint64(46080000);
        QTest::newRow("mono halves it") << quint64(4180000) << 128000 << 44100 << 1 << quint64(23040000);
        // F = 144 * 64000 / 22050 = 418 (417.96): the MPEG-2 frame is half that, and holds half the samples
        QTest::newRow("22050 Hz, 64 kbit/s") << quint64(209000) << 64000 << 22050 << 2 << quint64(2304000);
        QTest::newRow("S rounds to the nearest") << quint64(1000) << 128000 << 44100 << 1 << quint64(5512);
        QTest::newRow("free format: no estimate") << quint64(4180000) << 0 << 44100 << 2 << quint64(0);
    }

    void estimate()
    {
        QFETCH(quint64, fileSize);
        QFETCH(int, bitRate);
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        QFETCH(quint64, expected);
        QCOMPARE(MadDecoding::estimatedDataSize(fileSize, bitRate, sampleRate, channels), expected);
    }

    void headerBytes()
    {
        const QByteArray h = converter::WavWriter::header(44100, 2, 46080000);
        QCOMPARE(h.size(), 44);
        const auto *p = reinterpret_cast<const uchar *>(h.constData());
        QCOMPARE(h.left(4), QByteArray("RIFF"));
        QCOMPARE(qFromLittleEndian<quint32>(p + 4), 46080036u);
        QCOMPARE(h.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(qFromLittleEndian<quint32>(p + 16), 16u);
        QCOMPARE(qFromLittleEndian<quint16>(p + 20), quint16(1));
        QCOMPARE(qFromLittleEndian<quint16>(p + 22), quint16(2));
        QCOMPARE(qFromLittleEndian<quint32>(p + 24), 44100u);
        QCOMPARE(qFromLittleEndian<quint32>(p + 28), 176400u);
        QCOMPARE(qFromLittleEndian<quint16>(p + 32), quint16(4));
        QCOMPARE(qFromLittleEndian<quint16>(p + 34), quint16(16));
        QCOMPARE(h.mid(36, 4), QByteArray("data"));
        QCOMPARE(qFromLittleEndian<quint32>(p + 40), 46080000u);
        // An estimate past 4 GiB must not wrap around into a small size.
        const QByteArray huge = converter::WavWriter::header(44100, 2, quint64(5) << 30);
        QCOMPARE(qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(huge.constData()) + 4),
                 0xFFFFFFFFu);
    }

    // The estimate is what the header says while decoding; the end puts the true sizes there.
    void headerAfterStop()
    {
        Fixture f;
        const QString mp3 = f.path("long.mp3");
        QString log;
        QVERIFY2(test::encodeTone(mp3, 44100, 2, 44100 * 20, {"-b", "128"}, &log), qPrintable(log));
        QVERIFY(test::mpg123Reference(mp3, f.path("mpg123.wav"), &log));

        QFile input(mp3), output(f.path("stopped.WAV"));
        QVERIFY(input.open(QIODevice::ReadOnly));
        QVERIFY(output.open(QIODevice::WriteOnly));
        std::atomic<bool> stop{false};
        MadDecoding decoding(input, output, stop);
        QList<int> reported;
        decoding.onProgress = [&](int percent) {
            reported.append(percent);
            if (percent >= 30) stop = true;
        };
        const DecodeResult result = decoding.run();
        output.close();
        QVERIFY(result.stopped);
        QVERIFY(result.success);
        QCOMPARE(result.expectedDataSize,
                 MadDecoding::estimatedDataSize(QFileInfo(mp3).size(), 128000, 44100, 2));
        QCOMPARE(reported.last(), 30);
        for (qsizetype i = 1; i < reported.size(); ++i)
            QCOMPARE(reported[i], reported[i - 1] + 1);

        Pcm stopped, reference;
        QVERIFY(test::readWav(f.path("stopped.WAV"), stopped));
        QVERIFY(test::readWav(f.path("mpg123.wav"), reference));
        verifyHeaderMatchesFile(stopped);
        QCOMPARE(qint64(result.sampleFrames), stopped.frames());
        // Stopped right after the frame that reached 30 % of the estimate.
        const double written = double(44 + stopped.dataSize) / double(result.expectedDataSize) * 100;
        QVERIFY2(written >= 29.5 && written < 31, qPrintable(QString::number(written)));
        QVERIFY(stopped.frames() < reference.frames());
        QVERIFY(test::snr(reference.samples, 0, stopped.samples, 0, stopped.samples.size()) >= 60.0);
    }

    // A stretch of garbage in the middle loses the frames in it; the rest decodes as before.
    void damagedStretchIsSkipped()
    {
        Fixture f;
        const QString mp3 = f.path("damaged.mp3");
        QString log;
        const int frames = 44100 * 5;
        QVERIFY2(test::encodeTone(mp3, 44100, 2, frames, {"-b", "128"}, &log), qPrintable(log));
        QVERIFY(test::mpg123Reference(mp3, f.path("clean.wav"), &log));
        QByteArray bytes = test::readFile(mp3);
        std::mt19937 random(7);
        const qsizetype from = bytes.size() / 2, length = 4000; // about ten frames
        for (qsizetype i = from; i < from + length; ++i)
            bytes[i] = char(random());
        test::writeFile(mp3, bytes);

        const DecodeResult result = f.convert(mp3, f.path("damaged.WAV"));
        QVERIFY2(result.success, qPrintable(result.error));
        // The stream no longer has the frames its information frame counts: nothing is trimmed.
        QVERIFY(!result.trim.active);
        Pcm clean, damaged;
        QVERIFY(test::readWav(f.path("clean.wav"), clean));
        QVERIFY(test::readWav(f.path("damaged.WAV"), damaged));
        verifyHeaderMatchesFile(damaged);
        // What a gapless decoding of the undamaged file leaves out at either end.
        bytes.append(QByteArray(8, '\0'));
        const converter::InfoFrame info =
            MadDecoding::survey(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size() - 8).info;
        QVERIFY(info.hasLameExtension);
        const qint64 head = info.encoderDelay + 529, end = info.encoderPadding - 529;
        const qint64 lost = clean.frames() + head + end - damaged.frames();
        QVERIFY2(lost >= 8 * 1152 && lost <= 16 * 1152, qPrintable(QString::number(lost)));

        // Before the damage and after it, the samples are the clean decoding's.
        const size_t span = 44100 * 2;
        QVERIFY(test::snr(clean.samples, 0, damaged.samples, size_t(head) * 2, span) >= 60.0);
        QVERIFY(test::snr(clean.samples, clean.samples.size() - span, damaged.samples,
                          damaged.samples.size() - size_t(end) * 2 - span, span) >= 60.0);
    }

    // A disk that fills up: the worker still sends its done notice, with failure.
    void writeFailureEndsWithDone()
    {
        if (!QFileInfo::exists("/dev/full")) QSKIP("no /dev/full on this system");
        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        QVERIFY2(test::encodeTone(mp3, 44100, 2, 44100 * 3, {"-b", "128"}, &log), qPrintable(log));
        const DecodeResult result = f.convert(mp3, "/dev/full");
        QVERIFY(!result.success);
        QVERIFY2(result.error.contains("cannot write"), qPrintable(result.error));
    }

    void startFailures()
    {
        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        QVERIFY2(test::encodeTone(mp3, 44100, 2, 4410, {"-b", "128"}, &log), qPrintable(log));
        converter::TMP3ToWav job(*f.program->shell);
        QSignalSpy done(&job, &converter::TMP3ToWav::OnDone);
        job.InputFile = f.path("absent.mp3");
        job.OutputFile = f.path("out.WAV");
        QVERIFY(!job.Run());
        QVERIFY(!QFile::exists(f.path("out.WAV")));
        job.InputFile = mp3;
        job.OutputFile = f.path("no such folder/out.WAV");
        QVERIFY(!job.Run());
        // The input as its own output would be emptied before it is read.
        const QByteArray before = test::readFile(mp3);
        job.OutputFile = mp3;
        QVERIFY(!job.Run());
        QCOMPARE(test::readFile(mp3), before);
        QTest::qWait(50);
        QCOMPARE(done.count(), 0);
    }

    void infoFrame_data()
    {
        QTest::addColumn<QStringList>("lame");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("vbr");

        QTest::newRow("Info, MPEG-1 stereo") << QStringList{"-b", "128"} << 44100 << 2 << false;
        QTest::newRow("Info, MPEG-1 mono") << QStringList{"-b", "128"} << 44100 << 1 << false;
        QTest::newRow("Xing, MPEG-2 stereo") << QStringList{"-V", "2"} << 22050 << 2 << true;
        QTest::newRow("Info, MPEG-2 mono") << QStringList{"-b", "64"} << 22050 << 1 << false;
    }

    // The reader on real frames, and on one whose LAME extension was damaged.
    void infoFrame()
    {
        QFETCH(QStringList, lame);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(bool, vbr);
        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        const int frames = 30000;
        QVERIFY2(test::encodeTone(mp3, rate, channels, frames, lame, &log), qPrintable(log));
        QByteArray bytes = test::readFile(mp3);
        bytes.append(QByteArray(8, '\0'));
        const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
        const converter::StreamSurvey survey = MadDecoding::survey(data, bytes.size() - 8);
        QCOMPARE(survey.infoFrameOffset, 0);
        const converter::InfoFrame &info = survey.info;
        QCOMPARE(info.vbr, vbr);
        QVERIFY(info.hasFrameCount);
        QCOMPARE(quint64(info.frameCount), survey.audioFrames);
        QVERIFY2(info.hasLameExtension, qPrintable(info.errorString()));
        QVERIFY(info.encoder.startsWith("LAME"));
        const int samplesPerFrame = rate < 32000 ? 576 : 1152;
        QCOMPARE(qint64(info.frameCount) * samplesPerFrame - info.encoderDelay - info.encoderPadding,
                 qint64(frames));

        // A flipped bit in the extension: its CRC tells, and the delay is not trusted.
        const qsizetype at = bytes.indexOf("LAME");
        bytes[at + 21] = char(bytes[at + 21] ^ 0x10);
        const converter::StreamSurvey damaged = MadDecoding::survey(data, bytes.size() - 8);
        QCOMPARE(damaged.infoFrameOffset, 0);
        QVERIFY(!damaged.info.hasLameExtension);
        QVERIFY2(damaged.info.errorString().contains("CRC"), qPrintable(damaged.info.errorString()));
        QVERIFY(!damaged.trim.active);
    }

    void infoFrameRefusals_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("error");
        QByteArray zeros(417, '\0');
        QTest::newRow("audio frame") << zeros << "no Xing or Info tag at byte 36";
        QTest::newRow("too short") << QByteArray(30, '\0') << "too short";
        QByteArray fields = zeros;
        fields.replace(36, 8, QByteArray("Info\0\0\0\x0f", 8));
        fields.truncate(100);
        QTest::newRow("fields past the end") << fields << "pass the end";
    }

    void infoFrameRefusals()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, error);
        converter::InfoFrame info;
        QVERIFY(!info.read(reinterpret_cast<const uchar *>(frame.constData()), frame.size(), {true, false}));
        QVERIFY2(info.errorString().contains(error), qPrintable(info.errorString()));
    }

    void tags_data()
    {
        QTest::addColumn<bool>("tagged");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("album");
        QTest::newRow("ID3v2 in Cyrillic") << true << "Песня про зайцев"
                                           << "Бриллиантовая рука";
        QTest::newRow("no tag") << false << ""
                                << "";
    }

    void tags()
    {
        QFETCH(bool, tagged);
        QFETCH(QString, title);
        QFETCH(QString, album);
        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        QVERIFY2(test::encodeTone(mp3, 44100, 2, 4410, {"-b", "128"}, &log), qPrintable(log));
        if (tagged) QVERIFY(test::writeTags(mp3, title, album));
        converter::TMP3In reader;
        QVERIFY2(reader.open(mp3), qPrintable(reader.errorString()));
        QCOMPARE(reader.Title, title);
        QCOMPARE(reader.Album, album);
    }

    void noAudio_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("This is no MP3 file at all, only words.\n").repeated(100);
        QTest::newRow("a WAV") << test::toneWav(44100, 2, 1000);
    }

    void noAudio()
    {
        QFETCH(QByteArray, bytes);
        Fixture f;
        test::writeFile(f.path("x.mp3"), bytes);
        converter::TMP3In reader;
        QVERIFY(!reader.open(f.path("x.mp3")));
        QCOMPARE(reader.errorString(), QString("File has no audio"));
        QVERIFY(!reader.open(f.path("absent.mp3")));
        QCOMPARE(reader.errorString(), QString("File has no audio"));
    }
};

QTEST_GUILESS_MAIN(TestMp3Decoding)
#include "tst_mp3_decoding.moc"
