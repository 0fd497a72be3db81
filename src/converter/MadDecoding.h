#pragma once

#include "InfoFrame.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>

class QIODevice;

namespace tolvex::converter {

// The silence an encoder adds that gapless decoding leaves out, in sample frames.
struct GaplessTrim
{
    bool active = false;
    int start = 0; // encoder delay + the synthesis filter's own delay
    int end = 0;   // padding - the filter's delay, never below 0
};

// What one file's decoding did.
struct DecodeResult
{
    bool success = false; // a frame was decoded and everything decoded was written
    bool stopped = false;
    quint64 framesDecoded = 0;    // the information frame included
    quint64 sampleFrames = 0;     // in the WAV
    quint64 expectedDataSize = 0; // the header's estimate, which drives the progress
    GaplessTrim trim;
    QString error;
};

// What a stream holds before any of it is decoded: its information frame and the frames after it.
struct StreamSurvey
{
    qsizetype audioStart = 0;       // past an ID3v2 tag
    qsizetype infoFrameOffset = -1; // from the start of the data, -1 without one
    InfoFrame info;
    quint64 audioFrames = 0;
    GaplessTrim trim;
};

// Decodes one MP3 file to a 16-bit PCM WAV file with libmad's synchronous decoder, on the calling
// thread. The whole input is read into memory first.
class MadDecoding
{
public:
    // The delay of layer III synthesis, which the encoder's delay does not include.
    static constexpr int synthesisDelay = 529;

    MadDecoding(QIODevice &input, QIODevice &output, const std::atomic<bool> &stop)
        : m_input(input), m_output(output), m_stop(stop)
    {
    }

    // Percent of the expected size written, each time it changes; called on the decoding thread.
    std::function<void(int)> onProgress;

    DecodeResult run();

    // The PCM size the header announces, from the input's size and its first frame.
    static quint64 estimatedDataSize(quint64 fileSize, unsigned long bitRate, unsigned sampleRate,
                                     int channels);
    // `data` must be followed by MAD_BUFFER_GUARD readable bytes.
    static StreamSurvey survey(const uchar *data, qsizetype length);

private:
    QIODevice &m_input;
    QIODevice &m_output;
    const std::atomic<bool> &m_stop;
};

} // namespace tolvex::converter
