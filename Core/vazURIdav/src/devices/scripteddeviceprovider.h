// The scripted devices of one engine: read from the device script at start,
// plugged in and out at run time by the test controls.
#pragma once

#include "devices/deviceprovider.h"
#include "devices/devicescript.h"

#include <mutex>
#include <string>

namespace zd
{

class ScriptedDeviceProvider : public DeviceProvider
{
public:
    std::vector<std::shared_ptr<CaptureDevice>> devices() override;
    // False when a device of that path is present or the list is full.
    bool add(const ScriptedDeviceDescription& desc);
    // The removed device, or null when no device has that path.
    std::shared_ptr<CaptureDevice> remove(const std::string& path);

private:
    std::mutex m_mutex;
    std::vector<std::shared_ptr<CaptureDevice>> m_devices;
};

} // namespace zd
