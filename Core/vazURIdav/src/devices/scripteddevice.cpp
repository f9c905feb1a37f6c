#include "devices/scripteddevice.h"

#include "core/log.h"
#include "devices/testsrc2pictures.h"
#include "devices/virtualcameracapture.h"

namespace zd
{

ScriptedDevice::ScriptedDevice(const ScriptedDeviceDescription& desc)
    : m_desc(desc), m_amp(desc.amp)
{
}

ScriptedDevice::~ScriptedDevice()
{
    stopCapture();
}

int ScriptedDevice::open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse)
{
    if (m_desc.openResult != 1)
        return m_desc.openResult;
    if (!pickOfferedFormat(m_desc.formats, asked, inUse))
        inUse = DEV_CAPACITY{};
    return 1;
}

bool ScriptedDevice::ampValues(VIDEOAMPVALUE& out) const
{
    if (!m_desc.hasAmp)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    out = m_amp.values();
    return true;
}

bool ScriptedDevice::setAmpValues(const VIDEOAMPVALUE& in)
{
    if (!m_desc.hasAmp)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_amp.apply(in);
    return true;
}

bool ScriptedDevice::sourceInfo(SOURCE_INFO_4K30& out) const
{
    if (!m_desc.hasSourceInfo)
        return false;
    out = m_desc.sourceInfo;
    return true;
}

bool ScriptedDevice::startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver)
{
    if (m_desc.pictures != ScriptedDeviceDescription::Pictures::Testsrc2 || inUse.width <= 0 ||
        inUse.height <= 0)
        return false;
    const int fps = inUse.fps > 0 ? inUse.fps : 30;
    auto pictures = std::make_shared<devices::Testsrc2Pictures>();
    std::string why;
    if (!pictures->open(inUse.width & ~1, inUse.height & ~1, fps, why)) {
        Log::write(8, "vazURIdav: %s draws no pictures: %s", nameText().c_str(), why.c_str());
        return false;
    }
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture = std::make_unique<devices::VirtualCameraCapture>(
        [pictures](int64_t, int64_t, int64_t) { return pictures->next(); }, inUse.width,
        inUse.height, fps,
        [&receiver](media::AVFramePtr frame) { receiver.videoFrame(frame.get()); });
    m_capture->start();
    return true;
}

void ScriptedDevice::stopCapture()
{
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture.reset();
}

} // namespace zd
