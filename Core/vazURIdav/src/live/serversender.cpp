#include "live/serversender.h"

#include "live/serveroptions.h"
#include "media/enginethread.h"
#include "media/medialog.h"

extern "C" {
#include <libavutil/time.h>
}

namespace zd::live
{

ServerSender::ServerSender(std::string destination, bool file, const AVCodecContext* video,
                           const AVCodecContext* audio, StateHandler onState)
    : m_destination(std::move(destination)), m_file(file), m_onState(std::move(onState))
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
}

ServerSender::~ServerSender()
{
    stop();
    for (AVCodecParameters*& p : m_params)
        avcodec_parameters_free(&p);
}

void ServerSender::start()
{
    m_thread = media::startEngineThread([this] { run(); });
}

bool ServerSender::waitSettled(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_settledCv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return m_settled; });
}

void ServerSender::setDeadline(int fromNowMs)
{
    m_deadlineUs = fromNowMs > 0 ? av_gettime_relative() + int64_t(fromNowMs) * 1000 : 0;
}

int ServerSender::interrupted(void* self)
{
    auto* s = static_cast<ServerSender*>(self);
    if (s->m_abort.load())
        return 1;
    const int64_t deadline = s->m_deadlineUs.load();
    return deadline > 0 && av_gettime_relative() > deadline ? 1 : 0;
}

bool ServerSender::connect()
{
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "flv", m_destination.c_str()) < 0 || !raw)
        return false;
    m_ctx.reset(raw);
    AVFormatContext* c = m_ctx.get();
    c->interrupt_callback.callback = &ServerSender::interrupted;
    c->interrupt_callback.opaque = this;
    for (AVCodecParameters* p : m_params) {
        if (!p)
            continue;
        AVStream* s = avformat_new_stream(c, nullptr);
        if (!s || avcodec_parameters_copy(s->codecpar, p) < 0)
            return false;
        s->codecpar->codec_tag = 0;
    }
    setDeadline(kConnectTimeoutMs);
    AVDictionary* options = m_file ? nullptr : serverOpenOptions(m_destination);
    int r = avio_open2(&c->pb, m_destination.c_str(), AVIO_FLAG_WRITE, &c->interrupt_callback,
                       &options);
    av_dict_free(&options);
    if (r < 0) {
        media::log(media::LogError, "Live: cannot connect to a server: " + media::avErrorText(r));
        return false;
    }
    r = avformat_write_header(c, nullptr);
    setDeadline(0);
    if (r < 0) {
        media::log(media::LogError,
                   "Live: the stream header was refused: " + media::avErrorText(r));
        return false;
    }
    return true;
}

void ServerSender::disconnect(bool graceful)
{
    if (!m_ctx)
        return;
    AVFormatContext* c = m_ctx.get();
    if (c->pb) {
        if (graceful) {
            setDeadline(kCloseTimeoutMs);
            av_write_trailer(c);
        }
        avio_closep(&c->pb);
    }
    m_ctx.reset();
}

void ServerSender::run()
{
    const bool up = connect();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_settled = true;
        m_stats.connected = up ? 1 : 0;
        m_secondStartUs = av_gettime_relative();
    }
    m_settledCv.notify_all();
    if (!up) {
        m_queue.close();
        disconnect(false);
        if (m_onState)
            m_onState(false);
        return;
    }
    if (m_onState)
        m_onState(true);
    bool failed = false;
    for (;;) {
        std::optional<Item> item = m_queue.pop(std::chrono::milliseconds(100));
        const int64_t now = av_gettime_relative();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (now - m_secondStartUs >= 1000000) {
                m_stats.speed = static_cast<int>(m_stats.bytes - m_secondBytes);
                m_secondBytes = m_stats.bytes;
                m_secondStartUs = now;
            }
        }
        if (!item) {
            if (m_queue.closed())
                break;
            continue;
        }
        AVStream* s = m_ctx->streams[item->stream == 0 || !m_params[0] ? 0 : 1];
        AVPacket* p = item->packet.get();
        const int size = p->size;
        const bool video = item->stream == 0;
        av_packet_rescale_ts(p, m_timeBase[item->stream], s->time_base);
        p->stream_index = s->index;
        const int r = av_interleaved_write_frame(m_ctx.get(), p);
        if (r < 0) {
            media::log(media::LogError, "Live: sending failed: " + media::avErrorText(r));
            failed = true;
            break;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stats.bytes += size;
        m_stats.packets += 1;
        if (video)
            m_stats.frames += 1;
    }
    m_queue.close();
    disconnect(!failed);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stats.connected = 0;
        m_stats.speed = 0;
    }
    // A stop that was asked for is not a lost connection.
    if (failed && !m_stopAsked && m_onState)
        m_onState(false);
}

void ServerSender::push(const AVPacket* packet, int stream)
{
    if (!packet || stream < 0 || stream > 1 || !m_params[stream])
        return;
    const bool video = stream == 0;
    if (m_waitKey) {
        if (!video || !(packet->flags & AV_PKT_FLAG_KEY))
            return;
        m_waitKey = false;
    }
    Item item;
    item.packet = media::makePacket();
    item.stream = stream;
    if (!item.packet || av_packet_ref(item.packet.get(), packet) < 0)
        return;
    if (!m_queue.push(std::move(item))) {
        if (m_queue.closed())
            return;
        // Full: this server is behind. Resume at the next key frame, so
        // that what it gets stays decodable.
        m_waitKey = true;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (video)
            m_stats.dropped += 1;
    }
}

void ServerSender::stop()
{
    m_stopAsked = true;
    m_queue.close();
    if (m_thread.joinable()) {
        // Whatever is still queued gets a few seconds, then the connection
        // is cut.
        setDeadline(kCloseTimeoutMs);
        m_thread.join();
    }
}

ServerSender::Stats ServerSender::stats() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stats;
}

} // namespace zd::live
