#include "media/rgbscaler.h"

namespace zd::media
{

namespace
{

// Full-range formats that swscale wants named by their plain twin and a range.
AVPixelFormat plainTwin(AVPixelFormat f, bool& fullRange)
{
    switch (f) {
    case AV_PIX_FMT_YUVJ420P:
        fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        fullRange = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        fullRange = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return f;
    }
}

} // namespace

SwsContext* rgbScaler(SwsContext* cached, const AVFrame* frame, int width, int height,
                      AVPixelFormat out, int flags)
{
    bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat in = plainTwin(static_cast<AVPixelFormat>(frame->format), fullRange);
    SwsContext* sws = sws_getCachedContext(cached, frame->width, frame->height, in, width, height,
                                           out, flags, nullptr, nullptr, nullptr);
    if (!sws)
        return nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    int *inv = nullptr, *table = nullptr;
    if (sws_getColorspaceDetails(sws, &inv, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation) >= 0 &&
        srcRange != (fullRange ? 1 : 0))
        sws_setColorspaceDetails(sws, inv, fullRange ? 1 : 0, table, 1, brightness, contrast,
                                 saturation);
    return sws;
}

} // namespace zd::media
