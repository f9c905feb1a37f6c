#include "devices/capturefeed.h"

extern "C" {
#include <libavutil/time.h>
}

namespace zd
{

namespace
{

constexpr int64_t kFpsWindowUs = 1000000;

void dropOld(std::deque<int64_t>& times, int64_t now)
{
    while (!times.empty() && now - times.front() >= kFpsWindowUs)
        times.pop_front();
}

} // namespace

CaptureFeed::CaptureFeed(FailureHandler onFailure) : m_onFailure(std::move(onFailure)) {}

CaptureFeed::~CaptureFeed()
{
    av_frame_free(&m_newest);
}

void CaptureFeed::videoFrame(const AVFrame* frame)
{
    if (!frame)
        return;
    AVFrame* ref = av_frame_alloc();
    if (!ref || av_frame_ref(ref, frame) < 0) {
        av_frame_free(&ref);
        return;
    }
    AVFrame* old;
    {
        const int64_t now = av_gettime_relative();
        std::lock_guard<std::mutex> lock(m_mutex);
        old = m_newest;
        m_newest = ref;
        ++m_serial;
        m_times.push_back(now);
        dropOld(m_times, now);
    }
    // Freed outside the lock: the preview must never wait on it.
    av_frame_free(&old);
}

void CaptureFeed::audioFrame(const AVFrame*) {}

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

AVFrame* CaptureFeed::newest(uint64_t& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    serial = m_serial;
    if (!m_newest)
        return nullptr;
    AVFrame* ref = av_frame_alloc();
    if (ref && av_frame_ref(ref, m_newest) < 0)
        av_frame_free(&ref);
    return ref;
}

int CaptureFeed::fps() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropOld(m_times, av_gettime_relative());
    return static_cast<int>(m_times.size());
}

} // namespace zd
