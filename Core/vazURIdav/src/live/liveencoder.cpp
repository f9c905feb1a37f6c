#include "live/liveencoder.h"

#include "media/enginethread.h"

#include <cmath>

namespace zd::live
{

LiveEncoder::LiveEncoder(FailureHandler onFailure) : m_onFailure(std::move(onFailure)) {}

LiveEncoder::~LiveEncoder()
{
    stop();
}

int LiveEncoder::open(int width, int height, int fps, int64_t bitrate)
{
    media::RecordSettings s;
    s.videoCodec = media::VideoCodec::H264;
    s.audioCodec = media::AudioCodec::Aac;
    s.width = width;
    s.height = height;
    s.fps = fps;
    s.bitrate = bitrate;
    m_fps = fps;
    // FLV carries the codecs' set-up once, in its header.
    if (const int r = m_video.open(s, width, height, true))
        return r;
    return m_audio.open(media::AudioCodec::Aac, true);
}

void LiveEncoder::start(int width, int height, int fps, int64_t bitrate,
                        std::vector<std::shared_ptr<ServerSender>> destinations)
{
    m_destinations = std::move(destinations);
    m_accepting = true;
    m_thread = media::startEngineThread(
        [this, width, height, fps, bitrate] { run(width, height, fps, bitrate); });
}

void LiveEncoder::stop()
{
    m_accepting = false;
    m_queue.close();
    if (m_thread.joinable())
        m_thread.join();
}

void LiveEncoder::pushVideo(const AVFrame* frame)
{
    if (!m_accepting || !frame)
        return;
    Item item;
    item.video = true;
    item.frame = media::refFrame(frame);
    if (!item.frame || !m_queue.push(std::move(item)))
        m_dropped++;
}

void LiveEncoder::pushAudio(const AVFrame* frame)
{
    if (!m_accepting || !frame)
        return;
    Item item;
    item.video = false;
    item.frame = media::refFrame(frame);
    if (item.frame)
        m_queue.push(std::move(item));
}

int LiveEncoder::deliver(AVPacket* packet, int stream)
{
    for (const auto& d : m_destinations)
        d->push(packet, stream);
    return 0;
}

void LiveEncoder::fail(int code)
{
    m_accepting = false;
    if (!m_failed.exchange(true) && m_onFailure)
        m_onFailure(code);
}

void LiveEncoder::run(int width, int height, int fps, int64_t bitrate)
{
    if (const int r = open(width, height, fps, bitrate)) {
        fail(r);
        return;
    }
    // A stop that came while opening leaves the destinations unstarted.
    if (!m_queue.closed()) {
        for (const auto& d : m_destinations)
            d->start(m_video.context(), m_audio.context());
    }
    const media::PacketHandler video = [this](AVPacket* p) { return deliver(p, 0); };
    const media::PacketHandler audio = [this](AVPacket* p) { return deliver(p, 1); };
    bool originSet = false;
    int64_t originUs = 0;
    int64_t lastPts = -1;
    for (;;) {
        std::optional<Item> item = m_queue.pop(std::chrono::milliseconds(200));
        if (!item) {
            if (m_queue.closed())
                break;
            continue;
        }
        if (m_failed)
            continue;
        const AVFrame* f = item->frame.get();
        const int64_t atUs = f->pts;
        int r = 0;
        if (item->video) {
            if (!originSet) {
                originSet = true;
                originUs = atUs;
            }
            const int64_t pts = std::llround(double(atUs - originUs) * m_fps / 1000000.0);
            if (pts <= lastPts)
                continue;
            lastPts = pts;
            r = m_video.encode(f, pts, video);
        } else {
            // Sound before the first picture has no place on the timeline.
            if (!originSet || atUs < originUs)
                continue;
            r = m_audio.push(f, (atUs - originUs) * media::AudioEncoder::kSampleRate / 1000000,
                             audio);
        }
        if (r)
            fail(r);
    }
    if (!m_failed) {
        m_video.flush(video);
        m_audio.flush(audio);
    }
}

} // namespace zd::live
