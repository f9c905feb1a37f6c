#include "devices/scripteddevice.h"

#include "core/log.h"
#include "devices/testsrc2pictures.h"
#include "devices/virtualcameracapture.h"
#include "devices/virtualmicrophonecapture.h"
#include "media/framepool.h"

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

devices::SyncPulse ScriptedDevice::pulse() const
{
    devices::SyncPulse p;
    p.periodUs = int64_t(m_desc.pulsePeriodMs) * 1000;
    p.lengthUs = int64_t(m_desc.pulseLengthMs) * 1000;
    p.offsetUs = int64_t(m_desc.pulseOffsetMs) * 1000;
    return p;
}

bool ScriptedDevice::startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver)
{
    using Pictures = ScriptedDeviceDescription::Pictures;
    if (m_desc.sound == ScriptedDeviceDescription::Sound::Beep)
        return startSound(receiver);
    if (m_desc.pictures == Pictures::None || inUse.width <= 0 || inUse.height <= 0)
        return false;
    const int fps = inUse.fps > 0 ? inUse.fps : 30;
    devices::VirtualCameraCapture::Painter painter;
    if (m_desc.pictures == Pictures::Testsrc2) {
        auto pictures = std::make_shared<devices::Testsrc2Pictures>();
        std::string why;
        if (!pictures->open(inUse.width & ~1, inUse.height & ~1, fps, why)) {
            Log::write(8, "vazURIdav: %s draws no pictures: %s", nameText().c_str(), why.c_str());
            return false;
        }
        painter = [pictures](int64_t, int64_t, int64_t) { return pictures->next(); };
    } else {
        auto pool = std::make_shared<media::FramePool>();
        const int width = inUse.width & ~1, height = inUse.height & ~1;
        painter = [pool, width, height, fps, pulse = pulse()](int64_t tick, int64_t, int64_t) {
            media::AVFramePtr frame = pool->get(width, height, AV_PIX_FMT_YUV420P);
            if (frame)
                pulse.paint(frame.get(), tick, fps);
            return frame;
        };
    }
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    // Flashes fall on the clock's grid, as the beeps of a scripted
    // microphone do.
    m_capture = std::make_unique<devices::VirtualCameraCapture>(
        std::move(painter), inUse.width, inUse.height, fps,
        [&receiver](media::AVFramePtr frame) { receiver.videoFrame(frame.get()); },
        m_desc.pictures == Pictures::Flash);
    m_capture->start();
    return true;
}

bool ScriptedDevice::startSound(FrameReceiver& receiver)
{
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_sound)
        m_sound->stop();
    m_sound = std::make_unique<devices::VirtualMicrophoneCapture>(
        [pulse = pulse()](AVFrame* frame, int64_t first) {
            pulse.sound(frame, first, devices::VirtualMicrophoneCapture::kSampleRate);
        },
        [&receiver](media::AVFramePtr frame) { receiver.audioFrame(frame.get()); },
        m_desc.soundClockHz);
    m_sound->start();
    return true;
}

void ScriptedDevice::stopCapture()
{
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture.reset();
    if (m_sound)
        m_sound->stop();
    m_sound.reset();
}

} // namespace zd
