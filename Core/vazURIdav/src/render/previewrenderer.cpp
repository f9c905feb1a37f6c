#include "render/previewrenderer.h"

#include "core/log.h"
#include "media/rgbscaler.h"

#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace zd
{

PreviewRenderer::PreviewRenderer() = default;

PreviewRenderer::~PreviewRenderer()
{
    sws_freeContext(m_sws);
}

void PreviewRenderer::attach(uint64_t window, bool keepAspect)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_window = window;
    m_keepAspect = keepAspect;
    m_changed = true;
}

void PreviewRenderer::detach()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_window = 0;
    m_changed = true;
}

void PreviewRenderer::setArea(int x, int y, int width, int height)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    PreviewRect area{x, y, width, height};
    if (area != m_area) {
        m_area = area;
        m_changed = true;
    }
}

void PreviewRenderer::setEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (enabled != m_enabled) {
        m_enabled = enabled;
        m_changed = true;
    }
}

bool PreviewRenderer::draw(const AVFrame* frame, uint64_t serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_window != m_attachedWindow) {
        m_target.detach();
        m_attachedWindow = m_window;
        m_attachTried = false;
        m_drawnSerial = 0;
        m_drawnPicture = PreviewRect{};
    }
    if (m_window == 0)
        return false;
    if (!m_target.attached()) {
        // One try per window: a bad id stays bad.
        if (m_attachTried || !m_target.attach(m_window)) {
            m_attachTried = true;
            return false;
        }
        m_attachTried = true;
        m_changed = true;
    }
    const bool exposed = m_target.pollEvents();
    if (!m_target.attached() || !m_enabled || !frame || !m_target.viewable())
        return false;
    if (!exposed && !m_changed && serial == m_drawnSerial)
        return false;
    const bool drawn = render(frame);
    if (drawn) {
        m_drawnSerial = serial;
        m_changed = false;
    }
    return drawn;
}

bool PreviewRenderer::render(const AVFrame* frame)
{
    if (m_area.empty() || m_area.width > PreviewLayout::kMaxSide ||
        m_area.height > PreviewLayout::kMaxSide || frame->width <= 0 || frame->height <= 0)
        return false;
    // The rectangle comes in the parent's coordinates.
    PreviewRect local = m_area;
    local.x -= m_target.x();
    local.y -= m_target.y();
    const PreviewRect inImage{0, 0, local.width, local.height};
    const PreviewRect picture = PreviewLayout::fit(inImage, frame->width, frame->height,
                                                   frame->sample_aspect_ratio, m_keepAspect);
    if (picture.empty())
        return false;

    int stride = 0;
    bool fresh = false;
    uint8_t* pixels = m_target.image(local.width, local.height, stride, fresh);
    if (!pixels)
        return false;
    const AVPixelFormat outFormat = m_target.pixelFormat();
    const AVPixFmtDescriptor* outDesc = av_pix_fmt_desc_get(outFormat);
    if (!outDesc)
        return false;
    const int bytesPerPixel = av_get_padded_bits_per_pixel(outDesc) / 8;
    if (!fresh && picture != m_drawnPicture) {
        // The picture moved: what it leaves uncovered becomes bar again.
        std::memset(pixels, 0, size_t(stride) * size_t(local.height));
    }
    m_drawnPicture = picture;

    m_sws = media::rgbScaler(m_sws, frame, picture.width, picture.height, outFormat, SWS_BILINEAR);
    if (!m_sws) {
        if (!m_toldUnscalable) {
            Log::write(8, "vazURIdav: pictures of format %d cannot be shown.", frame->format);
            m_toldUnscalable = true;
        }
        return false;
    }
    uint8_t* dst[4] = {pixels + size_t(picture.y) * size_t(stride) +
                           size_t(picture.x) * size_t(bytesPerPixel),
                       nullptr, nullptr, nullptr};
    int dstStride[4] = {stride, 0, 0, 0};
    sws_scale(m_sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    return m_target.put(local.x, local.y);
}

} // namespace zd
