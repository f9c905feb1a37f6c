#include "share/fmp4stream.h"

#include "core/log.h"
#include "media/medialog.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

namespace zd
{

namespace
{
constexpr int kIoBytes = 64 * 1024;
// Enough of the stream to know both codecs' parameters: a reader joins at a
// key frame with its parameter sets, so little is needed.
constexpr int64_t kProbeBytes = 512 * 1024;
constexpr int64_t kAnalyzeUs = 1500000;
// A fragment at each key frame and at least this often, so a browser starts
// playing soon after it joins.
constexpr int64_t kFragmentUs = 500000;

void freeIo(AVIOContext*& io)
{
    if (!io)
        return;
    av_freep(&io->buffer);
    avio_context_free(&io);
}

AVIOContext* makeIo(bool write, void* opaque, int (*readPacket)(void*, uint8_t*, int),
                    int (*writePacket)(void*, uint8_t*, int))
{
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBytes));
    if (!buffer)
        return nullptr;
    AVIOContext* io = avio_alloc_context(buffer, kIoBytes, write ? 1 : 0, opaque, readPacket,
                                         writePacket, nullptr);
    if (!io)
        av_free(buffer);
    return io;
}
} // namespace

Fmp4Stream::Fmp4Stream(Source source) : m_source(std::move(source)) {}

Fmp4Stream::~Fmp4Stream()
{
    // The contexts do not own their custom I/O: it goes after them.
    m_in.reset();
    m_out.reset();
    freeIo(m_inIo);
    freeIo(m_outIo);
}

int Fmp4Stream::readInput(void* opaque, uint8_t* buffer, int bytes)
{
    auto* self = static_cast<Fmp4Stream*>(opaque);
    const long n = self->m_source(buffer, static_cast<size_t>(std::max(bytes, 0)));
    if (n > 0)
        return static_cast<int>(std::min<long>(n, bytes));
    return n == 0 ? AVERROR_EOF : AVERROR_EXIT;
}

int Fmp4Stream::writeOutput(void* opaque, uint8_t* buffer, int bytes)
{
    auto* self = static_cast<Fmp4Stream*>(opaque);
    self->m_pending.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bytes));
    return bytes;
}

bool Fmp4Stream::open()
{
    m_inIo = makeIo(false, this, &Fmp4Stream::readInput, nullptr);
    m_outIo = makeIo(true, this, nullptr, &Fmp4Stream::writeOutput);
    m_packet = media::makePacket();
    AVFormatContext* in = m_inIo && m_outIo && m_packet ? avformat_alloc_context() : nullptr;
    if (!in)
        return false;
    in->pb = m_inIo;
    in->flags |= AVFMT_FLAG_CUSTOM_IO;
    in->probesize = kProbeBytes;
    in->max_analyze_duration = kAnalyzeUs;
    // Freed by the call when it fails.
    int r = avformat_open_input(&in, nullptr, av_find_input_format("mpegts"), nullptr);
    if (r >= 0) {
        m_in.reset(in);
        r = avformat_find_stream_info(in, nullptr);
    }
    if (r < 0) {
        Log::write(8, "Share server: no TS stream to remux into MP4 (%s)", media::avErrorText(r).c_str());
        return false;
    }

    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "mp4", nullptr) < 0 || !out)
        return false;
    m_out.reset(out);
    out->pb = m_outIo;
    out->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_streamMap.assign(in->nb_streams, -1);
    bool audio = false;
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVCodecParameters* p = in->streams[i]->codecpar;
        const bool video =
            p->codec_type == AVMEDIA_TYPE_VIDEO && m_videoIn < 0 && p->codec_id == AV_CODEC_ID_H264;
        const bool sound = p->codec_type == AVMEDIA_TYPE_AUDIO && !audio &&
                           p->codec_id == AV_CODEC_ID_AAC && p->sample_rate > 0;
        if (!video && !sound)
            continue;
        AVStream* s = avformat_new_stream(out, nullptr);
        if (!s || avcodec_parameters_copy(s->codecpar, p) < 0)
            return false;
        s->codecpar->codec_tag = 0;
        s->time_base = in->streams[i]->time_base;
        m_streamMap[i] = s->index;
        if (video)
            m_videoIn = static_cast<int>(i);
        if (sound) {
            AVBSFContext* bsf = nullptr;
            const AVBitStreamFilter* filter = av_bsf_get_by_name("aac_adtstoasc");
            if (!filter || av_bsf_alloc(filter, &bsf) < 0)
                return false;
            m_adts.reset(bsf);
            if (avcodec_parameters_copy(bsf->par_in, p) < 0)
                return false;
            bsf->time_base_in = in->streams[i]->time_base;
            if (av_bsf_init(bsf) < 0)
                return false;
            m_audioIn = static_cast<int>(i);
            audio = true;
        }
    }
    if (m_videoIn < 0) {
        Log::write(8, "Share server: no H.264 picture to remux into MP4");
        return false;
    }
    AVDictionary* options = nullptr;
    // The sound's parameters come with its first packets (ADTS headers in
    // TS): the header waits for them.
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof+delay_moov", 0);
    av_dict_set_int(&options, "frag_duration", kFragmentUs, 0);
    r = avformat_write_header(out, &options);
    av_dict_free(&options);
    if (r < 0)
        Log::write(8, "Share server: the MP4 stream did not start (%s)",
                   media::avErrorText(r).c_str());
    return r >= 0;
}

bool Fmp4Stream::remuxOne()
{
    AVPacket* p = m_packet.get();
    const int r = av_read_frame(m_in.get(), p);
    if (r < 0) {
        if (r != AVERROR_EOF)
            m_failed = true;
        return false;
    }
    const int in = p->stream_index;
    const int out = in >= 0 && in < static_cast<int>(m_streamMap.size()) ? m_streamMap[in] : -1;
    const AVRational tb = out >= 0 ? m_in->streams[in]->time_base : AVRational{1, 1};
    // The MP4 starts at the first key frame, at time 0: a reader joins a
    // stream that has run for a while.
    if (out >= 0 && m_startUs == AV_NOPTS_VALUE && in == m_videoIn &&
        (p->flags & AV_PKT_FLAG_KEY) && p->dts != AV_NOPTS_VALUE)
        m_startUs = av_rescale_q(p->dts, tb, AV_TIME_BASE_Q);
    if (out < 0 || m_startUs == AV_NOPTS_VALUE || p->dts == AV_NOPTS_VALUE) {
        av_packet_unref(p);
        return true;
    }
    const int64_t shift = av_rescale_q(m_startUs, AV_TIME_BASE_Q, tb);
    p->dts -= shift;
    if (p->pts != AV_NOPTS_VALUE)
        p->pts -= shift;
    if (p->dts < 0) { // sound from before the first picture
        av_packet_unref(p);
        return true;
    }
    p->pos = -1;
    if (in != m_audioIn)
        return write(p, tb, out);
    if (av_bsf_send_packet(m_adts.get(), p) < 0) {
        av_packet_unref(p);
        return true; // a damaged sound packet: left out
    }
    while (av_bsf_receive_packet(m_adts.get(), p) >= 0)
        if (!write(p, tb, out))
            return false;
    return true;
}

bool Fmp4Stream::write(AVPacket* packet, AVRational tb, int out)
{
    av_packet_rescale_ts(packet, tb, m_out->streams[out]->time_base);
    packet->stream_index = out;
    if (av_interleaved_write_frame(m_out.get(), packet) < 0) {
        av_packet_unref(packet);
        m_failed = true;
        return false;
    }
    avio_flush(m_outIo);
    return true;
}

long Fmp4Stream::read(uint8_t* out, size_t bytes)
{
    if (!m_opened) {
        m_opened = true;
        m_failed = !open();
    }
    while (m_pendingAt == m_pending.size() && !m_ended && !m_failed) {
        m_pending.clear();
        m_pendingAt = 0;
        if (!remuxOne()) {
            if (!m_failed && av_write_trailer(m_out.get()) >= 0)
                avio_flush(m_outIo);
            m_ended = true;
        }
    }
    const size_t n = std::min(bytes, m_pending.size() - m_pendingAt);
    if (n > 0) {
        std::memcpy(out, m_pending.data() + m_pendingAt, n);
        m_pendingAt += n;
        return static_cast<long>(n);
    }
    return m_failed ? -1 : 0;
}

} // namespace zd
