// Conversion of captured pictures to RGB for whoever shows or hands them on:
// swscale wants full-range YUV formats named by their plain twin plus a range,
// and the source's own range decides how black and white come out.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace zd::media
{

// cached (may be null) reused or replaced by a context that scales frame's
// pictures to width x height in the full-range RGB format out; null when
// swscale cannot convert that format. The caller frees the result.
SwsContext* rgbScaler(SwsContext* cached, const AVFrame* frame, int width, int height,
                      AVPixelFormat out, int flags);

} // namespace zd::media
