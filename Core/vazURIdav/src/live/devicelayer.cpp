#include "live/devicelayer.h"

#include "core/errortext.h"
#include "core/text.h"
#include "devices/devicemanager.h"
#include "media/sourcepipeline.h"
#include "vazURIdav_reports.h"

namespace zd::live
{

namespace
{

// 67853's codes: 1 no device, 2 no permission, 3 the capture cannot start.
int openResultCode(int deviceResult)
{
    switch (deviceResult) {
    case ZD_OPEN_NO_DEVICE:
        return 1;
    case ZD_OPEN_CAMERA_DENIED:
    case ZD_OPEN_MICROPHONE_DENIED:
        return 2;
    default:
        return 3;
    }
}

} // namespace

DeviceLayer::DeviceLayer(LayerHost& host, std::string key, unsigned long number, int kind)
    : Layer(host, std::move(key), number, kind)
{
}

DeviceLayer::~DeviceLayer()
{
    stop();
}

void DeviceLayer::apply(const Block& block, bool adding)
{
    (void)adding;
    DeviceBlock d;
    if (!readDeviceBlock(block.data(), block.size(), m_kind, d))
        return;
    storeBlock(block);
    // Any change of the device part opens the device again: it may be
    // another device, another format, or the same one come back.
    close();
    const int code = open(d);
    report(ZD_MSG_OVERLAY_OPEN_RESULT, code);
}

int DeviceLayer::open(const DeviceBlock& d)
{
    std::shared_ptr<CaptureDevice> device = m_host.devices().find(d.device);
    if (!device || device->isAudioOnly() != (m_kind == KindAudioDevice))
        return 1;
    if (m_host.deviceInUse(device->pathText(), this))
        return 3;
    DEV_CAPACITY inUse{};
    const int result = device->open(d.defaultFormat ? nullptr : &d.format, inUse);
    if (result != 1)
        return openResultCode(result);
    {
        std::lock_guard<std::mutex> lock(m_failMutex);
        m_told.clear();
    }
    std::shared_ptr<CaptureDevice> sound;
    if (m_kind == KindVideoDevice && d.autoAudio) {
        sound = m_host.devices().soundOfSameUsbDevice(*device);
        DEV_CAPACITY unused{};
        if (sound &&
            (m_host.deviceInUse(sound->pathText(), this) || sound->open(nullptr, unused) != 1))
            sound.reset();
    }
    auto pipeline = std::make_shared<media::SourcePipeline>();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pipeline->filters().setFilters(m_filters);
        m_video = device;
        m_sound = sound;
        m_pipeline = pipeline;
    }
    m_audio.clear();
    const bool soundOnly = m_kind == KindAudioDevice;
    if (!device->startCapture(inUse, *this)) {
        close();
        return 3;
    }
    if (sound && !sound->startCapture(inUse, *this)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        sound->close();
        m_sound.reset();
    }
    m_hasAudio = soundOnly || m_sound != nullptr;
    if (!soundOnly)
        report(ZD_MSG_DEVICE_OPENED,
               (static_cast<long long>(inUse.width & 0xFFFF) << 16) | (inUse.height & 0xFFFF));
    return 0;
}

void DeviceLayer::close()
{
    std::shared_ptr<CaptureDevice> video, sound;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        video = std::move(m_video);
        sound = std::move(m_sound);
    }
    // The capture threads end before the pipeline they feed goes.
    if (video)
        video->stopCapture();
    if (sound)
        sound->stopCapture();
    if (video)
        video->close();
    if (sound)
        sound->close();
    m_hasAudio = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pipeline.reset();
}

void DeviceLayer::stop()
{
    close();
}

media::AVFramePtr DeviceLayer::picture(uint64_t& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pipeline ? m_pipeline->latest().get(serial) : nullptr;
}

void DeviceLayer::setFilters(const std::vector<media::FilterSpec>& filters)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filters = filters;
    if (m_pipeline)
        m_pipeline->filters().setFilters(m_filters);
}

int DeviceLayer::frameRate() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pipeline ? m_pipeline->measuredFps() : 0;
}

bool DeviceLayer::lostBy(const DeviceNotification& n) const
{
    return n.removal && usesDevice(boundedText(n.path, sizeof n.path));
}

bool DeviceLayer::usesDevice(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return (m_video && m_video->pathText() == path) || (m_sound && m_sound->pathText() == path);
}

void DeviceLayer::videoFrame(const AVFrame* frame)
{
    std::shared_ptr<media::SourcePipeline> pipeline;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pipeline = m_pipeline;
    }
    if (pipeline)
        pipeline->pushVideo(frame);
}

void DeviceLayer::audioFrame(const AVFrame* frame)
{
    m_audio.push(frame);
}

void DeviceLayer::captureFailed(int code)
{
    // A removed device is told by hot plug (8965), which the application
    // answers through the lost query.
    if (code == kErrorDeviceRemoved)
        return;
    {
        std::lock_guard<std::mutex> lock(m_failMutex);
        if (!m_told.insert(code).second)
            return;
    }
    report(ZD_MSG_PREVIEW_FAILED, 1);
}

} // namespace zd::live
