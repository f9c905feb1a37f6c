#include "media/recordmuxer.h"

#include "media/medialog.h"

#include <cerrno>
#include <cstring>

extern "C" {
#include <libavutil/opt.h>
}

namespace zd::media
{

namespace
{
constexpr int64_t kSyncEveryUs = 2000000;
constexpr int64_t kFragmentUs = 250000;
} // namespace

RecordMuxer::~RecordMuxer()
{
    if (m_ctx)
        finish();
}

int RecordMuxer::failureFromWrite(int averror) const
{
    const int e = m_file ? m_file->writeError() : 0;
    if (e == ENOSPC || e == EDQUOT || e == EFBIG || averror == AVERROR(ENOSPC) ||
        averror == AVERROR(EDQUOT) || averror == AVERROR(EFBIG))
        return RecordDiskFull;
    if (averror == AVERROR(ENOMEM))
        return RecordOutOfMemory;
    if (e)
        return RecordWriteError;
    return RecordEncodeError;
}

int RecordMuxer::open(const std::string& path, Container container, AVCodecContext* video,
                      AVCodecContext* audio)
{
    int errorNumber = 0;
    m_file = RecordFile::create(path, errorNumber);
    if (!m_file) {
        log(LogError,
            "Cannot create the recording file " + path + ": " + std::strerror(errorNumber));
        return errorNumber == ENOSPC ? int(RecordDiskFull) : int(RecordStartCannotCreateFile);
    }
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(
            &raw, nullptr, container == Container::Mp4 ? "mp4" : "mpegts", nullptr) < 0 ||
        !raw)
        return RecordOutOfMemory;
    m_ctx.reset(raw);
    m_ctx->pb = m_file->io();
    m_ctx->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    m_ctx->flush_packets = 1;

    auto addStream = [&](AVCodecContext* enc) -> int {
        AVStream* st = avformat_new_stream(m_ctx.get(), nullptr);
        if (!st || avcodec_parameters_from_context(st->codecpar, enc) < 0)
            return -1;
        st->time_base = enc->time_base;
        if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
            st->avg_frame_rate = enc->framerate;
            st->r_frame_rate = enc->framerate;
            // Players on other systems want HEVC in MP4 tagged hvc1.
            if (enc->codec_id == AV_CODEC_ID_HEVC && container == Container::Mp4)
                st->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
        }
        return st->index;
    };
    m_videoStream = addStream(video);
    if (m_videoStream < 0)
        return RecordOutOfMemory;
    if (audio) {
        m_audioStream = addStream(audio);
        if (m_audioStream < 0)
            return RecordOutOfMemory;
    }
    AVDictionary* options = nullptr;
    if (container == Container::Mp4) {
        // AC-3 takes its parameters from the first packets, so with it the
        // header waits for them (delay_moov); otherwise it is on the disk at
        // once.
        const bool ac3 = audio && audio->codec_id == AV_CODEC_ID_AC3;
        av_dict_set(&options, "movflags",
                    ac3 ? "frag_keyframe+empty_moov+default_base_moof+delay_moov"
                        : "frag_keyframe+empty_moov+default_base_moof",
                    0);
        // Besides at each key frame, a fragment ends after a fraction of a
        // second, so that a full disk or a crash costs little, and a disk
        // that fills at once still keeps the first pictures.
        av_dict_set_int(&options, "frag_duration", kFragmentUs, 0);
    }
    const int r = avformat_write_header(m_ctx.get(), &options);
    av_dict_free(&options);
    if (r < 0) {
        log(LogError, "Cannot start the recording file " + path + ": " + avErrorText(r));
        return failureFromWrite(r);
    }
    m_headerWritten = true;
    m_file->markWhole();
    return 0;
}

int RecordMuxer::write(AVPacket* packet, int stream, AVRational encoderTimeBase)
{
    if (!m_ctx || stream < 0)
        return RecordEncodeError;
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, encoderTimeBase, m_ctx->streams[stream]->time_base);
    const int r = av_interleaved_write_frame(m_ctx.get(), packet);
    if (r < 0 || m_file->writeError()) {
        log(LogError, "Writing the recording failed: " +
                          avErrorText(r < 0 ? r : AVERROR(m_file->writeError())));
        return failureFromWrite(r < 0 ? r : AVERROR(m_file->writeError()));
    }
    // Packets are flushed as they are written: the MP4 muxer hands over
    // whole fragments, the TS muxer whole TS packets.
    m_file->markWhole();
    return 0;
}

int RecordMuxer::writeVideo(AVPacket* packet, AVRational tb)
{
    return write(packet, m_videoStream, tb);
}

int RecordMuxer::writeAudio(AVPacket* packet, AVRational tb)
{
    return write(packet, m_audioStream, tb);
}

void RecordMuxer::keepSafe()
{
    if (m_file)
        m_file->sync(kSyncEveryUs);
}

int RecordMuxer::finish()
{
    int failure = 0;
    if (m_ctx && m_headerWritten) {
        const int r = av_write_trailer(m_ctx.get());
        if (r < 0 || (m_file && m_file->writeError()))
            failure = failureFromWrite(r);
    }
    m_headerWritten = false;
    m_ctx.reset();
    if (m_file) {
        const int e = m_file->close();
        if (e && !failure)
            failure =
                (e == ENOSPC || e == EDQUOT || e == EFBIG) ? RecordDiskFull : RecordWriteError;
        m_file.reset();
    }
    return failure;
}

} // namespace zd::media
