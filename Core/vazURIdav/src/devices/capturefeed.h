// What the open device's capture threads feed: the source pipeline (filters,
// newest picture, recording, GIF), and the capture's troubles, told once
// each to whoever the session names.
#pragma once

#include "devices/framereceiver.h"

#include <functional>
#include <memory>
#include <mutex>
#include <set>

namespace zd
{

namespace media
{
class SourcePipeline;
}

class CaptureFeed : public FrameReceiver
{
public:
    using FailureHandler = std::function<void(int code)>;

    CaptureFeed(std::shared_ptr<media::SourcePipeline> pipeline, FailureHandler onFailure);
    CaptureFeed(const CaptureFeed&) = delete;
    CaptureFeed& operator=(const CaptureFeed&) = delete;

    void videoFrame(const AVFrame* frame) override;
    void audioFrame(const AVFrame* frame) override;
    void captureFailed(int code) override;

private:
    const std::shared_ptr<media::SourcePipeline> m_pipeline;
    FailureHandler m_onFailure;
    std::mutex m_mutex;
    std::set<int> m_told;
};

} // namespace zd
