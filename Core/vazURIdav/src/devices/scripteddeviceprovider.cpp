#include "devices/scripteddeviceprovider.h"

#include "devices/scripteddevice.h"

namespace zd
{

std::vector<std::shared_ptr<CaptureDevice>> ScriptedDeviceProvider::devices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices;
}

bool ScriptedDeviceProvider::add(const ScriptedDeviceDescription& desc)
{
    auto device = std::make_shared<ScriptedDevice>(desc);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_devices.size() >= DeviceScript::kMaxDevices)
        return false;
    for (const auto& d : m_devices) {
        if (d->pathText() == device->pathText())
            return false;
    }
    m_devices.push_back(device);
    return true;
}

std::shared_ptr<CaptureDevice> ScriptedDeviceProvider::remove(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
        if ((*it)->pathText() == path) {
            std::shared_ptr<CaptureDevice> removed = *it;
            m_devices.erase(it);
            return removed;
        }
    }
    return nullptr;
}

} // namespace zd
