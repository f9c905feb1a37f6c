#include "media/sourcepipeline.h"

#include <algorithm>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::media
{

void SourcePipeline::pushVideo(const AVFrame* frame)
{
    if (!frame)
        return;
    AVFramePtr filtered = m_filters.process(frame);
    if (!filtered)
        return; // held back by the chain
    m_width = filtered->width;
    m_height = filtered->height;
    m_latest.put(filtered.get());
    {
        const int64_t now = av_gettime_relative();
        std::lock_guard<std::mutex> lock(m_fpsMutex);
        m_frameTimes.push_back(now);
        while (!m_frameTimes.empty() && now - m_frameTimes.front() > 1000000)
            m_frameTimes.pop_front();
    }
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    for (const auto& sink : m_sinks)
        sink->pushVideo(filtered.get());
}

void SourcePipeline::pushAudio(const AVFrame* frame)
{
    if (!frame)
        return;
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    for (const auto& sink : m_sinks)
        sink->pushAudio(frame);
}

void SourcePipeline::attach(const std::shared_ptr<FrameSink>& sink)
{
    if (!sink)
        return;
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    if (std::find(m_sinks.begin(), m_sinks.end(), sink) == m_sinks.end())
        m_sinks.push_back(sink);
}

void SourcePipeline::detach(const FrameSink* sink)
{
    std::vector<std::shared_ptr<FrameSink>> gone;
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    for (auto it = m_sinks.begin(); it != m_sinks.end();) {
        if (it->get() == sink) {
            gone.push_back(std::move(*it));
            it = m_sinks.erase(it);
        } else {
            ++it;
        }
    }
}

int SourcePipeline::measuredFps() const
{
    const int64_t now = av_gettime_relative();
    std::lock_guard<std::mutex> lock(m_fpsMutex);
    while (!m_frameTimes.empty() && now - m_frameTimes.front() > 1000000)
        m_frameTimes.pop_front();
    return static_cast<int>(m_frameTimes.size());
}

} // namespace zd::media
