// The capture thread of the test-pattern camera (and of scripted devices that
// draw pictures): draws a frame at every tick of the asked rate and hands it
// on. Frames are YUV420P, their pts the monotonic clock in microseconds (the
// engine's media clock) at the tick.
#pragma once

#include "devices/pictureadjust.h"
#include "devices/testpattern.h"
#include "media/avholders.h"
#include "media/framepool.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace zd::devices
{

class VirtualCameraCapture
{
public:
    using FrameHandler = std::function<void(media::AVFramePtr frame)>;
    // The picture controls as they are now; asked once per frame.
    using AdjustSource = std::function<PictureAdjust()>;

    // The picture of tick index, elapsedUs after the start, with wallMs the
    // time of day it shows; null skips the tick.
    using Painter =
        std::function<media::AVFramePtr(int64_t index, int64_t elapsedUs, int64_t wallMs)>;

    // The test pattern. Both functions run on the capture thread.
    VirtualCameraCapture(int width, int height, int fps, AdjustSource adjust, FrameHandler handler);
    // Another painter's pictures, of width x height. On the clock's grid,
    // ticks fall on whole multiples of the frame time of the media clock and
    // the painter's index counts them from the clock's zero, so that the
    // pictures line up with other devices on the same grid.
    VirtualCameraCapture(Painter painter, int width, int height, int fps, FrameHandler handler,
                         bool onClockGrid = false);
    ~VirtualCameraCapture();
    VirtualCameraCapture(const VirtualCameraCapture&) = delete;
    VirtualCameraCapture& operator=(const VirtualCameraCapture&) = delete;

    void start();
    void stop();

    int width() const { return m_width; }
    int height() const { return m_height; }
    int fps() const { return m_fps; }
    // Frames skipped because the thread fell behind the rate.
    int64_t skippedFrames() const { return m_skipped.load(); }

private:
    void run();

    const int m_width, m_height, m_fps;
    const bool m_onClockGrid = false;
    AdjustSource m_adjust;
    Painter m_painter;
    FrameHandler m_handler;
    TestPattern m_pattern;
    media::FramePool m_pool;
    std::atomic<bool> m_running{false};
    std::atomic<int64_t> m_skipped{0};
    std::thread m_thread;
};

} // namespace zd::devices
