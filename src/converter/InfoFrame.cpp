#include "InfoFrame.h"

#include <QtEndian>

#include <cstring>

namespace tolvex::converter {

namespace {

constexpr quint32 framesFlag = 0x1, bytesFlag = 0x2, tocFlag = 0x4, qualityFlag = 0x8;
constexpr qsizetype lameExtensionSize = 36;
constexpr qsizetype lameCrcOffset = 34;

} // namespace

quint16 InfoFrame::crc16(const uchar *data, qsizetype length)
{
    quint16 crc = 0;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

bool InfoFrame::read(const uchar *frame, qsizetype length, Layout layout)
{
    *this = InfoFrame{};
    // The tag follows the side information, which is all zero in such a frame. Encoders leave a
    // header's CRC out of that count, and so do decoders.
    const qsizetype sideInfo = layout.mpeg1 ? (layout.mono ? 17 : 32) : (layout.mono ? 9 : 17);
    qsizetype at = 4 + sideInfo;
    if (length < at + 8) {
        m_error = QStringLiteral("the frame of %1 bytes is too short for a Xing or Info tag").arg(length);
        return false;
    }
    if (memcmp(frame + at, "Xing", 4) == 0) {
        vbr = true;
    } else if (memcmp(frame + at, "Info", 4) != 0) {
        m_error = QStringLiteral("no Xing or Info tag at byte %1").arg(at);
        return false;
    }
    const quint32 flags = qFromBigEndian<quint32>(frame + at + 4);
    at += 8;
    const qsizetype fields = ((flags & framesFlag) ? 4 : 0) + ((flags & bytesFlag) ? 4 : 0) +
                             ((flags & tocFlag) ? 100 : 0) + ((flags & qualityFlag) ? 4 : 0);
    if (length < at + fields) {
        m_error = QStringLiteral("the tag's fields (flags %1) pass the end of the %2-byte frame")
                      .arg(flags)
                      .arg(length);
        return false;
    }
    if (flags & framesFlag) {
        hasFrameCount = true;
        frameCount = qFromBigEndian<quint32>(frame + at);
    }
    readLameExtension(frame, length, at + fields);
    return true;
}

void InfoFrame::readLameExtension(const uchar *frame, qsizetype length, qsizetype at)
{
    if (length < at + lameExtensionSize) {
        m_error = QStringLiteral("no room for a LAME extension after byte %1").arg(at);
        return;
    }
    const uchar *ext = frame + at;
    // An encoder that leaves the extension out leaves zeros, or the start of the padding.
    for (int i = 0; i < 4; ++i) {
        if (ext[i] < 0x20 || ext[i] > 0x7e) {
            m_error = QStringLiteral("no LAME extension: no encoder name at byte %1").arg(at);
            return;
        }
    }
    // The CRC ffmpeg writes checks out only in MPEG-1 stereo frames. So a CRC that disagrees is
    // only reported: the frame count, checked against the stream, decides.
    const quint16 stored = qFromBigEndian<quint16>(ext + lameCrcOffset);
    const quint16 computed = crc16(frame, at + lameCrcOffset);
    crcMatches = stored == computed;
    if (!crcMatches)
        m_error = QStringLiteral("the LAME extension's CRC is %1, its bytes give %2")
                      .arg(stored, 4, 16, QLatin1Char('0'))
                      .arg(computed, 4, 16, QLatin1Char('0'));
    qsizetype nameLength = 0;
    while (nameLength < 9 && ext[nameLength] >= 0x20 && ext[nameLength] <= 0x7e)
        ++nameLength;
    encoder = QString::fromLatin1(reinterpret_cast<const char *>(ext), nameLength);
    encoderDelay = (ext[21] << 4) | (ext[22] >> 4);
    encoderPadding = ((ext[22] & 0x0f) << 8) | ext[23];
    hasLameExtension = true;
}

} // namespace tolvex::converter
