// Test-pattern pictures made on the spot, and pixel access that copes with
// the upside-down row order some filters hand back.
#pragma once

#include "devices/testpattern.h"
#include "media/avholders.h"
#include "media/framepool.h"

#include <cstdint>

namespace patternframes
{

inline zd::media::AVFramePtr make(zd::media::FramePool& pool, int width, int height,
                                  int64_t index = 7, const zd::devices::PictureAdjust& adjust = {})
{
    zd::media::AVFramePtr f = pool.get(width, height, AV_PIX_FMT_YUV420P);
    zd::devices::TestPattern pattern;
    pattern.render(f.get(), index, index * 33333, 1700000000000 + index * 33, adjust);
    f->pts = index * 33333;
    f->sample_aspect_ratio = AVRational{1, 1};
    return f;
}

inline uint8_t luma(const AVFrame* f, int x, int y)
{
    return f->data[0][static_cast<ptrdiff_t>(y) * f->linesize[0] + x];
}

inline uint8_t chroma(const AVFrame* f, int plane, int cx, int cy)
{
    return f->data[plane][static_cast<ptrdiff_t>(cy) * f->linesize[plane] + cx];
}

} // namespace patternframes
