#include "devices/capturefeed.h"

#include "media/sourcepipeline.h"

namespace zd
{

CaptureFeed::CaptureFeed(std::shared_ptr<media::SourcePipeline> pipeline, FailureHandler onFailure)
    : m_pipeline(std::move(pipeline)), m_onFailure(std::move(onFailure))
{
}

void CaptureFeed::videoFrame(const AVFrame* frame)
{
    m_pipeline->pushVideo(frame);
}

void CaptureFeed::audioFrame(const AVFrame* frame)
{
    m_pipeline->pushAudio(frame);
}

void CaptureFeed::captureFailed(int code)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_told.insert(code).second)
            return;
    }
    if (m_onFailure)
        m_onFailure(code);
}

} // namespace zd
