#include "media/framepool.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace zd::media
{

namespace
{
constexpr int kLineAlign = 64;
}

FramePool::~FramePool()
{
    // Buffers still in use elsewhere stay valid; the pool goes with the last.
    av_buffer_pool_uninit(&m_pool);
}

AVFramePtr FramePool::get(int width, int height, AVPixelFormat format)
{
    if (width <= 0 || height <= 0 || format == AV_PIX_FMT_NONE)
        return {};
    if (!m_pool || width != m_width || height != m_height || format != m_format) {
        av_buffer_pool_uninit(&m_pool);
        const int bytes = av_image_get_buffer_size(format, width, height, kLineAlign);
        if (bytes <= 0)
            return {};
        m_bufferBytes = bytes + AV_INPUT_BUFFER_PADDING_SIZE;
        m_pool = av_buffer_pool_init(static_cast<size_t>(m_bufferBytes), av_buffer_alloc);
        if (!m_pool)
            return {};
        m_width = width;
        m_height = height;
        m_format = format;
    }
    AVFramePtr frame = makeFrame();
    if (!frame)
        return {};
    frame->buf[0] = av_buffer_pool_get(m_pool);
    if (!frame->buf[0])
        return {};
    if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, format, width,
                             height, kLineAlign) < 0)
        return {};
    frame->width = width;
    frame->height = height;
    frame->format = format;
    return frame;
}

} // namespace zd::media
