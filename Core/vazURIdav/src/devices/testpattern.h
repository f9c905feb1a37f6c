// Draws the picture of the test-pattern camera: scrolling colour bars over a
// grey ramp, a bouncing square, the time of day with milliseconds and the
// frame number, and a strip of 24 black or white blocks in the top-left
// corner that carries the frame number in binary (most significant first),
// so that a program reading a recording can tell which frames it holds.
#pragma once

#include "devices/pictureadjust.h"

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

namespace zd::devices
{

class TestPattern
{
public:
    static constexpr int kCodeBits = 24;

    // frame: YUV420P, any size of at least 2 x 2. elapsedUs moves the
    // pattern; wallMs (milliseconds since the epoch) is the clock shown.
    void render(AVFrame* frame, int64_t index, int64_t elapsedUs, int64_t wallMs,
                const PictureAdjust& adjust);

    // Side of one block of the frame-number strip for a picture width.
    static int codeBlockSize(int width);
    // Reads the frame number back from a luma plane of the size the frame was
    // drawn at; -1 when the strip does not fit.
    static int64_t readFrameCode(const uint8_t* luma, int linesize, int width, int height);

    // Applies the four picture controls to a YUV420P frame in place.
    static void applyAdjust(AVFrame* frame, const PictureAdjust& adjust);

private:
    void prepareRows(int width);
    void drawText(AVFrame* frame, int x, int y, int scale, const char* text);

    int m_width = 0;
    // Twice the period of the bars, so that any scroll offset is one copy.
    std::vector<uint8_t> m_barsY, m_barsU, m_barsV;
    std::vector<uint8_t> m_rampY;
};

} // namespace zd::devices
