#include "media/frametap.h"

#include "core/engine.h"
#include "devices/devicesession.h"
#include "media/rgbscaler.h"
#include "media/sourcepipeline.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace zd::media
{

namespace
{

// Pictures are looked for at this pace while none is new.
constexpr auto kVideoPoll = std::chrono::milliseconds(5);
constexpr int kMaxTimeoutMs = 10000;

std::chrono::steady_clock::time_point deadlineAfter(int timeoutMs)
{
    return std::chrono::steady_clock::now() +
           std::chrono::milliseconds(std::clamp(timeoutMs, 0, kMaxTimeoutMs));
}

} // namespace

AudioRing::AudioRing() : m_ring(static_cast<size_t>(kRingBytes)) {}

AudioRing::~AudioRing()
{
    av_channel_layout_uninit(&m_inLayout);
}

void AudioRing::pushAudio(const AVFrame* in)
{
    if (!in || in->nb_samples <= 0 || in->sample_rate <= 0)
        return;
    if (!m_swr || in->format != m_inFormat || in->sample_rate != m_inRate ||
        av_channel_layout_compare(&in->ch_layout, &m_inLayout) != 0) {
        AVChannelLayout inLayout;
        if (in->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || in->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&inLayout, std::max(in->ch_layout.nb_channels, 1));
        else if (av_channel_layout_copy(&inLayout, &in->ch_layout) < 0)
            return;
        AVChannelLayout stereo;
        av_channel_layout_default(&stereo, 2);
        SwrContext* swr = nullptr;
        const int r = swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, kSampleRate, &inLayout,
                                          static_cast<AVSampleFormat>(in->format), in->sample_rate,
                                          0, nullptr);
        av_channel_layout_uninit(&inLayout);
        m_swr.reset(swr);
        if (r < 0 || swr_init(m_swr.get()) < 0) {
            m_swr.reset();
            return;
        }
        m_inFormat = in->format;
        m_inRate = in->sample_rate;
        av_channel_layout_uninit(&m_inLayout);
        av_channel_layout_copy(&m_inLayout, &in->ch_layout);
    }
    const int room = swr_get_out_samples(m_swr.get(), in->nb_samples);
    if (room <= 0)
        return;
    m_converted.resize(static_cast<size_t>(room) * kBytesPerSampleFrame);
    uint8_t* out[1] = {m_converted.data()};
    const int n = swr_convert(m_swr.get(), out, room,
                              const_cast<const uint8_t**>(in->extended_data), in->nb_samples);
    if (n > 0)
        append(m_converted.data(), int64_t(n) * kBytesPerSampleFrame);
}

void AudioRing::append(const uint8_t* data, int64_t bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // More than the ring holds: only its end survives.
        if (bytes > kRingBytes) {
            data += bytes - kRingBytes;
            m_total += bytes - kRingBytes;
            bytes = kRingBytes;
        }
        while (bytes > 0) {
            const int64_t at = m_total % kRingBytes;
            const int64_t piece = std::min(bytes, kRingBytes - at);
            std::memcpy(m_ring.data() + at, data, static_cast<size_t>(piece));
            data += piece;
            bytes -= piece;
            m_total += piece;
        }
    }
    m_arrived.notify_all();
}

int AudioRing::read(uint8_t* out, int bytes, int64_t* position, int timeoutMs)
{
    const int64_t wanted = bytes - bytes % kBytesPerSampleFrame;
    std::unique_lock<std::mutex> lock(m_mutex);
    int64_t at = *position;
    // From now on; or a position from before a reopening, or from the future.
    if (at < 0 || at > m_total)
        at = m_total;
    at -= at % kBytesPerSampleFrame;
    m_arrived.wait_until(lock, deadlineAfter(timeoutMs), [&] { return m_closed || m_total > at; });
    if (m_closed) {
        *position = at;
        return 0;
    }
    // Fell behind what the ring keeps: on from the oldest kept byte.
    at = std::max(at, m_total - kRingBytes);
    const int64_t n = std::min(wanted, m_total - at);
    int64_t done = 0;
    while (done < n) {
        const int64_t from = (at + done) % kRingBytes;
        const int64_t piece = std::min(n - done, kRingBytes - from);
        std::memcpy(out + done, m_ring.data() + from, static_cast<size_t>(piece));
        done += piece;
    }
    *position = at + n;
    return static_cast<int>(n);
}

void AudioRing::close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_arrived.notify_all();
}

FrameTap::FrameTap(Engine& engine) : m_engine(engine) {}

FrameTap::~FrameTap()
{
    stop();
}

void FrameTap::stop()
{
    std::shared_ptr<AudioRing> ring;
    std::shared_ptr<SourcePipeline> source;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        ring = m_ring;
        source = m_ringSource.lock();
    }
    if (ring) {
        if (source)
            source->detach(ring.get());
        ring->close();
    }
}

std::shared_ptr<AudioRing> FrameTap::ring()
{
    std::shared_ptr<SourcePipeline> pipeline = m_engine.session().pipeline();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped)
        return nullptr;
    if (!m_ring)
        m_ring = std::make_shared<AudioRing>();
    std::shared_ptr<SourcePipeline> attached = m_ringSource.lock();
    if (pipeline != attached) {
        if (attached)
            attached->detach(m_ring.get());
        if (pipeline)
            pipeline->attach(m_ring);
        m_ringSource = pipeline;
    }
    return m_ring;
}

int FrameTap::readVideo(uint8_t* buffer, int bufferBytes, int* width, int* height, uint64_t* serial,
                        int timeoutMs)
{
    const auto deadline = deadlineAfter(timeoutMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopped)
                return 0;
        }
        std::shared_ptr<SourcePipeline> pipeline = m_engine.session().pipeline();
        uint64_t newest = 0;
        AVFramePtr frame = pipeline ? pipeline->latest().get(newest) : nullptr;
        if (frame && newest != *serial && frame->width > 0 && frame->height > 0 &&
            frame->width <= kMaxSide && frame->height <= kMaxSide) {
            const int64_t bytes = int64_t(frame->width) * frame->height * 4;
            *width = frame->width;
            *height = frame->height;
            if (bytes > bufferBytes)
                return -1;
            std::lock_guard<std::mutex> lock(m_scaleMutex);
            m_sws.reset(rgbScaler(m_sws.release(), frame.get(), frame->width, frame->height,
                                  AV_PIX_FMT_BGR0, SWS_POINT));
            if (!m_sws)
                return 0;
            uint8_t* dst[4] = {buffer, nullptr, nullptr, nullptr};
            int dstStride[4] = {frame->width * 4, 0, 0, 0};
            if (sws_scale(m_sws.get(), frame->data, frame->linesize, 0, frame->height, dst,
                          dstStride) != frame->height)
                return 0;
            *serial = newest;
            return static_cast<int>(bytes);
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return 0;
        std::this_thread::sleep_for(kVideoPoll);
    }
}

int FrameTap::readAudio(uint8_t* buffer, int bufferBytes, int64_t* position, int timeoutMs)
{
    std::shared_ptr<AudioRing> r = ring();
    if (!r)
        return 0;
    return r->read(buffer, bufferBytes, position, timeoutMs);
}

} // namespace zd::media
