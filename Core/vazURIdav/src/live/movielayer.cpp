#include "live/movielayer.h"

#include "core/text.h"
#include "live/mediafile.h"
#include "live/playlist.h"
#include "media/enginethread.h"
#include "vazURIdav_reports.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <deque>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::live
{

namespace
{
// The most a stream's decoded frames run ahead of its next one, when another
// stream's decoder is slow to give its next frame.
constexpr int64_t kReadAheadUs = 2000000;
} // namespace

MovieLayer::~MovieLayer()
{
    // The worker ends before the members it reads go.
    stop();
}

void MovieLayer::apply(const Block& block, bool adding)
{
    MovieBlock m;
    if (!readMovieBlock(block.data(), block.size(), m))
        return;
    storeBlock(block);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_loopMode = m.loopMode;
        const bool listChanged = m.listPath != m_listPath;
        m_listPath = m.listPath;
        switch (m.command) {
        case ZD_MOVIE_CMD_PLAY_AT:
            m_pending.playAt = m.currentIndex;
            break;
        case ZD_MOVIE_CMD_SEEK:
            m_pending.seekMs = m.positionMs;
            break;
        case ZD_MOVIE_CMD_PAUSE:
            // Any other state leaves the play state as it is.
            if (m.playState == 1 || m.playState == 2)
                m_pending.pauseState = m.playState;
            break;
        case ZD_MOVIE_CMD_APPLY_RELOAD:
            m_pending.reload = true;
            break;
        default:
            break;
        }
        if (adding || listChanged)
            m_pending.reload = true;
        m_hasAudio = true;
        startWorker();
    }
    m_wake.notify_all();
}

Layer::Block MovieLayer::block() const
{
    Block b = Layer::block();
    SCENE_MOVIE_PARAMS p;
    std::memcpy(&p, b.data(), sizeof p);
    fillEngineFields(p);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        p.currentIndex = m_currentIndex;
        p.positionMs = m_positionMs;
        p.durationMs = m_durationMs;
        p.playState = m_playState;
    }
    std::memcpy(b.data(), &p, sizeof p);
    return b;
}

int MovieLayer::nextIndex(int from, bool wrap) const
{
    const int n = static_cast<int>(m_files.size());
    for (int step = 1; step <= n; ++step) {
        const int i = from + step;
        if (!wrap && i >= n)
            return -1;
        const int k = ((i % n) + n) % n;
        if (!m_files[k].empty() && !m_failed[k])
            return k;
    }
    return -1;
}

bool MovieLayer::waitUntil(std::unique_lock<std::mutex>& lock, int64_t dueUs)
{
    for (;;) {
        if (!m_running || m_pending.reload || m_pending.playAt >= 0 || m_pending.seekMs >= 0 ||
            m_pending.pauseState == 2)
            return false;
        const int64_t now = av_gettime_relative();
        if (now >= dueUs)
            return true;
        m_wake.wait_for(lock, std::chrono::microseconds(std::min<int64_t>(dueUs - now, 50000)));
    }
}

void MovieLayer::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    int index = -1;
    while (m_running) {
        if (m_pending.reload) {
            m_pending.reload = false;
            index = reloadList(lock, m_listPath) ? nextIndex(-1, true) : -1;
        }
        if (m_pending.playAt >= 0) {
            const int at = m_pending.playAt;
            m_pending.playAt = -1;
            if (at < static_cast<int>(m_files.size()) && !m_files[at].empty()) {
                m_failed[at] = 0; // asked for again: another try
                index = at;
            }
        }
        if (m_pending.pauseState) {
            m_playState = m_pending.pauseState;
            m_pending.pauseState = 0;
        }
        if (index < 0) {
            m_wake.wait(lock,
                        [this] { return !m_running || m_pending.reload || m_pending.playAt >= 0; });
            continue;
        }
        const std::string path = m_files[index];
        lock.unlock();
        const End end = play(index, path);
        lock.lock();
        switch (end) {
        case End::Finished:
            index = m_loopMode == 1 ? index : nextIndex(index, true);
            break;
        case End::Failed:
            markFailed(index);
            index = nextIndex(index, true);
            break;
        case End::Interrupted:
            break;
        case End::Stopped:
            return;
        }
    }
}

MovieLayer::End MovieLayer::play(int index, const std::string& path)
{
    media::AVFormatInputPtr format;
    DecoderStream video, sound;
    if (!openMediaFile(path, format))
        return End::Failed;
    const bool hasVideo = openDecoder(format.get(), AVMEDIA_TYPE_VIDEO, video);
    const bool hasSound = openDecoder(format.get(), AVMEDIA_TYPE_AUDIO, sound);
    if (!hasVideo && !hasSound)
        return End::Failed;
    const int64_t startTime = format->start_time == AV_NOPTS_VALUE ? 0 : format->start_time;
    const int durationMs =
        format->duration > 0
            ? static_cast<int>(std::min<int64_t>(format->duration / 1000, INT32_MAX))
            : 0;

    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_running)
        return End::Stopped;
    m_current = path;
    m_currentIndex = index;
    m_positionMs = 0;
    m_durationMs = durationMs;
    report(ZD_MSG_OVERLAY_FILE_INDEX, index);
    if (hasVideo) {
        const AVCodecContext* c = video.codec.get();
        report(ZD_MSG_DEVICE_OPENED,
               (static_cast<long long>(c->width & 0xFFFF) << 16) | (c->height & 0xFFFF));
    }
    int64_t clockStartUs = av_gettime_relative();
    int64_t skipUntilUs = -1;
    m_audio.startOver();
    int delivered = 0;
    media::AVPacketPtr packet = media::makePacket();
    media::AVFramePtr frame = media::makeFrame();
    if (!packet || !frame)
        return End::Failed;
    // Decoded frames wait here, each stream's in its own order, until their
    // time. A picture leaves its decoder a few packets after its own (frames
    // reordered, decoded on threads), so the file is read ahead until every
    // stream has its next frame: waiting for each frame as it is decoded
    // would show every picture that much late against its sound.
    struct Ready {
        media::AVFramePtr frame;
        int64_t atUs = 0;
    };
    DecoderStream* streams[2] = {&video, &sound};
    std::deque<Ready> ready[2];
    bool ended[2] = {!hasVideo, !hasSound};
    bool draining = false;
    auto readAheadFull = [&] {
        for (const auto& q : ready) {
            if (!q.empty() && q.back().atUs - q.front().atUs > kReadAheadUs)
                return true;
        }
        return false;
    };
    for (;;) {
        if (!m_running)
            return End::Stopped;
        if (m_pending.reload || m_pending.playAt >= 0)
            return End::Interrupted;
        if (m_pending.seekMs >= 0) {
            const int64_t targetUs = int64_t(m_pending.seekMs) * 1000;
            m_pending.seekMs = -1;
            lock.unlock();
            av_seek_frame(format.get(), -1, startTime + targetUs, AVSEEK_FLAG_BACKWARD);
            if (hasVideo)
                avcodec_flush_buffers(video.codec.get());
            if (hasSound)
                avcodec_flush_buffers(sound.codec.get());
            lock.lock();
            draining = false;
            for (int k = 0; k < 2; ++k) {
                ready[k].clear();
                ended[k] = !streams[k]->codec;
            }
            skipUntilUs = targetUs;
            clockStartUs = av_gettime_relative() - targetUs;
            m_audio.startOver();
            m_positionMs = static_cast<int>(std::min<int64_t>(targetUs / 1000, INT32_MAX));
        }
        if (m_pending.pauseState == 2 || m_playState == 2) {
            m_playState = 2;
            m_pending.pauseState = 0;
            const int64_t pausedAtUs = av_gettime_relative();
            m_wake.wait(lock, [this] {
                return !m_running || m_pending.reload || m_pending.playAt >= 0 ||
                       m_pending.seekMs >= 0 || m_pending.pauseState == 1;
            });
            if (m_pending.pauseState == 1) {
                m_playState = 1;
                m_pending.pauseState = 0;
            }
            // The pause leaves no jump in the file's time.
            clockStartUs += av_gettime_relative() - pausedAtUs;
            continue;
        }
        bool wanting = false;
        for (int k = 0; k < 2; ++k)
            wanting = wanting || (!ended[k] && ready[k].empty());
        if (wanting && !readAheadFull()) {
            lock.unlock();
            DecoderStream* fed = nullptr;
            if (!draining) {
                const int r = av_read_frame(format.get(), packet.get());
                if (r < 0) {
                    draining = true;
                    for (DecoderStream* s : streams)
                        if (s->codec)
                            avcodec_send_packet(s->codec.get(), nullptr);
                } else {
                    for (DecoderStream* s : streams)
                        if (s->codec && packet->stream_index == s->index)
                            fed = s;
                    if (fed)
                        avcodec_send_packet(fed->codec.get(), packet.get());
                    av_packet_unref(packet.get());
                }
            }
            // Every decoder gives what it has: both after the end, else the
            // one that was fed.
            for (int k = 0; k < 2; ++k) {
                DecoderStream* s = streams[k];
                if (!s->codec || ended[k] || (!draining && s != fed))
                    continue;
                for (;;) {
                    const int r = avcodec_receive_frame(s->codec.get(), frame.get());
                    if (r == AVERROR_EOF)
                        ended[k] = true;
                    if (r < 0)
                        break;
                    int64_t ts = frame->best_effort_timestamp;
                    if (ts == AV_NOPTS_VALUE)
                        ts = frame->pts;
                    const int64_t atUs =
                        ts == AV_NOPTS_VALUE
                            ? av_gettime_relative() - clockStartUs
                            : av_rescale_q(ts, s->timeBase, AVRational{1, 1000000}) - startTime;
                    if (skipUntilUs < 0 || atUs >= skipUntilUs) {
                        if (media::AVFramePtr kept = media::makeFrame()) {
                            av_frame_move_ref(kept.get(), frame.get());
                            ready[k].push_back(Ready{std::move(kept), atUs});
                        }
                    }
                    av_frame_unref(frame.get());
                }
            }
            lock.lock();
            continue;
        }
        // The earliest of the frames that are ready goes out at its time.
        int next = -1;
        for (int k = 0; k < 2; ++k) {
            if (!ready[k].empty() && (next < 0 || ready[k].front().atUs < ready[next].front().atUs))
                next = k;
        }
        if (next < 0)
            return delivered > 0 ? End::Finished : End::Failed;
        const int64_t atUs = ready[next].front().atUs;
        if (!waitUntil(lock, clockStartUs + atUs))
            continue; // a command or the stop: taken at the top
        media::AVFramePtr out = std::move(ready[next].front().frame);
        ready[next].pop_front();
        if (next == 0) {
            m_picture.put(out.get());
            m_positionMs = static_cast<int>(std::clamp<int64_t>(atUs / 1000, 0, INT32_MAX));
        } else {
            m_audio.push(out.get(), clockStartUs + atUs);
            if (!hasVideo)
                m_positionMs = static_cast<int>(std::clamp<int64_t>(atUs / 1000, 0, INT32_MAX));
        }
        ++delivered;
    }
}

} // namespace zd::live
