#include "devices/virtualcameracapture.h"

#include "media/enginethread.h"

#include <algorithm>
#include <chrono>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::devices
{

VirtualCameraCapture::VirtualCameraCapture(int width, int height, int fps, AdjustSource adjust,
                                           FrameHandler handler)
    : VirtualCameraCapture(Painter(), width, height, fps, std::move(handler))
{
    m_adjust = std::move(adjust);
    m_painter = [this](int64_t index, int64_t elapsedUs, int64_t wallMs) {
        media::AVFramePtr frame = m_pool.get(m_width, m_height, AV_PIX_FMT_YUV420P);
        if (frame)
            m_pattern.render(frame.get(), index, elapsedUs, wallMs,
                             m_adjust ? m_adjust() : PictureAdjust{});
        return frame;
    };
}

VirtualCameraCapture::VirtualCameraCapture(Painter painter, int width, int height, int fps,
                                           FrameHandler handler, bool onClockGrid)
    : m_width(std::clamp(width & ~1, 2, 8192)), m_height(std::clamp(height & ~1, 2, 8192)),
      m_fps(std::clamp(fps, 1, 240)), m_onClockGrid(onClockGrid), m_painter(std::move(painter)),
      m_handler(std::move(handler))
{
}

VirtualCameraCapture::~VirtualCameraCapture()
{
    stop();
}

void VirtualCameraCapture::start()
{
    if (m_running.exchange(true))
        return;
    m_thread = media::startEngineThread([this] { run(); });
}

void VirtualCameraCapture::stop()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}

void VirtualCameraCapture::run()
{
    const int64_t beganUs = av_gettime_relative();
    // On the grid, tick n falls at n / fps of the clock; else at start + n / fps.
    const int64_t firstTick = m_onClockGrid ? (beganUs * m_fps + 999999) / 1000000 : 0;
    const int64_t startUs = m_onClockGrid ? firstTick * 1000000 / m_fps : beganUs;
    const int64_t wallStartUs = av_gettime() + (startUs - beganUs);
    int64_t index = firstTick;
    while (m_running) {
        // Each tick's time is worked out from its number, so the rate does
        // not drift with the time spent drawing.
        const int64_t dueUs =
            m_onClockGrid ? index * 1000000 / m_fps : startUs + index * 1000000 / m_fps;
        int64_t nowUs = av_gettime_relative();
        while (m_running && nowUs < dueUs) {
            const int64_t waitUs = std::min<int64_t>(dueUs - nowUs, 20000);
            std::this_thread::sleep_for(std::chrono::microseconds(waitUs));
            nowUs = av_gettime_relative();
        }
        if (!m_running)
            break;
        // More than a frame late: skip the ticks that have passed, as a real
        // camera drops frames nobody took.
        const int64_t late = (nowUs - dueUs) * m_fps / 1000000;
        if (late >= 1) {
            index += late;
            m_skipped += late;
            continue;
        }
        const int64_t elapsedUs = dueUs - startUs;
        media::AVFramePtr frame =
            m_painter ? m_painter(index, elapsedUs, (wallStartUs + elapsedUs) / 1000) : nullptr;
        if (frame) {
            frame->pts = dueUs;
            frame->pkt_duration = 1000000 / m_fps;
            frame->time_base = AVRational{1, 1000000};
            frame->sample_aspect_ratio = AVRational{1, 1};
            if (m_handler)
                m_handler(std::move(frame));
        }
        ++index;
    }
}

} // namespace zd::devices
