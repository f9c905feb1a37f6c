// Turns the filled buffers of a V4L2 capture into pictures for the
// receiver: raw formats copied once into a pooled frame, Motion-JPEG decoded
// with libavcodec. Used by one capture thread.
#pragma once

#include "devices/framereceiver.h"
#include "devices/v4l2formatlist.h"
#include "devices/v4l2framecopy.h"
#include "media/avholders.h"
#include "media/framepool.h"

#include <cstdint>

namespace zd
{

class V4l2Pictures
{
public:
    V4l2Pictures(const V4l2PixelFormat& format, const V4l2FrameLayout& layout);

    // Readies the decoder (Motion-JPEG) or checks the layout (raw). False
    // when pictures of this format cannot be made.
    bool open();
    // Makes the picture of one buffer, with pts, and hands it to receiver.
    // 1 handed on, 0 dropped (short buffer, no memory), -1 the decoder
    // refused the bytes.
    int deliver(const uint8_t* data, size_t size, int64_t pts, FrameReceiver& receiver);

private:
    const V4l2PixelFormat m_format;
    const V4l2FrameLayout m_layout;
    media::FramePool m_pool;
    media::AVCodecContextPtr m_decoder;
    media::AVPacketPtr m_packet;
    media::AVFramePtr m_decoded;
};

} // namespace zd
