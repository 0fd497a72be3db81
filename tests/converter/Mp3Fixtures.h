#pragma once

// MP3 files made during the test run: a tone written here as WAV, encoded by lame, and the
// reference decoding by mpg123 -w.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <QtGlobal>

#include <id3v2tag.h>
#include <mpegfile.h>

#include <cmath>
#include <vector>

namespace tolvex::test {

struct Pcm
{
    int rate = 0;
    int channels = 0;
    quint32 riffSize = 0; // as the header says
    quint32 dataSize = 0;
    qint64 fileSize = 0;
    std::vector<qint16> samples; // interleaved
    qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
};

// A different tone on each channel, so that swapped or dropped channels show.
inline QByteArray toneWav(int rate, int channels, qint64 frames)
{
    QByteArray data(frames * channels * 2, '\0');
    auto *out = reinterpret_cast<qint16 *>(data.data());
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        for (int c = 0; c < channels; ++c) {
            const double f = c == 0 ? 440.0 : 660.0;
            out[i * channels + c] = qToLittleEndian(
                qint16(std::lround(9000 * std::sin(2 * M_PI * f * t) + 3000 * std::sin(2 * M_PI * 97 * t))));
        }
    }
    QByteArray wav("RIFF");
    auto put32 = [&wav](quint32 v) { wav.append(reinterpret_cast<const char *>(&v), 4); };
    auto put16 = [&wav](quint16 v) { wav.append(reinterpret_cast<const char *>(&v), 2); };
    put32(quint32(36 + data.size()));
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(quint16(channels));
    put32(quint32(rate));
    put32(quint32(rate * channels * 2));
    put16(quint16(channels * 2));
    put16(16);
    wav.append("data");
    put32(quint32(data.size()));
    return wav + data;
}

// Reads a canonical 44-byte-header WAV as written by this program and by mpg123.
inline bool readWav(const QString &path, Pcm &pcm, QString *why = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (why) *why = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    pcm = Pcm{};
    pcm.fileSize = bytes.size();
    if (bytes.size() < 44 || !bytes.startsWith("RIFF") || bytes.mid(8, 8) != "WAVEfmt " ||
        bytes.mid(36, 4) != "data") {
        if (why) *why = QStringLiteral("not a 44-byte-header WAV");
        return false;
    }
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    pcm.riffSize = qFromLittleEndian<quint32>(p + 4);
    pcm.channels = qFromLittleEndian<quint16>(p + 22);
    pcm.rate = int(qFromLittleEndian<quint32>(p + 24));
    pcm.dataSize = qFromLittleEndian<quint32>(p + 40);
    const qsizetype count = qMin<qsizetype>(pcm.dataSize, bytes.size() - 44) / 2;
    pcm.samples.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        pcm.samples[size_t(i)] = qFromLittleEndian<qint16>(p + 44 + 2 * i);
    return true;
}

inline bool runTool(const QString &program, const QStringList &args, QString *output = nullptr)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        if (output) *output = program + QStringLiteral(" is not installed");
        return false;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(path, args);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output) *output = QString::fromLocal8Bit(p.readAll());
    return ok;
}

// lame's options as given, for example {"-b", "128"}; the tone's WAV is written beside.
inline bool encodeTone(const QString &mp3, int rate, int channels, qint64 frames, const QStringList &options,
                       QString *output = nullptr)
{
    const QString wav = mp3 + QStringLiteral(".tone.wav");
    QFile file(wav);
    if (!file.open(QIODevice::WriteOnly) || file.write(toneWav(rate, channels, frames)) < 0) return false;
    file.close();
    return runTool(QStringLiteral("lame"),
                   QStringList{QStringLiteral("--quiet")} + options + QStringList{wav, mp3}, output);
}

inline bool mpg123Reference(const QString &mp3, const QString &wav, QString *output = nullptr)
{
    return runTool(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-w"), wav, mp3}, output);
}

inline bool writeTags(const QString &mp3, const QString &title, const QString &album)
{
    TagLib::MPEG::File file(QFile::encodeName(mp3).constData());
    if (!file.isValid()) return false;
    TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
    tag->setTitle(TagLib::String(title.toStdWString()));
    tag->setAlbum(TagLib::String(album.toStdWString()));
    return file.save();
}

// Signal to noise of `actual` against `reference`, over the samples both have, in dB.
inline double snr(const std::vector<qint16> &reference, size_t referenceStart,
                  const std::vector<qint16> &actual, size_t actualStart, size_t count)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < count; ++i) {
        const double r = reference[referenceStart + i], a = actual[actualStart + i];
        signal += r * r;
        noise += (r - a) * (r - a);
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

} // namespace tolvex::test
