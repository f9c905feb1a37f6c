// Turns the bytes of one filled V4L2 buffer (single-planar API) into the
// planes of an AVFrame. The driver's sizes are checked against the buffer
// before a byte is read, so a short or malformed buffer is dropped, never
// read past.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace zd
{

struct V4l2FrameLayout {
    AVPixelFormat pixels = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
    uint32_t bytesPerLine = 0; // of the first plane; 0 = tightly packed
    bool swapChroma = false;   // YV12
};

class V4l2FrameCopy
{
public:
    // Bytes a buffer of this layout holds, or 0 when the layout cannot be
    // used (unknown format, lines shorter than the picture, absurd size).
    static size_t requiredBytes(const V4l2FrameLayout& layout);
    // The plane pointers and line sizes of a buffer; false as above or when
    // size is smaller than the layout needs.
    static bool planes(const V4l2FrameLayout& layout, const uint8_t* data, size_t size,
                       const uint8_t* planeData[4], int lineSizes[4]);
    // Copies the buffer into dst, a frame of the layout's format and size with
    // its own writable buffers. False when the buffer does not hold a picture.
    static bool copy(const V4l2FrameLayout& layout, const uint8_t* data, size_t size, AVFrame* dst);
};

} // namespace zd
