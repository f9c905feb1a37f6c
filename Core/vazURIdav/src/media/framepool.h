// Recycles picture buffers of one size and format, so a capture thread does
// not ask the system for megabytes of fresh, zero-filled memory every frame.
#pragma once

#include "media/avholders.h"

extern "C" {
#include <libavutil/buffer.h>
}

namespace zd::media
{

class FramePool
{
public:
    FramePool() = default;
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // A writable frame of the asked size and format, or null when memory ran
    // out. Its buffer goes back to the pool when the last reference is gone.
    AVFramePtr get(int width, int height, AVPixelFormat format);

private:
    AVBufferPool* m_pool = nullptr;
    int m_width = 0;
    int m_height = 0;
    AVPixelFormat m_format = AV_PIX_FMT_NONE;
    int m_bufferBytes = 0;
};

} // namespace zd::media
