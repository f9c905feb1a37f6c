// The preview: the newest picture of the open source scaled into the
// preview rectangle of the application's native window, with black bars when
// the picture keeps its shape. Everything but draw() only notes what to do,
// so any thread may call it; draw() runs on the application's GUI thread,
// about 60 times a second, and works only when there is something new.
#pragma once

#include "render/previewlayout.h"
#include "render/x11target.h"

#include <cstdint>
#include <memory>
#include <mutex>

extern "C" {
#include <libavutil/frame.h>
}

struct SwsContext;

namespace zd
{

class PreviewRenderer
{
public:
    PreviewRenderer();
    ~PreviewRenderer();
    PreviewRenderer(const PreviewRenderer&) = delete;
    PreviewRenderer& operator=(const PreviewRenderer&) = delete;

    // The window (a native window id, 0 for none) of the open device.
    void attach(uint64_t window, bool keepAspect);
    void detach();
    // The preview rectangle in the coordinates of the window's parent.
    void setArea(int x, int y, int width, int height);
    void setEnabled(bool enabled);

    // Draws frame (which has serial as its number) when it is new, the
    // rectangle changed or the window needs it. True when a picture was put.
    bool draw(const AVFrame* frame, uint64_t serial);

private:
    bool render(const AVFrame* frame);

    std::mutex m_mutex;
    // What the callers asked for.
    uint64_t m_window = 0;
    bool m_keepAspect = true;
    bool m_enabled = true;
    PreviewRect m_area;
    bool m_changed = true;
    // The drawing side, touched only by draw().
    X11Target m_target;
    uint64_t m_attachedWindow = 0;
    bool m_attachTried = false;
    uint64_t m_drawnSerial = 0;
    PreviewRect m_drawnPicture;
    SwsContext* m_sws = nullptr;
    bool m_toldUnscalable = false;
};

} // namespace zd
