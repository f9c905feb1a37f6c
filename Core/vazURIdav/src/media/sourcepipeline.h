// The way of one source's frames inside the engine: the capture threads hand
// in raw frames; pictures go through the source's filter chain; the result
// becomes the newest frame (for the preview and for pictures) and goes to
// every attached sink (recording, GIF). Sound goes to the sinks unchanged.
#pragma once

#include "media/filterrunner.h"
#include "media/framesink.h"
#include "media/latestframe.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace zd::media
{

class SourcePipeline
{
public:
    SourcePipeline() = default;
    SourcePipeline(const SourcePipeline&) = delete;
    SourcePipeline& operator=(const SourcePipeline&) = delete;

    // Capture threads. Frames carry pts in microseconds of the media clock.
    void pushVideo(const AVFrame* frame);
    void pushAudio(const AVFrame* frame);

    FilterRunner& filters() { return m_filters; }
    LatestFrame& latest() { return m_latest; }

    void attach(const std::shared_ptr<FrameSink>& sink);
    void detach(const FrameSink* sink);

    // Pictures that came out of the chain in the last second.
    int measuredFps() const;
    // Size and format of the newest filtered picture (0 before the first).
    int width() const { return m_width.load(); }
    int height() const { return m_height.load(); }

private:
    FilterRunner m_filters;
    LatestFrame m_latest;
    mutable std::mutex m_sinkMutex;
    std::vector<std::shared_ptr<FrameSink>> m_sinks;
    mutable std::mutex m_fpsMutex;
    mutable std::deque<int64_t> m_frameTimes;
    std::atomic<int> m_width{0}, m_height{0};
};

} // namespace zd::media
