// Any bytes as an MP3 file handed to the converter: the tag reader, the information-frame survey
// and the decoding loop must not crash, and whatever WAV comes out has sizes that match its length.
#include "MadDecoding.h"
#include "TMP3In.h"

#include <QBuffer>
#include <QtEndian>

#include <mad.h>

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

using namespace tolvex::converter;

namespace {

// TagLib reads a path; one memory file, rewritten for each input, keeps the disk out of the loop.
const QString &tagFilePath()
{
    static const QString path = [] {
        const int fd = memfd_create("mp3-fuzz", 0);
        if (fd < 0) std::abort();
        return QStringLiteral("/proc/self/fd/%1").arg(fd);
    }();
    return path;
}

void readTags(const uint8_t *data, size_t size)
{
    const int fd = tagFilePath().section(QLatin1Char('/'), -1).toInt();
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) std::abort();
    TMP3In tags;
    if (!tags.open(tagFilePath()) && tags.errorString().isEmpty()) std::abort();
}

void checkWav(const QByteArray &wav, const DecodeResult &result)
{
    if (wav.isEmpty()) {
        if (result.success || result.sampleFrames != 0) std::abort();
        return;
    }
    if (wav.size() < 44 || !wav.startsWith("RIFF") || wav.mid(8, 8) != "WAVEfmt ") std::abort();
    const auto *bytes = reinterpret_cast<const uchar *>(wav.constData());
    const quint32 riffSize = qFromLittleEndian<quint32>(bytes + 4);
    const quint32 dataSize = qFromLittleEndian<quint32>(bytes + 40);
    const quint16 channels = qFromLittleEndian<quint16>(bytes + 22);
    if (riffSize != quint32(wav.size() - 8) || dataSize != quint32(wav.size() - 44)) std::abort();
    if (channels < 1 || channels > 2 || dataSize % (2 * channels) != 0) std::abort();
    if (result.sampleFrames != dataSize / (2 * channels)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    readTags(data, size);

    // The survey reads past the data as far as libmad's guard, as the decoder gives it.
    QByteArray guarded(reinterpret_cast<const char *>(data), qsizetype(size));
    guarded.append(QByteArray(MAD_BUFFER_GUARD, '\0'));
    const StreamSurvey survey =
        MadDecoding::survey(reinterpret_cast<const uchar *>(guarded.constData()), qsizetype(size));
    if (survey.audioStart < 0 || survey.audioStart > qsizetype(size)) std::abort();
    if (survey.trim.active && (survey.trim.start < MadDecoding::synthesisDelay || survey.trim.end < 0))
        std::abort();

    QByteArray inputBytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer input(&inputBytes);
    input.open(QIODevice::ReadOnly);
    QByteArray wav;
    QBuffer output(&wav);
    output.open(QIODevice::ReadWrite);
    const std::atomic<bool> stop{false};
    MadDecoding decoding(input, output, stop);
    decoding.onProgress = [](int percent) {
        if (percent < 0) std::abort();
    };
    const DecodeResult result = decoding.run();
    checkWav(wav, result);
    return 0;
}
