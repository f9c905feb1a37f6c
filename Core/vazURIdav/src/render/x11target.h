// A native X11 window that the preview draws into, through a display
// connection of the engine's own (never the application's). A window id
// that is no X window (as under Qt's offscreen platform), a missing display
// or a window destroyed meanwhile only turns drawing off: the engine's X
// error handler takes the errors of its own connections, so they never end
// the process.
#pragma once

#include <cstdint>
#include <memory>

extern "C" {
#include <libavutil/pixfmt.h>
}

typedef struct _XDisplay Display;
struct _XImage;
struct _XGC;

namespace zd
{

class X11Target
{
public:
    X11Target();
    ~X11Target();
    X11Target(const X11Target&) = delete;
    X11Target& operator=(const X11Target&) = delete;

    // Opens the display when needed and takes window. False when the window
    // cannot be drawn into (no display, no such window, a root window, a
    // visual the engine does not draw).
    bool attach(unsigned long window);
    // Lets the window go; the display stays open for the next one.
    void detach();
    bool attached() const { return m_window != 0; }

    // Reads the window's pending events without waiting. True when it must be
    // drawn again (exposed, moved, resized or mapped). A destroyed window is
    // let go.
    bool pollEvents();

    // The window's place in its parent and its size.
    int x() const { return m_x; }
    int y() const { return m_y; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool viewable() const { return m_viewable; }

    // The layout of the image's pixels.
    AVPixelFormat pixelFormat() const { return m_format; }
    // An image of width x height to draw into (black when newly made), or
    // null. Stays valid until the next call or detach.
    uint8_t* image(int width, int height, int& stride, bool& fresh);
    // Puts the image at (x, y) of the window and waits until the server has
    // it. False when the window is gone.
    bool put(int x, int y);

private:
    bool openDisplay();
    void freeImage();
    bool makeSharedImage(int width, int height);
    bool makePlainImage(int width, int height);
    // Errors of this connection since the last call.
    int takeError();

    Display* m_display = nullptr;
    bool m_displayFailed = false;
    unsigned long m_window = 0;
    void* m_visual = nullptr;
    int m_depth = 0;
    _XGC* m_gc = nullptr;
    int m_x = 0, m_y = 0, m_width = 0, m_height = 0;
    bool m_viewable = false;
    AVPixelFormat m_format = AV_PIX_FMT_NONE;

    // The shared-memory segment of a shared image; the image points at it,
    // so it lives as long as the image.
    struct SharedSegment;
    _XImage* m_image = nullptr;
    std::unique_ptr<SharedSegment> m_segment;
    bool m_shmUsable = true;
};

} // namespace zd
