#include "render/x11target.h"

#include "core/log.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace zd
{

namespace
{

// Errors are handed to the handler that was installed before, except those
// of the engine's own connections, which are noted for their owner.
struct ErrorRouting {
    std::mutex mutex;
    std::map<Display*, int> errors;
    XErrorHandler previous = nullptr;
    bool installed = false;
};

ErrorRouting& routing()
{
    static ErrorRouting r;
    return r;
}

int onXError(Display* display, XErrorEvent* event)
{
    ErrorRouting& r = routing();
    XErrorHandler previous;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.errors.find(display);
        if (it != r.errors.end()) {
            if (it->second == 0)
                it->second = event->error_code ? event->error_code : -1;
            return 0;
        }
        previous = r.previous;
    }
    return previous ? previous(display, event) : 0;
}

void own(Display* display)
{
    ErrorRouting& r = routing();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.errors[display] = 0;
    if (!r.installed) {
        r.previous = XSetErrorHandler(&onXError);
        r.installed = true;
    }
}

void disown(Display* display)
{
    ErrorRouting& r = routing();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.errors.erase(display);
}

AVPixelFormat formatOf(const XImage* image, const Visual* visual, int depth)
{
    const bool lsb = image->byte_order == LSBFirst;
    if (image->bits_per_pixel == 32) {
        if (visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
            visual->blue_mask == 0xff)
            return depth == 32 ? (lsb ? AV_PIX_FMT_BGRA : AV_PIX_FMT_ARGB)
                               : (lsb ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_0RGB);
        if (visual->red_mask == 0xff && visual->green_mask == 0xff00 &&
            visual->blue_mask == 0xff0000)
            return depth == 32 ? (lsb ? AV_PIX_FMT_RGBA : AV_PIX_FMT_ABGR)
                               : (lsb ? AV_PIX_FMT_RGB0 : AV_PIX_FMT_0BGR);
    }
    if (image->bits_per_pixel == 16 && visual->red_mask == 0xf800 && visual->green_mask == 0x7e0 &&
        visual->blue_mask == 0x1f)
        return lsb ? AV_PIX_FMT_RGB565LE : AV_PIX_FMT_RGB565BE;
    return AV_PIX_FMT_NONE;
}

} // namespace

struct X11Target::SharedSegment {
    XShmSegmentInfo info{};
};

X11Target::X11Target() = default;

X11Target::~X11Target()
{
    detach();
    if (m_display) {
        disown(m_display);
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

int X11Target::takeError()
{
    ErrorRouting& r = routing();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.errors.find(m_display);
    if (it == r.errors.end())
        return 0;
    const int e = it->second;
    it->second = 0;
    return e;
}

bool X11Target::openDisplay()
{
    if (m_display)
        return true;
    if (m_displayFailed)
        return false;
    // Only an X display is drawn on; a Wayland session without X has none.
    const char* name = std::getenv("DISPLAY");
    if (!name || !name[0]) {
        m_displayFailed = true;
        return false;
    }
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        Log::write(2, "vazURIdav: no X display for the preview.");
        m_displayFailed = true;
        return false;
    }
    own(m_display);
    return true;
}

bool X11Target::attach(unsigned long window)
{
    detach();
    if (window == 0 || !openDisplay())
        return false;
    for (int s = 0; s < ScreenCount(m_display); ++s) {
        if (window == RootWindow(m_display, s))
            return false;
    }
    XSync(m_display, False);
    takeError();
    XWindowAttributes attrs{};
    const Status ok = XGetWindowAttributes(m_display, window, &attrs);
    if (!ok || takeError() != 0 || attrs.c_class != InputOutput || !attrs.visual) {
        Log::write(2, "vazURIdav: the preview window %#lx is no X window to draw into.", window);
        return false;
    }
    XSelectInput(m_display, window, StructureNotifyMask | ExposureMask);
    XGCValues values{};
    m_gc = XCreateGC(m_display, window, 0, &values);
    XSync(m_display, False);
    if (takeError() != 0 || !m_gc) {
        if (m_gc)
            XFreeGC(m_display, m_gc);
        m_gc = nullptr;
        XSync(m_display, False);
        takeError();
        return false;
    }
    m_window = window;
    m_visual = attrs.visual;
    m_depth = attrs.depth;
    m_x = attrs.x;
    m_y = attrs.y;
    m_width = attrs.width;
    m_height = attrs.height;
    m_viewable = attrs.map_state == IsViewable;
    // The pixel layout comes from a small image of the window's kind.
    XImage* probe = XCreateImage(m_display, attrs.visual, static_cast<unsigned>(attrs.depth),
                                 ZPixmap, 0, nullptr, 1, 1, 32, 0);
    m_format = probe ? formatOf(probe, attrs.visual, attrs.depth) : AV_PIX_FMT_NONE;
    if (probe)
        XDestroyImage(probe);
    if (m_format == AV_PIX_FMT_NONE) {
        Log::write(2, "vazURIdav: the preview window's pixel format (depth %d) is not drawn.",
                   attrs.depth);
        detach();
        return false;
    }
    return true;
}

void X11Target::detach()
{
    freeImage();
    if (!m_display)
        return;
    if (m_window) {
        // Another program's window: our interest in its events ends with us.
        XSelectInput(m_display, m_window, NoEventMask);
    }
    if (m_gc)
        XFreeGC(m_display, m_gc);
    m_gc = nullptr;
    m_window = 0;
    m_visual = nullptr;
    XSync(m_display, True);
    takeError();
}

bool X11Target::pollEvents()
{
    if (!m_display || !m_window)
        return false;
    bool redraw = false;
    while (XPending(m_display) > 0) {
        XEvent e;
        XNextEvent(m_display, &e);
        if (e.xany.window != m_window)
            continue;
        switch (e.type) {
        case ConfigureNotify:
            m_x = e.xconfigure.x;
            m_y = e.xconfigure.y;
            m_width = e.xconfigure.width;
            m_height = e.xconfigure.height;
            redraw = true;
            break;
        case Expose:
            if (e.xexpose.count == 0)
                redraw = true;
            break;
        case MapNotify:
            m_viewable = true;
            redraw = true;
            break;
        case UnmapNotify:
            m_viewable = false;
            break;
        case DestroyNotify:
            m_window = 0; // gone: nothing of it may be touched any more
            freeImage();
            if (m_gc)
                XFreeGC(m_display, m_gc);
            m_gc = nullptr;
            return false;
        default:
            break;
        }
    }
    // A parent's unmapping is not told to the window itself.
    if (m_window && !m_viewable && redraw) {
        XWindowAttributes attrs{};
        if (XGetWindowAttributes(m_display, m_window, &attrs))
            m_viewable = attrs.map_state == IsViewable;
        takeError();
    }
    return redraw;
}

void X11Target::freeImage()
{
    if (!m_image)
        return;
    if (m_segment) {
        if (m_display) {
            XShmDetach(m_display, &m_segment->info);
            XSync(m_display, False);
            takeError();
        }
        m_image->data = nullptr;
        XDestroyImage(m_image);
        shmdt(m_segment->info.shmaddr);
        m_segment.reset();
    } else {
        XDestroyImage(m_image); // frees the data, made with malloc
    }
    m_image = nullptr;
}

bool X11Target::makeSharedImage(int width, int height)
{
    if (!m_shmUsable || !XShmQueryExtension(m_display))
        return false;
    auto* visual = static_cast<Visual*>(m_visual);
    auto segment = std::make_unique<SharedSegment>();
    XShmSegmentInfo& info = segment->info;
    XImage* image =
        XShmCreateImage(m_display, visual, static_cast<unsigned>(m_depth), ZPixmap, nullptr, &info,
                        static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!image)
        return false;
    const size_t bytes = size_t(image->bytes_per_line) * size_t(image->height);
    info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (info.shmid < 0) {
        XDestroyImage(image);
        m_shmUsable = false;
        return false;
    }
    info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
    if (info.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(info.shmid, IPC_RMID, nullptr);
        XDestroyImage(image);
        m_shmUsable = false;
        return false;
    }
    image->data = info.shmaddr;
    info.readOnly = False;
    takeError();
    const Bool attached = XShmAttach(m_display, &info);
    XSync(m_display, False);
    // The segment goes as soon as both sides let go, even if we crash.
    shmctl(info.shmid, IPC_RMID, nullptr);
    if (!attached || takeError() != 0) {
        // A server on another machine cannot share our memory.
        image->data = nullptr;
        XDestroyImage(image);
        shmdt(info.shmaddr);
        m_shmUsable = false;
        return false;
    }
    std::memset(info.shmaddr, 0, bytes);
    m_image = image;
    m_segment = std::move(segment);
    return true;
}

bool X11Target::makePlainImage(int width, int height)
{
    auto* visual = static_cast<Visual*>(m_visual);
    XImage* image =
        XCreateImage(m_display, visual, static_cast<unsigned>(m_depth), ZPixmap, 0, nullptr,
                     static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!image)
        return false;
    const size_t bytes = size_t(image->bytes_per_line) * size_t(image->height);
    image->data = static_cast<char*>(std::calloc(bytes, 1));
    if (!image->data) {
        XDestroyImage(image);
        return false;
    }
    m_image = image;
    return true;
}

uint8_t* X11Target::image(int width, int height, int& stride, bool& fresh)
{
    fresh = false;
    if (!m_window || width <= 0 || height <= 0)
        return nullptr;
    if (!m_image || m_image->width != width || m_image->height != height) {
        freeImage();
        if (!makeSharedImage(width, height) && !makePlainImage(width, height))
            return nullptr;
        fresh = true;
    }
    stride = m_image->bytes_per_line;
    return reinterpret_cast<uint8_t*>(m_image->data);
}

bool X11Target::put(int x, int y)
{
    if (!m_window || !m_image)
        return false;
    const unsigned w = static_cast<unsigned>(m_image->width);
    const unsigned h = static_cast<unsigned>(m_image->height);
    if (m_segment)
        XShmPutImage(m_display, m_window, m_gc, m_image, 0, 0, x, y, w, h, False);
    else
        XPutImage(m_display, m_window, m_gc, m_image, 0, 0, x, y, w, h);
    // The image is written again for the next picture only once the server
    // has copied this one.
    XSync(m_display, False);
    const int error = takeError();
    if (error == BadWindow || error == BadDrawable) {
        Log::write(2, "vazURIdav: the preview window is gone.");
        detach();
        return false;
    }
    return error == 0;
}

} // namespace zd
