#include "live/mediafile.h"

#include <sys/stat.h>

namespace zd::live
{

bool isRegularFile(const std::string& path)
{
    struct stat st {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool openMediaFile(const std::string& path, media::AVFormatInputPtr& format)
{
    format.reset();
    if (!isRegularFile(path))
        return false;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return false;
    media::AVFormatInputPtr opened(raw);
    if (avformat_find_stream_info(opened.get(), nullptr) < 0)
        return false;
    format = std::move(opened);
    return true;
}

bool openDecoder(AVFormatContext* format, AVMediaType type, DecoderStream& out)
{
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format, type, -1, -1, &codec, 0);
    if (index < 0 || !codec)
        return false;
    media::AVCodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c || avcodec_parameters_to_context(c.get(), format->streams[index]->codecpar) < 0)
        return false;
    c->thread_count = 2;
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return false;
    out.index = index;
    out.codec = std::move(c);
    out.timeBase = format->streams[index]->time_base;
    return true;
}

media::AVFramePtr decodePicture(const std::string& path)
{
    media::AVFormatInputPtr format;
    DecoderStream video;
    if (!openMediaFile(path, format) || !openDecoder(format.get(), AVMEDIA_TYPE_VIDEO, video))
        return nullptr;
    media::AVPacketPtr packet = media::makePacket();
    media::AVFramePtr frame = media::makeFrame();
    if (!packet || !frame)
        return nullptr;
    bool draining = false;
    // A picture file holds its first picture within a few packets.
    for (int packets = 0; packets < 64;) {
        int r = avcodec_receive_frame(video.codec.get(), frame.get());
        if (r == 0) {
            if (frame->width <= 0 || frame->height <= 0 || frame->width > kMaxPictureSide ||
                frame->height > kMaxPictureSide)
                return nullptr;
            return frame;
        }
        if (r != AVERROR(EAGAIN) || draining)
            return nullptr;
        r = av_read_frame(format.get(), packet.get());
        if (r < 0) {
            draining = true;
            avcodec_send_packet(video.codec.get(), nullptr);
            continue;
        }
        if (packet->stream_index == video.index) {
            ++packets;
            avcodec_send_packet(video.codec.get(), packet.get());
        }
        av_packet_unref(packet.get());
    }
    return nullptr;
}

} // namespace zd::live
