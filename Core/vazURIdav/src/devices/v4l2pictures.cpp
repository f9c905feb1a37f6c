#include "devices/v4l2pictures.h"

#include <climits>
#include <cstring>

namespace zd
{

V4l2Pictures::V4l2Pictures(const V4l2PixelFormat& format, const V4l2FrameLayout& layout)
    : m_format(format), m_layout(layout)
{
}

bool V4l2Pictures::open()
{
    if (!m_format.jpeg)
        return V4l2FrameCopy::requiredBytes(m_layout) > 0;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    if (!codec)
        return false;
    m_decoder.reset(avcodec_alloc_context3(codec));
    m_packet = media::makePacket();
    m_decoded = media::makeFrame();
    if (!m_decoder || !m_packet || !m_decoded)
        return false;
    // One picture in, one out: no frame threads that would hold pictures back.
    m_decoder->thread_count = 1;
    m_decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
    return avcodec_open2(m_decoder.get(), codec, nullptr) >= 0;
}

int V4l2Pictures::deliver(const uint8_t* data, size_t size, int64_t pts, FrameReceiver& receiver)
{
    if (!data || size == 0)
        return 0;
    if (!m_format.jpeg) {
        media::AVFramePtr frame = m_pool.get(m_layout.width, m_layout.height, m_layout.pixels);
        if (!frame || !V4l2FrameCopy::copy(m_layout, data, size, frame.get()))
            return 0;
        frame->pts = pts;
        receiver.videoFrame(frame.get());
        return 1;
    }
    if (!m_decoder || size > static_cast<size_t>(INT_MAX) - AV_INPUT_BUFFER_PADDING_SIZE)
        return 0;
    av_packet_unref(m_packet.get());
    // The driver's buffer goes back to it right after, so the decoder gets a
    // copy of its own (with the padding it reads past the end).
    if (av_new_packet(m_packet.get(), static_cast<int>(size)) < 0)
        return 0;
    std::memcpy(m_packet->data, data, size);
    m_packet->pts = pts;
    if (avcodec_send_packet(m_decoder.get(), m_packet.get()) < 0)
        return -1;
    int got = 0;
    while (avcodec_receive_frame(m_decoder.get(), m_decoded.get()) == 0) {
        m_decoded->pts = pts;
        receiver.videoFrame(m_decoded.get());
        av_frame_unref(m_decoded.get());
        ++got;
    }
    return got > 0 ? 1 : -1;
}

} // namespace zd
