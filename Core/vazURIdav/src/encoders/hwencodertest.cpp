#include "encoders/hwencodertest.h"

#include <atomic>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/hwcontext.h>
#include <libavutil/opt.h>
}

namespace zd::encoders
{

namespace
{

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct BufferUnref {
    void operator()(AVBufferRef* b) const { av_buffer_unref(&b); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using BufferPtr = std::unique_ptr<AVBufferRef, BufferUnref>;

bool endsWith(const char* text, const char* tail)
{
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

// VA-API encoders take their pictures in device frames, so the device and a
// frame pool on it must exist before the encoder opens.
bool attachVaapiFrames(AVCodecContext* c, bool tenBit)
{
    AVBufferRef* rawDevice = nullptr;
    if (av_hwdevice_ctx_create(&rawDevice, AV_HWDEVICE_TYPE_VAAPI, nullptr, nullptr, 0) < 0)
        return false;
    BufferPtr device(rawDevice);
    BufferPtr frames(av_hwframe_ctx_alloc(device.get()));
    if (!frames)
        return false;
    auto* fc = reinterpret_cast<AVHWFramesContext*>(frames->data);
    fc->format = AV_PIX_FMT_VAAPI;
    fc->sw_format = tenBit ? AV_PIX_FMT_P010 : AV_PIX_FMT_NV12;
    fc->width = c->width;
    fc->height = c->height;
    fc->initial_pool_size = 4;
    if (av_hwframe_ctx_init(frames.get()) < 0)
        return false;
    c->pix_fmt = AV_PIX_FMT_VAAPI;
    c->hw_frames_ctx = av_buffer_ref(frames.get());
    return c->hw_frames_ctx != nullptr;
}

std::atomic<int> g_slot0{0};
std::atomic<int> g_slot1{0};
std::atomic<int> g_slot2{0};
std::atomic<int> g_slot6{0};

void put(int* out, bool available)
{
    if (out)
        *out = available ? 1 : 0;
}

} // namespace

bool encoderOpens(const char* name, int width, int height, bool tenBit)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        return false;
    CodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return false;
    c->width = width;
    c->height = height;
    c->time_base = AVRational{1, 30};
    c->framerate = AVRational{30, 1};
    c->bit_rate = 10485760;
    c->gop_size = 30;
    c->max_b_frames = 0;
    if (endsWith(name, "_vaapi")) {
        if (!attachVaapiFrames(c.get(), tenBit))
            return false;
    } else if (endsWith(name, "_qsv")) {
        c->pix_fmt = tenBit ? AV_PIX_FMT_P010 : AV_PIX_FMT_NV12;
    } else if (endsWith(name, "_nvenc")) {
        c->pix_fmt = tenBit ? AV_PIX_FMT_P010 : AV_PIX_FMT_YUV420P;
    } else {
        c->pix_fmt = tenBit ? AV_PIX_FMT_YUV420P10LE : AV_PIX_FMT_YUV420P;
        // Only whether it opens matters; the fastest preset opens fastest.
        av_opt_set(c->priv_data, "preset", "ultrafast", 0);
        if (std::strcmp(name, "libx265") == 0)
            av_opt_set(c->priv_data, "x265-params", "log-level=error", 0);
    }
    if (tenBit)
        av_opt_set(c->priv_data, "profile", "main10", 0);
    return avcodec_open2(c.get(), codec, nullptr) >= 0;
}

void runEncoderTest(int kind, int* result, int* a, int* b)
{
    put(result, false);
    put(a, false);
    put(b, false);
    switch (kind) {
    case 1:
    case 2: {
        const int w = kind == 1 ? 1920 : 3840;
        const int h = kind == 1 ? 1080 : 2160;
        put(result, encoderOpens("h264_vaapi", w, h, false));
        if (a)
            put(a, encoderOpens("h264_nvenc", w, h, false));
        if (b)
            put(b, encoderOpens("h264_qsv", w, h, false));
        break;
    }
    case 3:
    case 4: {
        const int w = kind == 3 ? 1920 : 3840;
        const int h = kind == 3 ? 1080 : 2160;
        put(result, encoderOpens("hevc_vaapi", w, h, false));
        if (a)
            put(a, encoderOpens("hevc_nvenc", w, h, false));
        if (b)
            put(b, encoderOpens("hevc_qsv", w, h, false));
        break;
    }
    case 5:
        put(result, encoderOpens("libx264", 1920, 1080, false));
        break;
    case 6:
        put(result, encoderOpens("libx265", 1920, 1080, true));
        break;
    default:
        break;
    }
}

void setHwData(const HwData& data)
{
    g_slot0 = data.slot0;
    g_slot1 = data.slot1;
    g_slot2 = data.slot2;
    g_slot6 = data.slot6;
}

HwData hwData()
{
    HwData d;
    d.slot0 = g_slot0;
    d.slot1 = g_slot1;
    d.slot2 = g_slot2;
    d.slot6 = g_slot6;
    return d;
}

} // namespace zd::encoders
