#include "media/videoencoder.h"

#include "media/medialog.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace zd::media
{

int failureFromAv(int averror, int fallback)
{
    return averror == AVERROR(ENOMEM) ? RecordOutOfMemory : fallback;
}

int encodeFrame(AVCodecContext* c, AVFrame* frame, const char* failureLine,
                const PacketHandler& out)
{
    int r = avcodec_send_frame(c, frame);
    if (r < 0 && r != AVERROR_EOF) {
        log(LogError, failureLine + avErrorText(r));
        return failureFromAv(r, RecordEncodeError);
    }
    AVPacketPtr packet = makePacket();
    if (!packet)
        return RecordOutOfMemory;
    for (;;) {
        r = avcodec_receive_packet(c, packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return 0;
        if (r < 0) {
            log(LogError, failureLine + avErrorText(r));
            return failureFromAv(r, RecordEncodeError);
        }
        const int failure = out(packet.get());
        av_packet_unref(packet.get());
        if (failure)
            return failure;
    }
}

int VideoEncoder::open(const RecordSettings& s, int width, int height, bool globalHeader)
{
    const bool hevc = s.videoCodec != VideoCodec::H264;
    const AVCodec* codec = avcodec_find_encoder_by_name(hevc ? "libx265" : "libx264");
    if (!codec)
        return RecordStartEncoderUnavailable;
    m_ctx.reset(avcodec_alloc_context3(codec));
    if (!m_ctx)
        return RecordStartEncoderUnavailable;
    AVCodecContext* c = m_ctx.get();
    c->width = width;
    c->height = height;
    c->pix_fmt = s.videoCodec == VideoCodec::Hevc10 ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, s.fps};
    c->framerate = AVRational{s.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->bit_rate = s.bitrate;
    // A key frame every second: each one starts a fragment of the file, so a
    // recording cut short loses at most about a second.
    c->gop_size = s.fps;
    c->color_range = AVCOL_RANGE_MPEG;
    if (globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c->priv_data, "preset", s.preset.c_str(), 0);
    if (hevc)
        av_opt_set(c->priv_data, "x265-params", "log-level=error", 0);
    if (s.videoCodec == VideoCodec::Hevc10)
        av_opt_set(c->priv_data, "profile", "main10", 0);
    const int r = avcodec_open2(c, codec, nullptr);
    if (r < 0) {
        log(LogError,
            std::string("Cannot open the video encoder ") + codec->name + ": " + avErrorText(r));
        m_ctx.reset();
        return RecordStartEncoderUnavailable;
    }
    return 0;
}

int VideoEncoder::send(AVFrame* frame, const PacketHandler& out)
{
    return encodeFrame(m_ctx.get(), frame, "Video encoding failed: ", [&out](AVPacket* packet) {
        if (packet->duration == 0)
            packet->duration = 1;
        return out(packet);
    });
}

int VideoEncoder::encode(const AVFrame* picture, int64_t pts, const PacketHandler& out)
{
    AVCodecContext* c = m_ctx.get();
    if (!c || !picture)
        return RecordEncodeError;
    AVFramePtr frame;
    if (picture->width == c->width && picture->height == c->height &&
        picture->format == c->pix_fmt) {
        // The usual case: the picture goes in as it is.
        frame = refFrame(picture);
        if (!frame)
            return RecordOutOfMemory;
    } else {
        m_sws.reset(sws_getCachedContext(m_sws.release(), picture->width, picture->height,
                                         static_cast<AVPixelFormat>(picture->format), c->width,
                                         c->height, c->pix_fmt, SWS_BILINEAR, nullptr, nullptr,
                                         nullptr));
        if (!m_sws)
            return RecordCopyFrameError;
        frame = makeFrame();
        if (!frame)
            return RecordOutOfMemory;
        frame->width = c->width;
        frame->height = c->height;
        frame->format = c->pix_fmt;
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            return RecordOutOfMemory;
        if (sws_scale(m_sws.get(), picture->data, picture->linesize, 0, picture->height,
                      frame->data, frame->linesize) <= 0)
            return RecordCopyFrameError;
    }
    frame->pts = pts;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->sample_aspect_ratio = AVRational{1, 1};
    m_last = refFrame(frame.get());
    return send(frame.get(), out);
}

int VideoEncoder::repeat(int64_t pts, const PacketHandler& out)
{
    if (!m_last)
        return 0;
    AVFramePtr frame = refFrame(m_last.get());
    if (!frame)
        return RecordOutOfMemory;
    frame->pts = pts;
    return send(frame.get(), out);
}

int VideoEncoder::flush(const PacketHandler& out)
{
    if (!m_ctx)
        return 0;
    m_last.reset();
    return send(nullptr, out);
}

} // namespace zd::media
