#include "devices/v4l2device.h"

#include "core/log.h"
#include "core/text.h"
#include "devices/v4l2controls.h"
#include "devices/v4l2formatlist.h"
#include "devices/v4l2query.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zd
{

namespace
{

std::string fieldText(const __u8* field, size_t size)
{
    return boundedText(reinterpret_cast<const char*>(field), size);
}

class FdCloser
{
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

V4l2Device::V4l2Device(V4l2NodeInfo info) : m_info(std::move(info)) {}

V4l2Device::~V4l2Device()
{
    close();
}

int V4l2Device::openResultOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return ZD_OPEN_CAMERA_DENIED;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ZD_OPEN_NO_DEVICE;
    default:
        return ZD_OPEN_PREVIEW_FAILED;
    }
}

bool V4l2Device::choose(const std::vector<DEV_CAPACITY>& offered, const DEV_CAPACITY* asked,
                        DEV_CAPACITY& chosen)
{
    if (asked && asked->width > 0 && asked->height > 0) {
        for (const DEV_CAPACITY& f : offered) {
            if (f.width != asked->width || f.height != asked->height)
                continue;
            if (asked->fourcc != 0 && asked->fourcc != f.fourcc)
                continue;
            chosen = f;
            // Any rate may be asked: the driver takes the nearest it has.
            if (asked->fps > 0 && asked->fps <= 1000)
                chosen.fps = asked->fps;
            return true;
        }
    }
    return V4l2FormatList::preferred(offered, chosen);
}

int V4l2Device::openNode(int flags) const
{
    int fd;
    do {
        fd = ::open(m_info.node.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int V4l2Device::open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capture.reset();
    FdCloser fd(openNode(O_RDWR | O_NONBLOCK));
    if (fd.get() < 0) {
        const int error = errno;
        Log::write(8, "vazURIdav: %s (%s) cannot be opened: %s", nameText().c_str(),
                   m_info.node.c_str(), std::strerror(error));
        return openResultOf(error);
    }
    // Node numbers are handed out again after a replug: make sure this is
    // still the device that was listed.
    V4l2FdQuery query(fd.get());
    v4l2_capability cap{};
    if (!query.querycap(cap))
        return ZD_OPEN_NO_DEVICE;
    if (!m_info.denied && (fieldText(cap.card, sizeof cap.card) != m_info.card ||
                           fieldText(cap.bus_info, sizeof cap.bus_info) != m_info.busInfo))
        return ZD_OPEN_NO_DEVICE;
    std::vector<DEV_CAPACITY> offered = m_info.formats;
    if (m_info.denied)
        offered = V4l2FormatList::build(query);
    DEV_CAPACITY chosen{};
    V4l2PixelFormat pf;
    if (!choose(offered, asked, chosen) || !V4l2FormatList::pixelFormatShown(chosen.fourcc, pf))
        return ZD_OPEN_PREVIEW_FAILED;

    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = static_cast<uint32_t>(chosen.width);
    fmt.fmt.pix.height = static_cast<uint32_t>(chosen.height);
    fmt.fmt.pix.pixelformat = pf.v4l2;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (V4l2FdQuery::xioctl(fd.get(), VIDIOC_S_FMT, &fmt) < 0) {
        Log::write(8, "vazURIdav: %s refused %dx%d %s: %s", nameText().c_str(), chosen.width,
                   chosen.height, fourccText(chosen.fourcc).c_str(), std::strerror(errno));
        return ZD_OPEN_PREVIEW_FAILED;
    }
    V4l2PixelFormat got;
    if (!V4l2FormatList::pixelFormat(fmt.fmt.pix.pixelformat, got)) {
        Log::write(8, "vazURIdav: %s gave a pixel format the engine cannot use.",
                   nameText().c_str());
        return ZD_OPEN_PREVIEW_FAILED;
    }
    if (got.v4l2 != pf.v4l2 && !(got.jpeg && pf.jpeg))
        pf = got;

    int fps = chosen.fps;
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (V4l2FdQuery::xioctl(fd.get(), VIDIOC_G_PARM, &parm) == 0 &&
        (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) && fps > 0) {
        parm.parm.capture.timeperframe.numerator = 1;
        parm.parm.capture.timeperframe.denominator = static_cast<uint32_t>(fps);
        if (V4l2FdQuery::xioctl(fd.get(), VIDIOC_S_PARM, &parm) == 0) {
            const int actual = V4l2FormatList::fpsOf(parm.parm.capture.timeperframe.numerator,
                                                     parm.parm.capture.timeperframe.denominator);
            if (actual > 0)
                fps = actual;
        }
    }

    V4l2FrameLayout layout;
    layout.pixels = pf.pixels;
    layout.width = static_cast<int>(fmt.fmt.pix.width);
    layout.height = static_cast<int>(fmt.fmt.pix.height);
    layout.bytesPerLine = fmt.fmt.pix.bytesperline;
    layout.swapChroma = pf.swapChroma;
    auto capture = std::make_unique<V4l2Capture>(fd.release(), nameText(), pf, layout);
    const int prepared = capture->prepare();
    if (prepared != 1)
        return prepared;

    inUse = chosen;
    inUse.width = layout.width;
    inUse.height = layout.height;
    inUse.fps = fps;
    inUse.fourcc = pf.shown;
    copyText(inUse.codecName, sizeof inUse.codecName, fourccText(pf.shown));
    m_capture = std::move(capture);
    Log::write(2, "vazURIdav: %s opened at %dx%d %dfps %s.", nameText().c_str(), inUse.width,
               inUse.height, inUse.fps, fourccText(inUse.fourcc).c_str());
    return 1;
}

bool V4l2Device::startCapture(const DEV_CAPACITY&, FrameReceiver& receiver)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_capture)
        return false;
    m_capture->start(receiver);
    return true;
}

void V4l2Device::stopCapture()
{
    close();
}

void V4l2Device::close()
{
    std::unique_ptr<V4l2Capture> capture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        capture = std::move(m_capture);
    }
    capture.reset();
}

bool V4l2Device::ampValues(VIDEOAMPVALUE& out) const
{
    FdCloser fd(openNode(O_RDWR | O_NONBLOCK));
    if (fd.get() < 0)
        return false;
    V4l2FdQuery query(fd.get());
    VIDEOAMPVALUE v{};
    if (!V4l2Controls::read(query, v))
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_amp = v;
    m_ampKnown = true;
    out = v;
    return true;
}

bool V4l2Device::setAmpValues(const VIDEOAMPVALUE& in)
{
    FdCloser fd(openNode(O_RDWR | O_NONBLOCK));
    if (fd.get() < 0)
        return false;
    V4l2FdQuery query(fd.get());
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_ampKnown) {
        if (!V4l2Controls::read(query, m_amp))
            return false;
        m_ampKnown = true;
    }
    const int refused = V4l2Controls::write(query, in, &m_amp);
    if (refused > 0)
        Log::write(2, "vazURIdav: %s refused %d picture control writes.", nameText().c_str(),
                   refused);
    return refused == 0;
}

} // namespace zd
