// What the open device's capture threads feed: the newest picture (for the
// preview) with a count of the pictures of the last second, and the capture's
// troubles, told once each to whoever the session names.
#pragma once

#include "devices/framereceiver.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>

namespace zd
{

class CaptureFeed : public FrameReceiver
{
public:
    using FailureHandler = std::function<void(int code)>;

    explicit CaptureFeed(FailureHandler onFailure);
    ~CaptureFeed() override;
    CaptureFeed(const CaptureFeed&) = delete;
    CaptureFeed& operator=(const CaptureFeed&) = delete;

    void videoFrame(const AVFrame* frame) override;
    void audioFrame(const AVFrame* frame) override;
    void captureFailed(int code) override;

    // A new reference to the newest picture (null before the first), and
    // the number of pictures received so far.
    AVFrame* newest(uint64_t& serial) const;
    // Pictures received in the last second.
    int fps() const;

private:
    FailureHandler m_onFailure;
    mutable std::mutex m_mutex;
    AVFrame* m_newest = nullptr;
    uint64_t m_serial = 0;
    mutable std::deque<int64_t> m_times;
    std::set<int> m_told;
};

} // namespace zd
