#include "devices/virtualcamera.h"

#include "core/text.h"
#include "devices/pictureadjust.h"
#include "devices/virtualcameracapture.h"
#include "media/avholders.h"

namespace zd
{

VirtualCamera::VirtualCamera() : m_amp(AmpControls::cameraDefaults())
{
    copyText(m_name.name, sizeof m_name.name, kName);
    copyText(m_name.path, sizeof m_name.path, kPath);
    m_name.kind = ZD_DEVICE_KIND_VIDEO;
    m_fallback = formats().front();
}

VirtualCamera::VirtualCamera(const char* name, const char* path, const DEV_CAPACITY& fallback)
    : m_fallback(fallback), m_listed(false), m_amp(AmpControls::cameraDefaults())
{
    copyText(m_name.name, sizeof m_name.name, name);
    copyText(m_name.path, sizeof m_name.path, path);
    m_name.kind = ZD_DEVICE_KIND_VIDEO;
}

VirtualCamera::~VirtualCamera()
{
    stopCapture();
}

DEV_CAPACITY VirtualCamera::format(int width, int height, int fps, const char* fourcc, int choice0,
                                   int choice1)
{
    DEV_CAPACITY f{};
    f.width = width;
    f.height = height;
    f.fps = fps;
    f.fourcc = fourccFromText(fourcc);
    copyText(f.codecName, sizeof f.codecName, fourcc);
    f.fpsChoices[0] = choice0;
    f.fpsChoices[1] = choice1;
    return f;
}

std::vector<DEV_CAPACITY> VirtualCamera::formats() const
{
    if (!m_listed)
        return {m_fallback};
    return {format(1920, 1080, 60, "YUY2", 30, 25), format(1920, 1080, 60, "NV12", 30, 25),
            format(1920, 1080, 30, "YUY2", 25, 15), format(1280, 720, 60, "YUY2", 30, 25),
            format(1280, 720, 60, "NV12", 30, 25),  format(1280, 720, 30, "YUY2", 25, 15),
            format(640, 480, 30, "YUY2", 25, 15)};
}

int VirtualCamera::open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse)
{
    // A pattern can be drawn at any size and rate, so any sane request is met.
    const bool sane = asked && asked->width >= 16 && asked->width <= 7680 && asked->height >= 16 &&
                      asked->height <= 4320 && asked->fps >= 1 && asked->fps <= 240;
    if (!sane) {
        inUse = m_fallback;
        return 1;
    }
    inUse = *asked;
    if (inUse.fourcc == 0)
        inUse.fourcc = m_fallback.fourcc;
    if (inUse.codecName[0] == '\0')
        copyText(inUse.codecName, sizeof inUse.codecName, fourccText(inUse.fourcc));
    inUse.codecName[sizeof inUse.codecName - 1] = '\0';
    return 1;
}

bool VirtualCamera::ampValues(VIDEOAMPVALUE& out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    out = m_amp.values();
    return true;
}

bool VirtualCamera::setAmpValues(const VIDEOAMPVALUE& in)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_amp.apply(in);
    return true;
}

bool VirtualCamera::startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver)
{
    if (!m_listed)
        return false;
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture = std::make_unique<devices::VirtualCameraCapture>(
        inUse.width, inUse.height, inUse.fps,
        [this] {
            std::lock_guard<std::mutex> amp(m_mutex);
            return devices::PictureAdjust::fromAmpValues(m_amp.values());
        },
        [&receiver](media::AVFramePtr frame) { receiver.videoFrame(frame.get()); });
    m_capture->start();
    return true;
}

void VirtualCamera::stopCapture()
{
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture.reset();
}

} // namespace zd
