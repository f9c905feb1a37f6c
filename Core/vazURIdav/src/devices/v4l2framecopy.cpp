#include "devices/v4l2framecopy.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <utility>

namespace zd
{

namespace
{

constexpr int kMaxDimension = 16384;

struct PlaneShape {
    int planes = 0;
    uint64_t lineBytes[3] = {};
    uint64_t rows[3] = {};
};

// Minimal bytes of one line of the first plane for the format.
uint64_t minimalLine(AVPixelFormat f, int width)
{
    const int n = av_image_get_linesize(f, width, 0);
    return n > 0 ? static_cast<uint64_t>(n) : 0;
}

bool shapeOfFormat(const V4l2FrameLayout& l, PlaneShape& s)
{
    if (l.width <= 0 || l.height <= 0 || l.width > kMaxDimension || l.height > kMaxDimension)
        return false;
    const uint64_t minLine = minimalLine(l.pixels, l.width);
    if (minLine == 0)
        return false;
    const uint64_t line = l.bytesPerLine ? l.bytesPerLine : minLine;
    if (line < minLine || line > 8ull * kMaxDimension)
        return false;
    const uint64_t h = static_cast<uint64_t>(l.height);
    const uint64_t chromaRows = (h + 1) / 2;
    switch (l.pixels) {
    case AV_PIX_FMT_YUYV422:
    case AV_PIX_FMT_UYVY422:
    case AV_PIX_FMT_RGB24:
    case AV_PIX_FMT_BGR24:
    case AV_PIX_FMT_GRAY8:
        s.planes = 1;
        s.lineBytes[0] = line;
        s.rows[0] = h;
        return true;
    case AV_PIX_FMT_NV12:
    case AV_PIX_FMT_P010LE:
        s.planes = 2;
        s.lineBytes[0] = s.lineBytes[1] = line;
        s.rows[0] = h;
        s.rows[1] = chromaRows;
        return true;
    case AV_PIX_FMT_YUV420P:
        // Chroma lines are half the luma line, as the single-planar API has it.
        s.planes = 3;
        s.lineBytes[0] = line;
        s.lineBytes[1] = s.lineBytes[2] = line / 2;
        s.rows[0] = h;
        s.rows[1] = s.rows[2] = chromaRows;
        return true;
    default:
        return false;
    }
}

// The shape, each plane's lines long enough for what a copy reads of them.
bool shapeOf(const V4l2FrameLayout& l, PlaneShape& s)
{
    s = PlaneShape{};
    if (!shapeOfFormat(l, s))
        return false;
    for (int p = 0; p < s.planes; ++p) {
        const int need = av_image_get_linesize(l.pixels, l.width, p);
        if (need <= 0 || static_cast<uint64_t>(need) > s.lineBytes[p])
            return false;
    }
    return true;
}

} // namespace

size_t V4l2FrameCopy::requiredBytes(const V4l2FrameLayout& layout)
{
    PlaneShape s;
    if (!shapeOf(layout, s))
        return 0;
    uint64_t total = 0;
    for (int p = 0; p < s.planes; ++p)
        total += s.lineBytes[p] * s.rows[p];
    return static_cast<size_t>(total);
}

bool V4l2FrameCopy::planes(const V4l2FrameLayout& layout, const uint8_t* data, size_t size,
                           const uint8_t* planeData[4], int lineSizes[4])
{
    PlaneShape s;
    if (!data || !shapeOf(layout, s))
        return false;
    const size_t need = requiredBytes(layout);
    if (need == 0 || size < need)
        return false;
    uint64_t offset = 0;
    for (int p = 0; p < 4; ++p) {
        planeData[p] = nullptr;
        lineSizes[p] = 0;
    }
    for (int p = 0; p < s.planes; ++p) {
        planeData[p] = data + offset;
        lineSizes[p] = static_cast<int>(s.lineBytes[p]);
        offset += s.lineBytes[p] * s.rows[p];
    }
    if (layout.swapChroma && s.planes == 3)
        std::swap(planeData[1], planeData[2]);
    return true;
}

bool V4l2FrameCopy::copy(const V4l2FrameLayout& layout, const uint8_t* data, size_t size,
                         AVFrame* dst)
{
    const uint8_t* src[4];
    int lines[4];
    if (!dst || !planes(layout, data, size, src, lines))
        return false;
    if (dst->format != layout.pixels || dst->width != layout.width ||
        dst->height != layout.height || !dst->data[0])
        return false;
    av_image_copy(dst->data, dst->linesize, src, lines, layout.pixels, layout.width, layout.height);
    return true;
}

} // namespace zd
