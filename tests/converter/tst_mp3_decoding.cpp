// MP3 to WAV with libmad on files lame and ffmpeg make during the run, against mpg123's decoding
// of the same files: gapless length, samples, the WAV header, stop, damage, write failures, and
// the title and album in each tag form.
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
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QStringList>("options"); // the encoder's
        QTest::addColumn<bool>("tagged");
        QTest::addColumn<bool>("gapless"); // the WAV holds exactly the tone

        QTest::newRow("stereo 44100 CBR 128, tagged")
            << "lame" << 44100 << 2 << 100003 << QStringList{"-b", "128"} << true << true;
        QTest::newRow("mono 44100 CBR 96")
            << "lame" << 44100 << 1 << 77777 << QStringList{"-b", "96"} << false << true;
        QTest::newRow("stereo 22050 CBR 64")
            << "lame" << 22050 << 2 << 50001 << QStringList{"-b", "64"} << false << true;
        QTest::newRow("mono 22050 CBR 64, tagged")
            << "lame" << 22050 << 1 << 40000 << QStringList{"-b", "64"} << true << true;
        QTest::newRow("stereo 44100 VBR (Xing)")
            << "lame" << 44100 << 2 << 90000 << QStringList{"-V", "4"} << false << true;
        QTest::newRow("CRC-protected frames")
            << "lame" << 44100 << 2 << 60000 << QStringList{"-p", "-b", "128"} << false << true;
        QTest::newRow("shorter than one frame")
            << "lame" << 44100 << 2 << 500 << QStringList{"-b", "128"} << false << true;
        // Every decoded frame is kept: the last one too, which needs the guard bytes.
        QTest::newRow("no information frame (-t)")
            << "lame" << 44100 << 2 << 100003 << QStringList{"-t", "-b", "128"} << false << false;
        QTest::newRow("mono 22050 at 32: no room for the tag")
            << "lame" << 22050 << 1 << 40000 << QStringList{"-b", "32"} << true << false;

        // ffmpeg's LAME extension has a CRC that checks out only in MPEG-1 stereo; its delay and
        // padding hold all the same. A 3.3 s tone in each MPEG version, mono and stereo, CBR and VBR.
        const struct
        {
            const char *version;
            int rate;
            bool vbr;
        } streams[] = {{"MPEG-1", 44100, false}, {"MPEG-1", 48000, true},   {"MPEG-2", 22050, false},
                       {"MPEG-2", 24000, true},  {"MPEG-2.5", 8000, false}, {"MPEG-2.5", 11025, true}};
        for (const auto &[version, rate, vbr] : streams) {
            for (const int channels : {1, 2}) {
                const QStringList options =
                    vbr ? QStringList{"-q:a", "4"} : QStringList{"-b:a", rate > 32000 ? "128k" : "32k"};
                QTest::addRow("ffmpeg %s %d %s %s", version, rate, channels == 1 ? "mono" : "stereo",
                              vbr ? "VBR" : "CBR")
                    << "ffmpeg" << rate << channels << rate * 33 / 10 << options << false << true;
            }
        }
    }

    void decodesLikeMpg123()
    {
        QFETCH(QString, encoder);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, frames);
        QFETCH(QStringList, options);
        QFETCH(bool, tagged);
        QFETCH(bool, gapless);

        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        QVERIFY2(test::encodeToneWith(encoder, mp3, rate, channels, frames, options, &log), qPrintable(log));
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
        const qint64 mpg123Frames = reference.dataSize / reference.blockAlign;
        qInfo("%s: Tolvex %llu, mpg123 %lld sample frames", QTest::currentDataTag(), result.sampleFrames,
              mpg123Frames);
        QCOMPARE(qint64(result.sampleFrames), mpg123Frames);
        QCOMPARE(actual.frames(), mpg123Frames);
        if (gapless)
            QCOMPARE(actual.frames(), qint64(frames));
        else // whole frames: 1152 sample frames in MPEG-1, 576 below 32 kHz
            QCOMPARE(actual.frames() % (rate < 32000 ? 576 : 1152), 0);
        QCOMPARE(bestShift(reference, actual), 0);
        const double agreement = test::snr(reference.samples, 0, actual.samples, 0, actual.samples.size());
        QVERIFY2(agreement >= 60.0, qPrintable(QString("SNR %1 dB").arg(agreement)));
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
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("vbr");
        QTest::addColumn<bool>("crcAgrees");

        QTest::newRow("lame Info, MPEG-1 stereo")
            << "lame" << QStringList{"-b", "128"} << 44100 << 2 << false << true;
        QTest::newRow("lame Info, MPEG-1 mono")
            << "lame" << QStringList{"-b", "128"} << 44100 << 1 << false << true;
        QTest::newRow("lame Xing, MPEG-2 stereo")
            << "lame" << QStringList{"-V", "2"} << 22050 << 2 << true << true;
        QTest::newRow("lame Info, MPEG-2 mono")
            << "lame" << QStringList{"-b", "64"} << 22050 << 1 << false << true;
        QTest::newRow("ffmpeg Info, MPEG-1 stereo")
            << "ffmpeg" << QStringList{"-b:a", "128k"} << 44100 << 2 << false << true;
        QTest::newRow("ffmpeg Info, MPEG-1 mono")
            << "ffmpeg" << QStringList{"-b:a", "128k"} << 44100 << 1 << false << false;
        QTest::newRow("ffmpeg Xing, MPEG-2 stereo")
            << "ffmpeg" << QStringList{"-q:a", "4"} << 22050 << 2 << true << false;
        QTest::newRow("ffmpeg Info, MPEG-2.5 mono")
            << "ffmpeg" << QStringList{"-b:a", "32k"} << 8000 << 1 << false << false;
    }

    // The reader on real frames, and on one whose LAME extension was damaged.
    void infoFrame()
    {
        QFETCH(QString, encoder);
        QFETCH(QStringList, options);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(bool, vbr);
        QFETCH(bool, crcAgrees);
        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        const int frames = 30000;
        QVERIFY2(test::encodeToneWith(encoder, mp3, rate, channels, frames, options, &log), qPrintable(log));
        QByteArray bytes = test::readFile(mp3);
        bytes.append(QByteArray(8, '\0'));
        const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
        const converter::StreamSurvey survey = MadDecoding::survey(data, bytes.size() - 8);
        QCOMPARE(survey.infoFrameOffset, survey.audioStart); // ffmpeg puts an ID3v2 tag first
        const converter::InfoFrame &info = survey.info;
        QCOMPARE(info.vbr, vbr);
        QVERIFY(info.hasFrameCount);
        QCOMPARE(quint64(info.frameCount), survey.audioFrames);
        QVERIFY2(info.hasLameExtension, qPrintable(info.errorString()));
        QVERIFY(info.encoder.startsWith(encoder == "ffmpeg" ? "Lavc" : "LAME"));
        QCOMPARE(info.crcMatches, crcAgrees);
        if (!crcAgrees) QVERIFY2(info.errorString().contains("CRC"), qPrintable(info.errorString()));
        QVERIFY(survey.trim.active);
        const int samplesPerFrame = rate < 32000 ? 576 : 1152;
        QCOMPARE(qint64(info.frameCount) * samplesPerFrame - info.encoderDelay - info.encoderPadding,
                 qint64(frames));

        // A flipped bit in the delay: the CRC tells, yet the frame count still agrees, so the delay
        // is taken as written, 256 sample frames more, as mpg123 takes it.
        const qsizetype at = bytes.indexOf(encoder == "ffmpeg" ? "Lavc" : "LAME");
        bytes[at + 21] = char(bytes[at + 21] ^ 0x10);
        const converter::StreamSurvey damaged = MadDecoding::survey(data, bytes.size() - 8);
        QVERIFY(damaged.info.hasLameExtension);
        QVERIFY(!damaged.info.crcMatches);
        QCOMPARE(qAbs(damaged.info.encoderDelay - info.encoderDelay), 256);
        QVERIFY(damaged.trim.active);
        const QString damagedMp3 = f.path("damaged.mp3");
        test::writeFile(damagedMp3, bytes.chopped(8));
        QVERIFY2(test::mpg123Reference(damagedMp3, f.path("mpg123.wav"), &log), qPrintable(log));
        Pcm reference;
        QVERIFY(test::readWav(f.path("mpg123.wav"), reference));
        const DecodeResult result = f.convert(damagedMp3, f.path("damaged.WAV"));
        QVERIFY2(result.success, qPrintable(result.error));
        QCOMPARE(qint64(result.sampleFrames), reference.dataSize / reference.blockAlign);
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
        using test::TagKind;
        QTest::addColumn<TagKind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("album");
        QTest::newRow("ID3v1, Windows-1251") << TagKind::Id3v1 << "Песня"
                                             << "Бриллиантовая рука";
        QTest::newRow("ID3v1, fields filled to the last byte")
            << TagKind::Id3v1 << QString("Ж").repeated(30) << QString("Ёё").repeated(15);
        QTest::newRow("ID3v2.3, Latin-1 frames of Windows-1251 bytes")
            << TagKind::Id3v23Latin1 << "Песня про зайцев"
            << "Бриллиантовая рука";
        QTest::newRow("ID3v2.3, UTF-16") << TagKind::Id3v23Utf16 << "Ёлочка, гори!"
                                         << "Новогодние песни";
        QTest::newRow("ID3v2.4, UTF-8") << TagKind::Id3v24Utf8 << "Катюша"
                                        << "Песни военных лет";
        QTest::newRow("ID3v2.4 as TagLib writes it") << TagKind::TagLibId3v2 << "Подмосковные вечера"
                                                     << "Лучшее";
        QTest::newRow("APE") << TagKind::Ape << "Калинка"
                             << "Народные";
        QTest::newRow("ID3v1, plain ASCII") << TagKind::Id3v1 << "Yesterday"
                                            << "Help!";
        QTest::newRow("ID3v2.3 Latin-1, plain ASCII") << TagKind::Id3v23Latin1 << "Let It Be"
                                                      << "Past Masters";
        QTest::newRow("no tag") << TagKind::None << ""
                                << "";
    }

    void tags()
    {
        QFETCH(test::TagKind, kind);
        QFETCH(QString, title);
        QFETCH(QString, album);
        // The bytes a Russian Windows writes.
        QCOMPARE(test::windows1251("Песня"), QByteArray("\xCF\xE5\xF1\xED\xFF"));
        Fixture f;
        const QString mp3 = f.path("tone.mp3");
        QString log;
        QVERIFY2(test::encodeTone(mp3, 44100, 2, 4410, {"-b", "128"}, &log), qPrintable(log));
        QVERIFY(test::tagAs(kind, mp3, title, album));
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
