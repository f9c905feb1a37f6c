#include "live/serversender.h"

#include "live/serveroptions.h"
#include "media/enginethread.h"
#include "media/medialog.h"

#include <algorithm>
#include <sys/stat.h>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::live
{

ServerSender::ServerSender(std::string destination, bool file, StateHandler onState)
    : m_destination(std::move(destination)), m_file(file), m_onState(std::move(onState))
{
}

ServerSender::~ServerSender()
{
    stop();
    for (AVCodecParameters*& p : m_params)
        avcodec_parameters_free(&p);
}

void ServerSender::start(const AVCodecContext* video, const AVCodecContext* audio)
{
    const AVCodecContext* contexts[2] = {video, audio};
    for (int i = 0; i < 2; ++i) {
        if (!contexts[i])
            continue;
        m_params[i] = avcodec_parameters_alloc();
        if (m_params[i])
            avcodec_parameters_from_context(m_params[i], contexts[i]);
        m_timeBase[i] = contexts[i]->time_base;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_originUs = av_gettime_relative();
    }
    m_thread = media::startEngineThread([this] { run(); });
}

void ServerSender::setDeadline(int fromNowMs)
{
    m_deadlineUs = fromNowMs > 0 ? av_gettime_relative() + int64_t(fromNowMs) * 1000 : 0;
}

int ServerSender::interrupted(void* self)
{
    auto* s = static_cast<ServerSender*>(self);
    // A connection still being made is of no use once the stream ends.
    if (s->m_stopAsked.load() && !s->m_live.load())
        return 1;
    const int64_t now = av_gettime_relative();
    for (const std::atomic<int64_t>* d : {&s->m_stopDeadlineUs, &s->m_deadlineUs}) {
        const int64_t at = d->load();
        if (at > 0 && now > at)
            return 1;
    }
    return 0;
}

int ServerSender::connect()
{
    AVFormatContext* raw = nullptr;
    int r = avformat_alloc_output_context2(&raw, nullptr, "flv", m_destination.c_str());
    if (r < 0 || !raw)
        return r < 0 ? r : AVERROR(ENOMEM);
    m_ctx.reset(raw);
    AVFormatContext* c = m_ctx.get();
    c->interrupt_callback.callback = &ServerSender::interrupted;
    c->interrupt_callback.opaque = this;
    for (AVCodecParameters* p : m_params) {
        if (!p)
            continue;
        AVStream* s = avformat_new_stream(c, nullptr);
        if (!s)
            return AVERROR(ENOMEM);
        if ((r = avcodec_parameters_copy(s->codecpar, p)) < 0)
            return r;
        s->codecpar->codec_tag = 0;
    }
    setDeadline(kConnectTimeoutMs);
    AVDictionary* options = m_file ? nullptr : serverOpenOptions(m_destination);
    r = avio_open2(&c->pb, m_destination.c_str(), AVIO_FLAG_WRITE, &c->interrupt_callback,
                   &options);
    av_dict_free(&options);
    if (r < 0) {
        setDeadline(0);
        media::log(media::LogError, std::string(m_file ? "Live: cannot write the FLV copy: "
                                                       : "Live: cannot connect to a server: ") +
                                        media::avErrorText(r));
        return r;
    }
    if (m_file) {
        struct stat st {
        };
        if (::stat(m_destination.c_str(), &st) == 0) {
            m_fileInode = st.st_ino;
            m_fileDevice = st.st_dev;
        }
    }
    r = avformat_write_header(c, nullptr);
    setDeadline(0);
    if (r < 0) {
        media::log(media::LogError,
                   "Live: the stream header was refused: " + media::avErrorText(r));
        return r;
    }
    return 0;
}

void ServerSender::disconnect(bool graceful)
{
    if (!m_ctx)
        return;
    AVFormatContext* c = m_ctx.get();
    if (c->pb) {
        // Closing writes too (the protocol says goodbye), which a server
        // that stopped reading would hold for ever.
        setDeadline(kCloseTimeoutMs);
        if (graceful)
            av_write_trailer(c);
        avio_closep(&c->pb);
        setDeadline(0);
    }
    m_ctx.reset();
}

bool ServerSender::fileGone() const
{
    struct stat st {
    };
    return ::stat(m_destination.c_str(), &st) != 0 || uint64_t(st.st_ino) != m_fileInode ||
           uint64_t(st.st_dev) != m_fileDevice;
}

int64_t ServerSender::secondNow() const
{
    return (av_gettime_relative() - m_originUs) / 1000000;
}

int64_t ServerSender::bytesOfSecondBefore(int64_t second) const
{
    // Nothing written for a whole second means nothing moves.
    if (second == m_second)
        return m_secondBytes[0];
    return second == m_second + 1 ? m_secondBytes[1] : 0;
}

void ServerSender::countSent(int bytes, bool video)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int64_t second = secondNow();
    if (second != m_second) {
        m_secondBytes[0] = bytesOfSecondBefore(second);
        m_secondBytes[1] = 0;
        m_second = second;
    }
    m_secondBytes[1] += bytes;
    m_stats.bytes += bytes;
    m_stats.packets += 1;
    if (video)
        m_stats.frames += 1;
}

int ServerSender::send()
{
    int64_t checkedUs = av_gettime_relative();
    for (;;) {
        std::optional<Item> item = m_queue.pop(std::chrono::milliseconds(100));
        // A copy whose file was deleted (its folder removed) still takes
        // writes, into a file nobody can reach any more.
        if (m_file && av_gettime_relative() - checkedUs >= 1000000) {
            checkedUs = av_gettime_relative();
            if (fileGone())
                return AVERROR(ENOENT);
        }
        if (!item) {
            if (m_queue.closed())
                return 0;
            continue;
        }
        AVStream* s = m_ctx->streams[item->stream == 0 || !m_params[0] ? 0 : 1];
        AVPacket* p = item->packet.get();
        const int size = p->size;
        const bool video = item->stream == 0;
        av_packet_rescale_ts(p, m_timeBase[item->stream], s->time_base);
        p->stream_index = s->index;
        setDeadline(kStallTimeoutMs);
        int r = av_interleaved_write_frame(m_ctx.get(), p);
        setDeadline(0);
        // The muxer buffers; a failed write of the buffer shows here.
        if (r >= 0 && m_ctx->pb && m_ctx->pb->error < 0)
            r = m_ctx->pb->error;
        if (r < 0) {
            if (m_stopAsked)
                return 0;
            media::log(media::LogError, std::string(m_file ? "Live: writing the FLV copy failed: "
                                                           : "Live: sending failed: ") +
                                            media::avErrorText(r));
            if (video) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_stats.dropped += 1;
            }
            return r;
        }
        countSent(size, video);
    }
}

void ServerSender::setConnected(bool up)
{
    if (up) {
        // What a lost connection left queued is old: the new one begins at
        // a key frame the encoder sends from now on.
        discardQueued();
        m_connection += 1;
    }
    m_live = up;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stats.connected = up ? 1 : 0;
}

void ServerSender::discardQueued()
{
    int pictures = 0;
    while (std::optional<Item> item = m_queue.pop(std::chrono::milliseconds(0)))
        pictures += item->stream == 0 ? 1 : 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stats.dropped += pictures;
}

bool ServerSender::waitBeforeRetry(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, std::chrono::milliseconds(ms),
                            [this] { return m_stopAsked.load(); });
}

void ServerSender::run()
{
    int retryMs = kFirstRetryMs;
    for (bool first = true; !m_stopAsked; first = false) {
        const int failed = connect();
        if (failed == 0) {
            setConnected(true);
            if (m_onState)
                m_onState(true, 0);
            const int64_t upUs = av_gettime_relative();
            const int lost = send();
            if (lost == 0) {
                // Still taken as connected, so that the end of the FLV is
                // written within the stop's time.
                disconnect(true);
                setConnected(false);
                break;
            }
            setConnected(false);
            if (m_onState && !m_stopAsked)
                m_onState(false, lost);
            disconnect(false);
            discardQueued();
            // A connection that held for a while starts the back-off afresh;
            // a server that drops each one soon after is tried, and its loss
            // told, less and less often.
            if (av_gettime_relative() - upUs >= int64_t(kLongestRetryMs) * 1000)
                retryMs = kFirstRetryMs;
        } else {
            disconnect(false);
            if (m_stopAsked)
                break;
            if (first && m_onState)
                m_onState(false, failed);
        }
        if (m_file || !waitBeforeRetry(retryMs))
            break;
        retryMs = std::min(retryMs * 2, kLongestRetryMs);
    }
    m_queue.close();
}

void ServerSender::push(const AVPacket* packet, int stream)
{
    if (!packet || stream < 0 || stream > 1 || !m_params[stream])
        return;
    const bool video = stream == 0;
    const uint64_t connection = m_connection.load();
    if (connection != m_seenConnection) {
        m_seenConnection = connection;
        m_waitKey = true;
    }
    bool take = m_live.load();
    if (take && m_waitKey) {
        take = video && (packet->flags & AV_PKT_FLAG_KEY);
        if (take)
            m_waitKey = false;
    }
    if (take) {
        Item item;
        item.packet = media::makePacket();
        item.stream = stream;
        if (item.packet && av_packet_ref(item.packet.get(), packet) == 0 &&
            m_queue.push(std::move(item))) {
            m_fed = true;
            return;
        }
        // Full: this server is behind. Resume at the next key frame, so
        // that what it gets stays decodable.
        m_waitKey = true;
    } else {
        m_waitKey = true;
    }
    // Every picture a server that was fed does not get is counted, the ones
    // skipped up to the next key frame too.
    if (video && m_fed) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stats.dropped += 1;
    }
}

void ServerSender::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_stopAsked) {
            m_stopAsked = true;
            // Whatever is still queued gets a few seconds, then the
            // connection is cut.
            m_stopDeadlineUs = av_gettime_relative() + int64_t(kCloseTimeoutMs) * 1000;
        }
    }
    m_wake.notify_all();
    m_queue.close();
    if (m_thread.joinable())
        m_thread.join();
}

ServerSender::Stats ServerSender::stats() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Stats s = m_stats;
    s.speed = int(bytesOfSecondBefore(secondNow()));
    return s;
}

} // namespace zd::live
