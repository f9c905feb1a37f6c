// The main device of one engine: opening and closing it with its reports,
// its format, the preview switch, hot-plug reports and device-loss answers.
#pragma once

#include "devices/capturedevice.h"
#include "devices/devicescript.h"
#include "media/filterrunner.h"
#include "render/previewrenderer.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zd
{

class CaptureFeed;
class Engine;
class HotplugMonitor;

namespace media
{
class SourcePipeline;
}
namespace sound
{
class SoundMonitor;
}

class DeviceSession
{
public:
    // Where and how the preview of the open device is drawn.
    struct PreviewRequest {
        ZD_WINDOW_ID window = 0;
        int keepAspect = 0;
        int videoRender = 0;
        int queueBytes = 0;
    };

    explicit DeviceSession(Engine& engine);
    ~DeviceSession();

    // 1 or a ZD_OPEN_* result (a scripted device's own result wins). On 1
    // reports 5555 and 6666 to target. An open device is closed first.
    int open(const PreviewRequest& request, void* target, const DEV_NAME* video,
             const DEV_NAME* audio, const DEV_CAPACITY* format);
    // 1 and report 7777 when a device was open, else 0.
    int close();
    // Closes without reports, for the engine's shutdown.
    void shutdown();

    void state(int* open, int* previewing) const;
    int currentFormat(DEV_CAPACITY* format, char* description) const;
    PreviewRequest previewRequest() const;
    std::shared_ptr<CaptureDevice> openVideo() const;
    // Where the open device's frames go (filters, newest frame, recording,
    // GIF); null while no device is open. Holders keep it alive, not the
    // device's capture.
    std::shared_ptr<media::SourcePipeline> pipeline() const;
    // Sound reaches the pipeline (an audio device was opened with the video).
    bool hasAudio() const;
    // The receiver of the open device's reports.
    void* target() const;
    // The main source's filter chain, kept across openings and applied to
    // every device opened.
    void setFilters(std::vector<media::FilterSpec> filters);

    // What the preview sounds like, for every device opened from now on and
    // the open one: 0-100 the volume, -255 mute, 255 back to the volume
    // (1), anything else 0.
    int adjustVolume(int volume);
    // The sound server's output of that name, empty for its default.
    int setSoundOutput(const std::string& name);
    // Test control: the monitor's delays (microseconds), false while silent.
    bool monitorLatency(int64_t* serverUs, int64_t* sampleUs) const;

    // enable null: the switch (1 on, 0 off); else sets it and returns 1.
    int previewSwitch(int* enable);

    // The preview pump: draws the newest picture when there is a new one.
    int drawPreview();
    // The preview rectangle, in the coordinates of the window's parent.
    int setPreviewArea(int x, int y, int width, int height);
    // Pictures per second that came out of the open device's pipeline in the
    // last second.
    int frameRate() const;

    // Starts reporting arrivals and removals (8965) to target, those of the
    // machine's devices included.
    int listen(void* target);
    // Reports an arrival or removal to the listening target.
    void announce(bool removal, const DEV_NAME& device);
    bool plug(const ScriptedDeviceDescription& desc);
    bool unplug(const std::string& path);
    // Whether the notification tells of the open device's removal.
    int queryLost(const void* notification, int* lost) const;

    // The picture controls of the device of that name; an empty name is the
    // open video device.
    int ampValues(const std::string& deviceName, VIDEOAMPVALUE* value) const;
    int setAmpValues(const std::string& deviceName, const VIDEOAMPVALUE* value);
    int hdrFlag(int set, int* flag);
    int sourceInfo(SOURCE_INFO_4K30* info) const;

private:
    void closeLocked(bool report);
    std::shared_ptr<CaptureDevice> ampDevice(const std::string& deviceName) const;
    // The audio device "Auto" stands for: the one on the same USB device as
    // video when there is one, else the first present.
    std::shared_ptr<CaptureDevice> automaticAudio(const CaptureDevice& video) const;
    // The monitor of the open device's sound, anew (a changed output).
    void startMonitorLocked();
    void stopMonitorLocked();
    float monitorGainLocked() const;
    // The hot-plug monitor's handler: tells what came and went since the last look.
    void machineChanged();
    // The open device when it is a 4K30 box, else the first one present.
    std::shared_ptr<CaptureDevice> sourceInfoDevice() const;

    Engine& m_engine;
    mutable std::mutex m_mutex;
    std::shared_ptr<CaptureDevice> m_video;
    std::shared_ptr<CaptureDevice> m_audio;
    std::shared_ptr<media::SourcePipeline> m_pipeline;
    std::vector<media::FilterSpec> m_filters;
    bool m_givesSound = false;
    DEV_CAPACITY m_format{};
    PreviewRequest m_request;
    void* m_target = nullptr;
    bool m_previewOn = true;
    bool m_listening = false;
    void* m_listenTarget = nullptr;
    int m_hdrFlag = 0;
    std::shared_ptr<CaptureFeed> m_feed;
    std::shared_ptr<sound::SoundMonitor> m_soundMonitor;
    std::string m_soundOutput;
    int m_volume = 100;
    bool m_muted = false;
    PreviewRenderer m_renderer;

    // The hot-plug side, with a lock of its own: its thread must never wait
    // for the session's.
    std::mutex m_hotplugMutex;
    std::unique_ptr<HotplugMonitor> m_monitor;
    std::vector<DEV_NAME> m_machineSeen;
};

} // namespace zd
