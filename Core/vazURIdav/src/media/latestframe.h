// The newest filtered frame of a source, shared by whoever shows or saves the
// picture (the preview renderer, the picture writer). Holding a reference
// keeps the pixels alive without copying them.
#pragma once

#include "media/avholders.h"

#include <cstdint>
#include <mutex>

namespace zd::media
{

class LatestFrame
{
public:
    void put(const AVFrame* frame);
    // A new reference to the newest frame, or null when there is none.
    AVFramePtr get() const;
    // The same, with the serial of that frame in serial.
    AVFramePtr get(uint64_t& serial) const;
    // Counts every frame put, so a reader can tell whether a new one came.
    uint64_t serial() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    AVFramePtr m_frame;
    uint64_t m_serial = 0;
};

} // namespace zd::media
