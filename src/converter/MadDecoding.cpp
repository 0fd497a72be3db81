#include "MadDecoding.h"

#include "WavWriter.h"

#include <QIODevice>

#include <id3v2header.h>
#include <mad.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tolvex::converter {

namespace {

// Samples gathered before they go to the file, so that writes are large.
constexpr qsizetype flushSamples = 1 << 16;

qsizetype id3v2Length(const uchar *data, qsizetype length)
{
    if (length < qsizetype(TagLib::ID3v2::Header::size()) || memcmp(data, "ID3", 3) != 0) return 0;
    const TagLib::ID3v2::Header header(
        TagLib::ByteVector(reinterpret_cast<const char *>(data), TagLib::ID3v2::Header::size()));
    return qMin(qsizetype(header.completeTagSize()), length);
}

InfoFrame::Layout layoutOf(const mad_header &header)
{
    return {!(header.flags & MAD_FLAG_LSF_EXT), header.mode == MAD_MODE_SINGLE_CHANNEL};
}

qint16 toSample(mad_fixed_t value)
{
    if (value >= MAD_F_ONE)
        value = MAD_F_ONE - 1;
    else if (value < -MAD_F_ONE)
        value = -MAD_F_ONE;
    return qint16(value >> (MAD_F_FRACBITS + 1 - 16));
}

// One run of the decoder; its callbacks reach it through libmad's data pointer.
class Run
{
public:
    Run(const QByteArray &block, qsizetype length, quint64 fileSize, const StreamSurvey &survey,
        WavWriter &writer, const std::atomic<bool> &stop, const std::function<void(int)> &onProgress)
        : m_block(block), m_length(length), m_fileSize(fileSize), m_survey(survey), m_writer(writer),
          m_stop(stop), m_onProgress(onProgress), m_startLeft(survey.trim.active ? survey.trim.start : 0)
    {
    }

    static mad_flow input(void *data, mad_stream *stream)
    {
        return static_cast<Run *>(data)->onInput(stream);
    }
    static mad_flow output(void *data, const mad_header *header, mad_pcm *pcm)
    {
        return static_cast<Run *>(data)->onOutput(*header, *pcm);
    }
    // Damaged frames are skipped; decoding goes on.
    static mad_flow error(void *, mad_stream *, mad_frame *) { return MAD_FLOW_CONTINUE; }

    void finish(DecodeResult &result);

private:
    mad_flow onInput(mad_stream *stream);
    mad_flow onOutput(const mad_header &header, const mad_pcm &pcm);
    bool flush(qsizetype keep);

    const QByteArray &m_block;
    const qsizetype m_length; // without the guard
    const quint64 m_fileSize;
    const StreamSurvey &m_survey;
    WavWriter &m_writer;
    const std::atomic<bool> &m_stop;
    const std::function<void(int)> &m_onProgress;

    mad_stream *m_stream = nullptr;
    bool m_handedOver = false;
    bool m_headerWritten = false;
    bool m_failed = false;
    bool m_stopped = false;
    int m_channels = 0;
    quint64 m_expected = 0;
    quint64 m_produced = 0; // header and samples, held ones included
    int m_progress = 0;
    quint64 m_frames = 0;
    int m_startLeft;
    std::vector<qint16> m_pending;
};

mad_flow Run::onInput(mad_stream *stream)
{
    if (m_handedOver || m_stop) return MAD_FLOW_STOP;
    m_handedOver = true;
    m_stream = stream;
    const auto *data = reinterpret_cast<const uchar *>(m_block.constData());
    // The guard's zero bytes let libmad decode the last frame as well.
    mad_stream_buffer(stream, data + m_survey.audioStart, m_length - m_survey.audioStart + MAD_BUFFER_GUARD);
    return MAD_FLOW_CONTINUE;
}

mad_flow Run::onOutput(const mad_header &header, const mad_pcm &pcm)
{
    ++m_frames;
    if (!m_headerWritten) {
        m_channels = pcm.channels;
        m_expected = MadDecoding::estimatedDataSize(m_fileSize, header.bitrate, pcm.samplerate, m_channels);
        m_headerWritten = true;
        if (!m_writer.writeHeader(int(pcm.samplerate), m_channels, m_expected)) {
            m_failed = true;
            return MAD_FLOW_BREAK;
        }
        m_produced = 44;
    }
    const auto *data = reinterpret_cast<const uchar *>(m_block.constData());
    const bool infoFrame =
        m_survey.infoFrameOffset >= 0 && m_stream->this_frame == data + m_survey.infoFrameOffset;
    if (!infoFrame) {
        const int skip = qMin<int>(m_startLeft, pcm.length);
        m_startLeft -= skip;
        const mad_fixed_t *left = pcm.samples[0];
        // A frame of one channel in a stereo stream is heard on both.
        const mad_fixed_t *right = pcm.channels > 1 ? pcm.samples[1] : pcm.samples[0];
        const size_t before = m_pending.size();
        if (m_channels == 2) {
            m_pending.resize(before + 2 * size_t(pcm.length - skip));
            qint16 *out = m_pending.data() + before;
            for (int i = skip; i < pcm.length; ++i) {
                *out++ = toSample(left[i]);
                *out++ = toSample(right[i]);
            }
        } else {
            m_pending.resize(before + size_t(pcm.length - skip));
            qint16 *out = m_pending.data() + before;
            for (int i = skip; i < pcm.length; ++i)
                *out++ = toSample(left[i]);
        }
        m_produced += 2 * (m_pending.size() - before);
        const qsizetype held = m_survey.trim.active ? qsizetype(m_survey.trim.end) * m_channels : 0;
        if (qsizetype(m_pending.size()) >= held + flushSamples && !flush(held)) return MAD_FLOW_BREAK;
    }
    if (m_expected != 0) {
        const int percent = int(std::llround(double(m_produced) / double(m_expected) * 100.0));
        if (percent != m_progress) {
            m_progress = percent;
            if (m_onProgress) m_onProgress(percent);
        }
    }
    if (m_stop) {
        m_stopped = true;
        return MAD_FLOW_STOP;
    }
    return MAD_FLOW_CONTINUE;
}

// Writes all but the last `keep` samples.
bool Run::flush(qsizetype keep)
{
    const qsizetype count = qsizetype(m_pending.size()) - keep;
    if (count <= 0) return true;
    if (!m_writer.writeSamples(m_pending.data(), count)) {
        m_failed = true;
        return false;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + count);
    return true;
}

void Run::finish(DecodeResult &result)
{
    result.framesDecoded = m_frames;
    result.expectedDataSize = m_expected;
    result.stopped = m_stopped;
    result.trim = m_survey.trim;
    if (m_headerWritten && !m_failed) {
        // Only at the true end is what is held the encoder's padding.
        const bool atEnd = !m_stopped && m_survey.trim.active;
        const qsizetype held =
            atEnd ? qMin(qsizetype(m_survey.trim.end) * m_channels, qsizetype(m_pending.size())) : 0;
        flush(held);
    }
    if (m_headerWritten && !m_writer.finish()) m_failed = true;
    result.sampleFrames = m_writer.sampleFrames();
    result.success = m_frames > 0 && !m_failed;
    if (m_failed) result.error = m_writer.errorString();
}

} // namespace

quint64 MadDecoding::estimatedDataSize(quint64 fileSize, unsigned long bitRate, unsigned sampleRate,
                                       int channels)
{
    if (bitRate == 0 || sampleRate == 0) return 0;
    const quint64 frameLength = (quint64(bitRate) * 144 + sampleRate - 1) / sampleRate;
    const auto sampleFrames = quint64(std::llround(double(fileSize) / double(frameLength) * 1152.0));
    return sampleFrames * quint64(channels) * 2;
}

StreamSurvey MadDecoding::survey(const uchar *data, qsizetype length)
{
    StreamSurvey result;
    result.audioStart = id3v2Length(data, length);
    mad_stream stream;
    mad_header header;
    mad_stream_init(&stream);
    mad_header_init(&header);
    mad_stream_buffer(&stream, data + result.audioStart, length - result.audioStart + MAD_BUFFER_GUARD);
    bool first = true;
    for (;;) {
        if (mad_header_decode(&header, &stream) == -1) {
            if (MAD_RECOVERABLE(stream.error)) continue;
            break;
        }
        if (first) {
            first = false;
            if (header.layer == MAD_LAYER_III &&
                result.info.read(stream.this_frame, stream.next_frame - stream.this_frame,
                                 layoutOf(header))) {
                result.infoFrameOffset = stream.this_frame - data;
                continue;
            }
        }
        ++result.audioFrames;
    }
    mad_header_finish(&header);
    mad_stream_finish(&stream);

    const InfoFrame &info = result.info;
    if (result.infoFrameOffset >= 0 && info.hasLameExtension && info.hasFrameCount &&
        info.frameCount == result.audioFrames) {
        result.trim.active = true;
        result.trim.start = info.encoderDelay + synthesisDelay;
        result.trim.end = qMax(0, info.encoderPadding - synthesisDelay);
    }
    return result;
}

DecodeResult MadDecoding::run()
{
    DecodeResult result;
    const qint64 size = m_input.size();
    QByteArray block;
    if (size < 0 || size > std::numeric_limits<qsizetype>::max() - MAD_BUFFER_GUARD) {
        result.error = QStringLiteral("the input is too large to read");
        return result;
    }
    block.resize(qsizetype(size) + MAD_BUFFER_GUARD, '\0');
    qint64 got = 0;
    while (got < size) {
        const qint64 n = m_input.read(block.data() + got, size - got);
        if (n <= 0) break;
        got += n;
    }
    if (got < size) {
        result.error =
            QStringLiteral("cannot read the input at byte %1: %2").arg(got).arg(m_input.errorString());
        return result;
    }
    const auto *data = reinterpret_cast<const uchar *>(block.constData());
    const StreamSurvey streamSurvey = survey(data, qsizetype(got));

    WavWriter writer(m_output);
    Run run(block, qsizetype(got), quint64(size), streamSurvey, writer, m_stop, onProgress);
    mad_decoder decoder;
    mad_decoder_init(&decoder, &run, &Run::input, nullptr, nullptr, &Run::output, &Run::error, nullptr);
    mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
    mad_decoder_finish(&decoder);
    run.finish(result);
    return result;
}

} // namespace tolvex::converter
