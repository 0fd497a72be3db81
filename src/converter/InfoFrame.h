#pragma once

#include <QString>
#include <QtGlobal>

namespace tolvex::converter {

// The first frame of an MP3 that LAME and its kin write in place of audio: "Xing" (VBR) or "Info"
// (CBR), with the stream's frame count, and in the LAME extension the encoder delay and padding
// that gapless decoding leaves out.
class InfoFrame
{
public:
    // How the frame is laid out, as its header says.
    struct Layout
    {
        bool mpeg1 = true; // false for MPEG-2 and 2.5
        bool mono = false;
    };

    // Reads the frame; false when it is no information frame, with the reason in errorString().
    // A missing LAME extension, or one whose CRC disagrees, is reported there too, but the frame
    // then still counts as read.
    bool read(const uchar *frame, qsizetype length, Layout layout);

    bool vbr = false; // "Xing" rather than "Info"
    bool hasFrameCount = false;
    quint32 frameCount = 0; // audio frames, this one not included
    bool hasLameExtension = false;
    QString encoder;        // up to 9 characters, as "LAME3.100"
    int encoderDelay = 0;   // sample frames the encoder put before the music
    int encoderPadding = 0; // and after it
    bool crcMatches = false; // the extension's own CRC agrees with its bytes

    QString errorString() const { return m_error; }

    // CRC-16 (polynomial 0x8005, reflected, start 0) as the LAME extension's own check uses.
    static quint16 crc16(const uchar *data, qsizetype length);

private:
    void readLameExtension(const uchar *frame, qsizetype length, qsizetype at);

    QString m_error;
};

} // namespace tolvex::converter
