// The capture formats of a V4L2 node as the application sees them: one
// DEV_CAPACITY per pixel format and frame size, with the best frame rate in
// fps and the next two in fpsChoices. Only pixel formats the engine can turn
// into pictures are listed; YUYV is shown as "YUY2" and Motion-JPEG as "MJPG"
// (decoded by the engine once opened).
#pragma once

#include "devices/v4l2query.h"
#include "vazURIdav.h"

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace zd
{

struct V4l2PixelFormat {
    uint32_t v4l2 = 0;                      // the driver's code
    uint32_t shown = 0;                     // the code the application sees
    AVPixelFormat pixels = AV_PIX_FMT_NONE; // raw formats: the buffer's layout
    bool jpeg = false;                      // decoded with the MJPEG decoder
    bool swapChroma = false;                // YV12: planes in V, U order
};

class V4l2FormatList
{
public:
    // Bounds on what a driver's lists may make the engine walk through.
    static constexpr uint32_t kMaxPixelFormats = 64;
    static constexpr uint32_t kMaxSizes = 64;
    static constexpr uint32_t kMaxIntervals = 64;

    // The formats the driver offers, at most ZD_MAX_CAPACITIES, in the
    // driver's order of pixel formats and from the largest size down.
    static std::vector<DEV_CAPACITY> build(V4l2Query& query);

    // The engine's description of a driver code; false when it cannot use it.
    static bool pixelFormat(uint32_t v4l2, V4l2PixelFormat& out);
    // The same, found by the code the application sees.
    static bool pixelFormatShown(uint32_t shown, V4l2PixelFormat& out);

    // The format opened when the application asks for none: the largest size
    // that runs at 25 frames a second or more (else the largest of all), at
    // its best rate. False for an empty list.
    static bool preferred(const std::vector<DEV_CAPACITY>& formats, DEV_CAPACITY& out);

    // Frames per second of an interval (seconds per frame), rounded; 0 when
    // the interval is not a usable one.
    static int fpsOf(uint32_t numerator, uint32_t denominator);
};

} // namespace zd
