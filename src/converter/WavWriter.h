#pragma once

#include <QString>
#include <QtGlobal>

class QIODevice;

namespace tolvex::converter {

// A 16-bit PCM WAV file: the 44-byte header with the sizes expected, then the samples. finish()
// puts the sizes actually written into the header, so that a file cut short is still valid.
class WavWriter
{
public:
    // What a RIFF file's 32-bit sizes can hold as sample data.
    static constexpr quint64 maximumDataSize = 0xFFFFFFFFu - 36;

    // 44 bytes, little-endian; `dataSize` is limited to what the format can hold.
    static QByteArray header(int sampleRate, int channels, quint64 dataSize);

    explicit WavWriter(QIODevice &device) : m_device(device) {}

    bool writeHeader(int sampleRate, int channels, quint64 expectedDataSize);
    // Interleaved samples; false once a write failed or the data would not fit the format.
    bool writeSamples(const qint16 *samples, qsizetype count);
    // Rewrites the two sizes to what was written. The device stays open.
    bool finish();

    quint64 dataBytes() const { return m_dataBytes; }
    quint64 sampleFrames() const { return m_channels ? m_dataBytes / (2 * quint64(m_channels)) : 0; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &error);

    QIODevice &m_device;
    int m_channels = 0;
    bool m_headerWritten = false;
    quint64 m_dataBytes = 0;
    QString m_error;
};

} // namespace tolvex::converter
