#include "media/audioencoder.h"

#include "media/medialog.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace zd::media
{

namespace
{
// Differences below this are capture jitter and left alone.
constexpr int64_t kToleranceSamples = AudioEncoder::kSampleRate / 10;
// The longest gap filled with silence; longer ones stay gaps.
constexpr int64_t kMaxFillSamples = AudioEncoder::kSampleRate * 10;
} // namespace

AudioEncoder::~AudioEncoder()
{
    av_channel_layout_uninit(&m_inLayout);
}

int AudioEncoder::open(AudioCodec codec, bool globalHeader)
{
    const char* name = codec == AudioCodec::Ac3   ? "ac3"
                       : codec == AudioCodec::Mp3 ? "libmp3lame"
                                                  : "aac";
    const AVCodec* enc = avcodec_find_encoder_by_name(name);
    if (!enc)
        return RecordStartEncoderUnavailable;
    m_ctx.reset(avcodec_alloc_context3(enc));
    if (!m_ctx)
        return RecordStartEncoderUnavailable;
    AVCodecContext* c = m_ctx.get();
    c->sample_rate = kSampleRate;
    av_channel_layout_default(&c->ch_layout, 2);
    // The first format the encoder takes; all three take a planar one.
    c->sample_fmt = enc->sample_fmts ? enc->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    c->bit_rate = codec == AudioCodec::Ac3 ? 192000 : 160000;
    c->time_base = AVRational{1, kSampleRate};
    if (globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int r = avcodec_open2(c, enc, nullptr);
    if (r < 0) {
        log(LogError, std::string("Cannot open the audio encoder ") + name + ": " + avErrorText(r));
        m_ctx.reset();
        return RecordStartEncoderUnavailable;
    }
    m_fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels,
                                     std::max(c->frame_size, 1024) * 4));
    if (!m_fifo) {
        m_ctx.reset();
        return RecordStartEncoderUnavailable;
    }
    return 0;
}

int AudioEncoder::queue(uint8_t* const* data, int samples, int64_t skip)
{
    if (skip >= samples)
        return 0;
    AVCodecContext* c = m_ctx.get();
    const int channels = c->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(c->sample_fmt);
    const int step = av_get_bytes_per_sample(c->sample_fmt) * (planar ? 1 : channels);
    uint8_t* from[AV_NUM_DATA_POINTERS] = {};
    for (int p = 0; p < (planar ? channels : 1) && p < AV_NUM_DATA_POINTERS; ++p)
        from[p] = data[p] + skip * step;
    const int n = samples - static_cast<int>(skip);
    if (av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(from), n) < n)
        return RecordOutOfMemory;
    m_nextPosition += n;
    return 0;
}

AVFramePtr AudioEncoder::encoderFrame(int samples) const
{
    AVCodecContext* c = m_ctx.get();
    AVFramePtr frame = makeFrame();
    if (!frame)
        return nullptr;
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &c->ch_layout);
    frame->nb_samples = samples;
    if (samples > 0 && av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

int AudioEncoder::queueSilence(int64_t samples)
{
    AVCodecContext* c = m_ctx.get();
    AVFramePtr silence = encoderFrame(static_cast<int>(samples));
    if (!silence)
        return RecordOutOfMemory;
    av_samples_set_silence(silence->extended_data, 0, silence->nb_samples, c->ch_layout.nb_channels,
                           c->sample_fmt);
    return queue(silence->extended_data, silence->nb_samples, 0);
}

int AudioEncoder::convert(const AVFrame* in, int64_t skip)
{
    AVCodecContext* c = m_ctx.get();
    // Sound already in the encoder's own format goes to the queue as it is,
    // without a copy through the resampler.
    if (!m_swr && in->format == c->sample_fmt && in->sample_rate == c->sample_rate &&
        av_channel_layout_compare(&in->ch_layout, &c->ch_layout) == 0)
        return queue(in->extended_data, in->nb_samples, skip);
    if (!m_swr || in->format != m_inFormat || in->sample_rate != m_inRate ||
        av_channel_layout_compare(&in->ch_layout, &m_inLayout) != 0) {
        SwrContext* swr = nullptr;
        AVChannelLayout inLayout;
        if (in->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || in->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&inLayout, std::max(in->ch_layout.nb_channels, 1));
        else if (av_channel_layout_copy(&inLayout, &in->ch_layout) < 0)
            return RecordOutOfMemory;
        const int r = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate,
                                          &inLayout, static_cast<AVSampleFormat>(in->format),
                                          in->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        m_swr.reset(swr);
        if (r < 0 || swr_init(m_swr.get()) < 0) {
            m_swr.reset();
            return RecordEncodeError;
        }
        m_inFormat = in->format;
        m_inRate = in->sample_rate;
        av_channel_layout_uninit(&m_inLayout);
        av_channel_layout_copy(&m_inLayout, &in->ch_layout);
    }
    const int room = swr_get_out_samples(m_swr.get(), in->nb_samples);
    if (room <= 0)
        return 0;
    AVFramePtr converted = encoderFrame(room);
    if (!converted)
        return RecordOutOfMemory;
    const int n = swr_convert(m_swr.get(), converted->extended_data, converted->nb_samples,
                              const_cast<const uint8_t**>(in->extended_data), in->nb_samples);
    if (n < 0)
        return RecordEncodeError;
    return queue(converted->extended_data, n, skip);
}

int AudioEncoder::push(const AVFrame* in, int64_t position, const PacketHandler& out,
                       bool afterBreak)
{
    if (!m_ctx || !in || in->nb_samples <= 0 || in->sample_rate <= 0)
        return 0;
    if (m_nextPosition < 0) {
        m_nextPosition = 0;
        m_encodedPosition = 0;
        afterBreak = true;
    }
    int64_t skip = 0;
    if (afterBreak && position < m_nextPosition) {
        skip = m_nextPosition - position;
    } else if (!afterBreak && position < m_nextPosition - kToleranceSamples) {
        return 0; // late: its place on the timeline is taken
    } else if (afterBreak || position > m_nextPosition + kToleranceSamples) {
        const int64_t gap = std::min(position - m_nextPosition, kMaxFillSamples);
        if (gap > 0)
            if (const int failure = queueSilence(gap))
                return failure;
        if (position > m_nextPosition) {
            // A gap too long to fill: the timeline jumps.
            m_encodedPosition += position - m_nextPosition;
            m_nextPosition = position;
        }
    }
    if (const int failure = convert(in, skip))
        return failure;
    return drain(false, out);
}

int AudioEncoder::send(AVFrame* frame, const PacketHandler& out)
{
    return encodeFrame(m_ctx.get(), frame, "Audio encoding failed: ", out);
}

int AudioEncoder::drain(bool last, const PacketHandler& out)
{
    AVCodecContext* c = m_ctx.get();
    const int frameSize = c->frame_size > 0 ? c->frame_size : 1024;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
           (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
        const int n = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
        AVFramePtr frame = encoderFrame(n);
        if (!frame)
            return RecordOutOfMemory;
        if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->extended_data), n) < n)
            return RecordEncodeError;
        frame->pts = m_encodedPosition;
        m_encodedPosition += n;
        if (const int failure = send(frame.get(), out))
            return failure;
    }
    return 0;
}

int AudioEncoder::flush(const PacketHandler& out)
{
    if (!m_ctx)
        return 0;
    if (const int failure = drain(true, out))
        return failure;
    return send(nullptr, out);
}

} // namespace zd::media
