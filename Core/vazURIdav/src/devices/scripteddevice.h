// A device described by the device script: listed, opened and answering as
// the script says.
#pragma once

#include "devices/ampcontrols.h"
#include "devices/capturedevice.h"
#include "devices/devicescript.h"
#include "devices/syncpulse.h"

#include <memory>
#include <mutex>

namespace zd::devices
{
class VirtualCameraCapture;
class VirtualMicrophoneCapture;
} // namespace zd::devices

namespace zd
{

class ScriptedDevice : public CaptureDevice
{
public:
    explicit ScriptedDevice(const ScriptedDeviceDescription& desc);
    ~ScriptedDevice() override;

    const DEV_NAME& name() const override { return m_desc.name; }
    std::vector<DEV_CAPACITY> formats() const override { return m_desc.formats; }
    int open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse) override;
    bool foreignVirtual() const override { return m_desc.foreignVirtual; }
    bool ampValues(VIDEOAMPVALUE& out) const override;
    bool setAmpValues(const VIDEOAMPVALUE& in) override;
    bool sourceInfo(SOURCE_INFO_4K30& out) const override;
    // Pictures or sound only for a device whose script names their source.
    bool startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver) override;
    void stopCapture() override;

private:
    devices::SyncPulse pulse() const;
    bool startSound(FrameReceiver& receiver);

    const ScriptedDeviceDescription m_desc;
    mutable std::mutex m_mutex;
    AmpControls m_amp;
    std::mutex m_captureMutex;
    std::unique_ptr<devices::VirtualCameraCapture> m_capture;
    std::unique_ptr<devices::VirtualMicrophoneCapture> m_sound;
};

} // namespace zd
