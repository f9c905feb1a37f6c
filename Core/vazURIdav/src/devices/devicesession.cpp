#include "devices/devicesession.h"

#include "core/engine.h"
#include "core/errortext.h"
#include "core/log.h"
#include "core/text.h"
#include "devices/capturefeed.h"
#include "devices/devicechanges.h"
#include "devices/devicemanager.h"
#include "devices/hotplugmonitor.h"
#include "media/medialog.h"
#include "media/sourcepipeline.h"
#include "sound/soundmonitor.h"
#include "vazURIdav_reports.h"

#include <cstdio>

namespace zd
{

DeviceSession::DeviceSession(Engine& engine) : m_engine(engine) {}

DeviceSession::~DeviceSession()
{
    shutdown();
}

int DeviceSession::open(const PreviewRequest& request, void* target, const DEV_NAME* video,
                        const DEV_NAME* audio, const DEV_CAPACITY* format)
{
    if (!video)
        return ZD_OPEN_NO_DEVICE;
    std::shared_ptr<CaptureDevice> v = m_engine.devices().find(*video);
    if (!v || v->isAudioOnly())
        return ZD_OPEN_NO_DEVICE;

    std::shared_ptr<CaptureDevice> a;
    if (audio) {
        const std::string name = boundedText(audio->name, sizeof audio->name);
        const std::string path = boundedText(audio->path, sizeof audio->path);
        if (path.empty() && audio->kind == ZD_DEVICE_KIND_AUDIO) {
            a = automaticAudio(*v);
        } else if (!(name == "NULL" && path == "NULL") && !(name.empty() && path.empty())) {
            a = m_engine.devices().find(*audio);
            if (!a)
                Log::write(2, "vazURIdav: audio device %s not found, opening without audio.",
                           name.c_str());
        }
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    // A call that raced with ZD_Release opens nothing.
    if (m_engine.stopping())
        return ZD_OPEN_PREVIEW_FAILED;
    if (m_video)
        closeLocked(true);

    DEV_CAPACITY inUse{};
    const int result = v->open(format, inUse);
    if (result != 1)
        return result;
    if (a) {
        DEV_CAPACITY unused{};
        const int audioResult = a->open(nullptr, unused);
        if (audioResult != 1) {
            v->close();
            return audioResult;
        }
    }
    m_video = v;
    m_audio = a;
    m_format = inUse;
    media::routeFfmpegLog();
    m_pipeline = std::make_shared<media::SourcePipeline>();
    m_pipeline->filters().setFilters(m_filters);
    // Troubles of the running capture reach the application as 8975; a
    // removed device is told by hot plug instead (8965).
    Engine* engine = &m_engine;
    m_feed = std::make_shared<CaptureFeed>(m_pipeline, [engine, target](int code) {
        if (code != kErrorDeviceRemoved)
            engine->post(target, ZD_MSG_PREVIEW_ERROR_CODE, 0, code);
    });
    v->reportTo(target);
    if (v->carriesSound() || a)
        startMonitorLocked();
    const bool pictures = v->startCapture(inUse, *m_feed);
    if (!pictures)
        Log::write(2, "vazURIdav: %s gives no pictures.", v->nameText().c_str());
    m_givesSound = v->carriesSound() ? pictures : a && a->startCapture(inUse, *m_feed);
    if (a && !m_givesSound)
        Log::write(2, "vazURIdav: %s gives no sound.", a->nameText().c_str());
    m_renderer.attach(request.window, request.keepAspect != 0);
    m_request = request;
    m_target = target;
    m_engine.post(target, ZD_MSG_PREVIEW_LOADING);
    m_engine.post(target, ZD_MSG_DEVICE_OPENED, 0, 0);
    return 1;
}

int DeviceSession::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_video)
        return 0;
    closeLocked(true);
    return 1;
}

void DeviceSession::shutdown()
{
    std::unique_ptr<HotplugMonitor> monitor;
    {
        std::lock_guard<std::mutex> lock(m_hotplugMutex);
        monitor = std::move(m_monitor);
    }
    // Joined without a lock: its handler may be waiting for one.
    monitor.reset();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_video)
        closeLocked(false);
}

void DeviceSession::closeLocked(bool report)
{
    // The capture threads end before the pipeline they feed goes.
    m_video->stopCapture();
    if (m_audio)
        m_audio->stopCapture();
    m_feed.reset();
    stopMonitorLocked();
    m_pipeline.reset();
    m_givesSound = false;
    m_video->close();
    if (m_audio)
        m_audio->close();
    m_renderer.detach();
    m_video.reset();
    m_audio.reset();
    m_format = DEV_CAPACITY{};
    if (report)
        m_engine.post(m_target, ZD_MSG_DEVICE_CLOSED);
}

void DeviceSession::state(int* open, int* previewing) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (open)
        *open = m_video ? 1 : 0;
    if (previewing)
        *previewing = m_video ? 1 : 0;
}

int DeviceSession::currentFormat(DEV_CAPACITY* format, char* description) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_video)
        return 0;
    if (format)
        *format = m_format;
    if (description) {
        std::string codec = boundedText(m_format.codecName, sizeof m_format.codecName);
        if (codec.empty())
            codec = fourccText(m_format.fourcc);
        char line[ZD_TEXT_BUFFER_BYTES + 64];
        std::snprintf(line, sizeof line, "%s: %dx%d %dfps %s", m_video->nameText().c_str(),
                      m_format.width, m_format.height, m_format.fps, codec.c_str());
        copyText(description, ZD_TEXT_BUFFER_BYTES, line);
    }
    return 1;
}

DeviceSession::PreviewRequest DeviceSession::previewRequest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_request;
}

std::shared_ptr<CaptureDevice> DeviceSession::openVideo() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_video;
}

std::shared_ptr<media::SourcePipeline> DeviceSession::pipeline() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pipeline;
}

bool DeviceSession::hasAudio() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pipeline && m_givesSound;
}

void* DeviceSession::target() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_target;
}

void DeviceSession::setFilters(std::vector<media::FilterSpec> filters)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filters = std::move(filters);
    if (m_pipeline)
        m_pipeline->filters().setFilters(m_filters);
}

float DeviceSession::monitorGainLocked() const
{
    return m_muted ? 0.0f : sound::SoundMonitor::gainOf(m_volume);
}

void DeviceSession::startMonitorLocked()
{
    stopMonitorLocked();
    if (!m_pipeline)
        return;
    m_soundMonitor = std::make_shared<sound::SoundMonitor>(m_soundOutput, monitorGainLocked());
    m_pipeline->attach(m_soundMonitor);
}

void DeviceSession::stopMonitorLocked()
{
    if (!m_soundMonitor)
        return;
    if (m_pipeline)
        m_pipeline->detach(m_soundMonitor.get());
    m_soundMonitor.reset();
}

int DeviceSession::adjustVolume(int volume)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (volume == -255)
        m_muted = true;
    else if (volume == 255)
        m_muted = false;
    else if (volume >= 0 && volume <= 100)
        m_volume = volume;
    else
        return 0;
    if (m_soundMonitor)
        m_soundMonitor->setGain(monitorGainLocked());
    return 1;
}

int DeviceSession::setSoundOutput(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (name == m_soundOutput)
        return 1;
    m_soundOutput = name;
    if (m_soundMonitor)
        startMonitorLocked();
    return 1;
}

bool DeviceSession::monitorLatency(int64_t* serverUs, int64_t* sampleUs) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_soundMonitor && m_soundMonitor->latency(serverUs, sampleUs);
}

int DeviceSession::previewSwitch(int* enable)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!enable)
        return m_previewOn ? 1 : 0;
    m_previewOn = *enable != 0;
    m_renderer.setEnabled(m_previewOn);
    return 1;
}

int DeviceSession::drawPreview()
{
    std::shared_ptr<media::SourcePipeline> source = pipeline();
    if (!source) {
        m_renderer.draw(nullptr, 0);
        return 1;
    }
    // The number first: a picture newer than it is drawn again next time,
    // never one left out.
    const uint64_t serial = source->latest().serial();
    media::AVFramePtr frame = source->latest().get();
    m_renderer.draw(frame.get(), serial);
    return 1;
}

int DeviceSession::setPreviewArea(int x, int y, int width, int height)
{
    m_renderer.setArea(x, y, width, height);
    return 1;
}

int DeviceSession::frameRate() const
{
    std::shared_ptr<media::SourcePipeline> source = pipeline();
    return source ? source->measuredFps() : 0;
}

int DeviceSession::listen(void* target)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_listening = true;
        m_listenTarget = target;
    }
    std::lock_guard<std::mutex> lock(m_hotplugMutex);
    if (m_monitor || m_engine.stopping())
        return 1;
    m_machineSeen = m_engine.devices().machineDevices();
    DeviceManager& devices = m_engine.devices();
    auto monitor = std::make_unique<HotplugMonitor>(devices.devRoot(), devices.realDevRoot(),
                                                    [this] { machineChanged(); });
    if (monitor->start())
        m_monitor = std::move(monitor);
    return 1;
}

void DeviceSession::machineChanged()
{
    const std::vector<DEV_NAME> now = m_engine.devices().machineDevices();
    std::vector<DeviceChange> changes;
    {
        std::lock_guard<std::mutex> lock(m_hotplugMutex);
        changes = DeviceChanges::between(m_machineSeen, now);
        m_machineSeen = now;
    }
    for (const DeviceChange& c : changes) {
        Log::write(2, "vazURIdav: device %s: %s (%s)", c.removal ? "removed" : "arrived",
                   boundedText(c.device.name, sizeof c.device.name).c_str(),
                   boundedText(c.device.path, sizeof c.device.path).c_str());
        announce(c.removal, c.device);
    }
}

void DeviceSession::announce(bool removal, const DEV_NAME& device)
{
    void* target;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_listening)
            return;
        target = m_listenTarget;
    }
    DeviceNotification n;
    copyText(n.path, sizeof n.path, boundedText(device.path, sizeof device.path));
    copyText(n.name, sizeof n.name, boundedText(device.name, sizeof device.name));
    n.kind = device.kind;
    n.removal = removal ? 1 : 0;
    const DeviceNotification* kept = m_engine.keepNotification(n);
    m_engine.post(target, ZD_MSG_DEVICE_CHANGED, removal ? 1 : 0, 0,
                  const_cast<DeviceNotification*>(kept));
}

bool DeviceSession::plug(const ScriptedDeviceDescription& desc)
{
    if (!m_engine.devices().addScripted(desc))
        return false;
    announce(false, desc.name);
    return true;
}

bool DeviceSession::unplug(const std::string& path)
{
    std::shared_ptr<CaptureDevice> removed = m_engine.devices().removeScripted(path);
    if (!removed)
        return false;
    announce(true, removed->name());
    return true;
}

int DeviceSession::queryLost(const void* notification, int* lost) const
{
    DeviceNotification n;
    if (!lost || !m_engine.findNotification(notification, n))
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    *lost =
        (n.removal && m_video && m_video->pathText() == boundedText(n.path, sizeof n.path)) ? 1 : 0;
    return 1;
}

std::shared_ptr<CaptureDevice> DeviceSession::ampDevice(const std::string& deviceName) const
{
    // The device setup dialog names no device: it means the open one.
    if (deviceName.empty())
        return openVideo();
    return m_engine.devices().findByName(deviceName);
}

int DeviceSession::ampValues(const std::string& deviceName, VIDEOAMPVALUE* value) const
{
    if (!value)
        return 0;
    std::shared_ptr<CaptureDevice> d = ampDevice(deviceName);
    return d && d->ampValues(*value) ? 1 : 0;
}

int DeviceSession::setAmpValues(const std::string& deviceName, const VIDEOAMPVALUE* value)
{
    if (!value)
        return 0;
    std::shared_ptr<CaptureDevice> d = ampDevice(deviceName);
    return d && d->setAmpValues(*value) ? 1 : 0;
}

std::shared_ptr<CaptureDevice> DeviceSession::automaticAudio(const CaptureDevice& video) const
{
    if (std::shared_ptr<CaptureDevice> own = m_engine.devices().soundOfSameUsbDevice(video))
        return own;
    return m_engine.devices().firstOfKind(ZD_DEVICE_KIND_AUDIO);
}

std::shared_ptr<CaptureDevice> DeviceSession::sourceInfoDevice() const
{
    SOURCE_INFO_4K30 info{};
    std::shared_ptr<CaptureDevice> open = openVideo();
    if (open && open->sourceInfo(info))
        return open;
    for (auto& d : m_engine.devices().list(false)) {
        if (d->sourceInfo(info))
            return d;
    }
    return nullptr;
}

int DeviceSession::hdrFlag(int set, int* flag)
{
    if (!flag || !sourceInfoDevice())
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (set)
        m_hdrFlag = *flag ? 1 : 0;
    else
        *flag = m_hdrFlag;
    return 1;
}

int DeviceSession::sourceInfo(SOURCE_INFO_4K30* info) const
{
    std::shared_ptr<CaptureDevice> d = sourceInfoDevice();
    return info && d && d->sourceInfo(*info) ? 1 : 0;
}

} // namespace zd
