#include "media/latestframe.h"

namespace zd::media
{

void LatestFrame::put(const AVFrame* frame)
{
    AVFramePtr ref = refFrame(frame);
    if (!ref)
        return;
    AVFramePtr old;
    std::lock_guard<std::mutex> lock(m_mutex);
    old = std::move(m_frame);
    m_frame = std::move(ref);
    ++m_serial;
}

AVFramePtr LatestFrame::get() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return refFrame(m_frame.get());
}

AVFramePtr LatestFrame::get(uint64_t& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    serial = m_serial;
    return refFrame(m_frame.get());
}

uint64_t LatestFrame::serial() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_serial;
}

void LatestFrame::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frame.reset();
}

} // namespace zd::media
