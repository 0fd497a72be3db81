#pragma once

// MP3 files made during the test run: a tone written here as WAV, encoded by lame or ffmpeg, and
// the reference decoding by mpg123 -w; tags written by TagLib, or byte by byte where TagLib would
// not write them as Windows programs did.
#include <QByteArray>
#include <QFile>
#include <QMetaType>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <QtEndian>
#include <QtGlobal>

#include <apetag.h>
#include <id3v2tag.h>
#include <mpegfile.h>

#include <cmath>
#include <vector>

namespace tolvex::test {

struct Pcm
{
    int rate = 0;
    int channels = 0;
    int blockAlign = 0;
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
    pcm.blockAlign = qFromLittleEndian<quint16>(p + 32);
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

// The same tone through ffmpeg's MP3 writer (libmp3lame), with ffmpeg's options, for example
// {"-b:a", "128k"}.
inline bool encodeToneWithFfmpeg(const QString &mp3, int rate, int channels, qint64 frames,
                                 const QStringList &options, QString *output = nullptr)
{
    const QString wav = mp3 + QStringLiteral(".tone.wav");
    QFile file(wav);
    if (!file.open(QIODevice::WriteOnly) || file.write(toneWav(rate, channels, frames)) < 0) return false;
    file.close();
    return runTool(QStringLiteral("ffmpeg"),
                   QStringList{"-nostdin", "-v", "error", "-y", "-i", wav, "-c:a", "libmp3lame"} + options +
                       QStringList{mp3},
                   output);
}

// "lame" or "ffmpeg", with that encoder's options.
inline bool encodeToneWith(const QString &encoder, const QString &mp3, int rate, int channels, qint64 frames,
                           const QStringList &options, QString *output = nullptr)
{
    return encoder == QStringLiteral("ffmpeg")
               ? encodeToneWithFfmpeg(mp3, rate, channels, frames, options, output)
               : encodeTone(mp3, rate, channels, frames, options, output);
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

enum class TagKind {
    None,
    TagLibId3v2,  // as TagLib writes it: ID3v2.4, UTF-8 where Latin-1 does not do
    Id3v1,        // Windows-1251 bytes, as Windows programs wrote them
    Id3v23Latin1, // frames marked Latin-1 that hold Windows-1251 bytes
    Id3v23Utf16,  // with a byte-order mark
    Id3v24Utf8,   // ID3v2.4 in UTF-8
    Ape,          // UTF-8 always
};

inline QByteArray windows1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

// An ID3v1 tag with the given field bytes, each padded with zeros; no genre.
inline QByteArray id3v1Tag(const QByteArray &title, const QByteArray &album)
{
    const auto field = [](const QByteArray &bytes, qsizetype size) {
        return bytes.left(size) + QByteArray(size - qMin(size, bytes.size()), '\0');
    };
    return "TAG" + field(title, 30) + field({}, 30) + field(album, 30) + field({}, 4) + field({}, 30) +
           "\xff";
}

inline QByteArray synchsafe(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (21 - 7 * i)) & 0x7f);
    return bytes;
}

// An ID3v2.3 or 2.4 tag of text frames, each given as its identifier and its bytes after the
// encoding byte.
inline QByteArray id3v2Tag(int version, char encoding, const QList<std::pair<QByteArray, QByteArray>> &frames)
{
    QByteArray body;
    for (const auto &[id, text] : frames) {
        const QByteArray content = encoding + text;
        body += id;
        if (version == 4) {
            body += synchsafe(quint32(content.size()));
        } else {
            const quint32 size = qToBigEndian(quint32(content.size()));
            body.append(reinterpret_cast<const char *>(&size), 4);
        }
        body += QByteArray(2, '\0') + content;
    }
    QByteArray header("ID3");
    header += char(version);
    header += QByteArray(2, '\0') + synchsafe(quint32(body.size()));
    return header + body;
}

inline QByteArray utf16WithMark(const QString &text)
{
    QByteArray bytes("\xff\xfe");
    for (const QChar c : text) {
        const quint16 unit = qToLittleEndian(c.unicode());
        bytes.append(reinterpret_cast<const char *>(&unit), 2);
    }
    return bytes;
}

// Tags the file with a title and an album in the form given.
inline bool tagAs(TagKind kind, const QString &mp3, const QString &title, const QString &album)
{
    if (kind == TagKind::None) return true;
    if (kind == TagKind::TagLibId3v2) return writeTags(mp3, title, album);
    if (kind == TagKind::Ape) {
        TagLib::MPEG::File file(QFile::encodeName(mp3).constData());
        if (!file.isValid()) return false;
        TagLib::APE::Tag *tag = file.APETag(true);
        tag->setTitle(TagLib::String(title.toStdWString()));
        tag->setAlbum(TagLib::String(album.toStdWString()));
        return file.save(TagLib::MPEG::File::APE);
    }
    QFile file(mp3);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QByteArray bytes = file.readAll();
    file.close();
    switch (kind) {
    case TagKind::Id3v1:
        bytes += id3v1Tag(windows1251(title), windows1251(album));
        break;
    case TagKind::Id3v23Latin1:
        bytes.prepend(id3v2Tag(3, 0, {{"TIT2", windows1251(title)}, {"TALB", windows1251(album)}}));
        break;
    case TagKind::Id3v23Utf16:
        bytes.prepend(id3v2Tag(3, 1, {{"TIT2", utf16WithMark(title)}, {"TALB", utf16WithMark(album)}}));
        break;
    case TagKind::Id3v24Utf8:
        bytes.prepend(id3v2Tag(4, 3, {{"TIT2", title.toUtf8()}, {"TALB", album.toUtf8()}}));
        break;
    default:
        return false;
    }
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
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

Q_DECLARE_METATYPE(tolvex::test::TagKind)
