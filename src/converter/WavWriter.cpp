#include "WavWriter.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace tolvex::converter {

namespace {

void put32(char *at, quint32 value)
{
    qToLittleEndian(value, at);
}
void put16(char *at, quint16 value)
{
    qToLittleEndian(value, at);
}

} // namespace

QByteArray WavWriter::header(int sampleRate, int channels, quint64 dataSize)
{
    const quint32 data = quint32(qMin(dataSize, maximumDataSize));
    QByteArray h(44, '\0');
    char *p = h.data();
    memcpy(p, "RIFF", 4);
    put32(p + 4, data + 36);
    memcpy(p + 8, "WAVEfmt ", 8);
    put32(p + 16, 16);
    put16(p + 20, 1);
    put16(p + 22, quint16(channels));
    put32(p + 24, quint32(sampleRate));
    put32(p + 28, quint32(sampleRate) * quint32(channels) * 2);
    put16(p + 32, quint16(channels * 2));
    put16(p + 34, 16);
    memcpy(p + 36, "data", 4);
    put32(p + 40, data);
    return h;
}

bool WavWriter::fail(const QString &error)
{
    if (m_error.isEmpty()) m_error = error;
    return false;
}

bool WavWriter::writeHeader(int sampleRate, int channels, quint64 expectedDataSize)
{
    if (channels < 1 || channels > 2 || sampleRate <= 0)
        return fail(QStringLiteral("unsupported format: %1 Hz, %2 channels").arg(sampleRate).arg(channels));
    m_channels = channels;
    if (m_device.write(header(sampleRate, channels, expectedDataSize)) != 44)
        return fail(QStringLiteral("cannot write the WAV header: ") + m_device.errorString());
    m_headerWritten = true;
    return true;
}

bool WavWriter::writeSamples(const qint16 *samples, qsizetype count)
{
    if (!m_error.isEmpty()) return false;
    if (!m_headerWritten) return fail(QStringLiteral("samples before the WAV header"));
    const quint64 bytes = quint64(count) * 2;
    if (m_dataBytes + bytes > maximumDataSize)
        return fail(
            QStringLiteral("the WAV data would pass the format's limit of %1 bytes").arg(maximumDataSize));
    // The samples are host-order; WAV is little-endian, like every host this is built for.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
    const qint64 written = m_device.write(reinterpret_cast<const char *>(samples), qint64(bytes));
    if (written != qint64(bytes)) {
        if (written > 0) m_dataBytes += quint64(written) & ~quint64(2 * m_channels - 1);
        return fail(QStringLiteral("cannot write the samples at byte %1: %2")
                        .arg(44 + m_dataBytes)
                        .arg(m_device.errorString()));
    }
    m_dataBytes += bytes;
    return true;
}

bool WavWriter::finish()
{
    if (!m_headerWritten) return fail(QStringLiteral("no WAV header was written"));
    const qint64 end = m_device.pos();
    char sizes[4];
    bool ok = true;
    put32(sizes, quint32(m_dataBytes + 36));
    ok = ok && m_device.seek(4) && m_device.write(sizes, 4) == 4;
    put32(sizes, quint32(m_dataBytes));
    ok = ok && m_device.seek(40) && m_device.write(sizes, 4) == 4;
    ok = ok && m_device.seek(end);
    if (!ok) return fail(QStringLiteral("cannot rewrite the WAV sizes: ") + m_device.errorString());
    return true;
}

} // namespace tolvex::converter
