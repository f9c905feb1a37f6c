// A filled V4L2 buffer of any size with any layout the driver claims: the
// copy into a frame reads only inside the buffer and writes only inside the
// frame.
#include "devices/v4l2framecopy.h"
#include "devices/v4l2pictures.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

// FFmpeg's decoders say on standard error what they make of a broken
// picture: a line for nearly every input here.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    static const AVPixelFormat kFormats[] = {
        AV_PIX_FMT_YUYV422, AV_PIX_FMT_UYVY422, AV_PIX_FMT_NV12,  AV_PIX_FMT_YUV420P,
        AV_PIX_FMT_P010LE,  AV_PIX_FMT_RGB24,   AV_PIX_FMT_GRAY8, AV_PIX_FMT_NONE};
    zd::V4l2FrameLayout l;
    l.pixels = kFormats[data[0] % 8];
    l.width = 1 + data[1] % 64;
    l.height = 1 + data[2] % 64;
    l.bytesPerLine = data[3] == 0 ? 0u : data[3] * (1u + data[4] % 4);
    l.swapChroma = data[5] & 1;
    // The buffer is the rest, in a block of exactly its size.
    std::vector<uint8_t> buffer(data + 8, data + size);
    const size_t need = zd::V4l2FrameCopy::requiredBytes(l);
    AVFrame* f = av_frame_alloc();
    f->format = l.pixels;
    f->width = l.width;
    f->height = l.height;
    if (l.pixels != AV_PIX_FMT_NONE && av_frame_get_buffer(f, 1) >= 0) {
        const bool copied = zd::V4l2FrameCopy::copy(l, buffer.data(), buffer.size(), f);
        if (copied && (need == 0 || buffer.size() < need))
            __builtin_trap();
    }
    av_frame_free(&f);

    // The same through the capture's picture maker, Motion-JPEG included.
    class Receiver : public zd::FrameReceiver
    {
    public:
        void videoFrame(const AVFrame* frame) override
        {
            if (!frame || frame->width <= 0 || frame->height <= 0)
                __builtin_trap();
        }
        void audioFrame(const AVFrame*) override {}
        void captureFailed(int) override {}
    } receiver;
    zd::V4l2PixelFormat pf;
    pf.pixels = l.pixels;
    pf.jpeg = l.pixels == AV_PIX_FMT_NONE;
    zd::V4l2Pictures pictures(pf, l);
    if (pictures.open())
        pictures.deliver(buffer.data(), buffer.size(), 0, receiver);
    return 0;
}
