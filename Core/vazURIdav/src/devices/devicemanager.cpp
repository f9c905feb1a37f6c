#include "devices/devicemanager.h"

#include "core/text.h"
#include "devices/alsadeviceprovider.h"
#include "devices/scripteddeviceprovider.h"
#include "devices/v4l2deviceprovider.h"
#include "devices/virtualdeviceprovider.h"

#include <cstdlib>

namespace zd
{

namespace
{

std::string folderFromEnvironment(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value && value[0] ? std::string(value) : std::string(fallback);
}

} // namespace

DeviceManager::DeviceManager()
    : m_scripted(std::make_shared<ScriptedDeviceProvider>()),
      m_virtual(std::make_shared<VirtualDeviceProvider>())
{
    m_devRoot = folderFromEnvironment("VAZURIDAV_DEV_ROOT", "/dev");
    m_sysRoot = folderFromEnvironment("VAZURIDAV_SYS_ROOT", "/sys");
    m_realDevRoot = m_devRoot == "/dev";
    m_machine.push_back(std::make_shared<V4l2DeviceProvider>(m_devRoot, m_sysRoot));
    m_machine.push_back(std::make_shared<AlsaDeviceProvider>(m_devRoot, m_sysRoot));
    m_providers = m_machine;
    m_providers.push_back(m_scripted);
}

DeviceManager::~DeviceManager() = default;

void DeviceManager::addUnlisted(std::shared_ptr<DeviceProvider> provider)
{
    m_unlisted.push_back(std::move(provider));
}

std::vector<std::shared_ptr<CaptureDevice>> DeviceManager::list(bool ignoreVirtual) const
{
    // The engine's own devices are always listed, so the others share the
    // slots that remain.
    const std::vector<std::shared_ptr<CaptureDevice>> own = m_virtual->devices();
    const size_t room = ZD_MAX_DEVICES - own.size();
    std::vector<std::shared_ptr<CaptureDevice>> all;
    for (const auto& provider : m_providers) {
        for (auto& device : provider->devices()) {
            if (ignoreVirtual && device->foreignVirtual())
                continue;
            if (all.size() < room)
                all.push_back(device);
        }
    }
    all.insert(all.end(), own.begin(), own.end());
    return all;
}

std::shared_ptr<CaptureDevice> DeviceManager::find(const DEV_NAME& device) const
{
    const std::string name = boundedText(device.name, sizeof device.name);
    const std::string path = boundedText(device.path, sizeof device.path);
    for (const auto& provider : m_unlisted) {
        for (auto& d : provider->devices()) {
            if (d->nameText() == name && d->pathText() == path)
                return d;
        }
    }
    std::shared_ptr<CaptureDevice> byPath;
    for (auto& d : list(false)) {
        if (d->pathText() != path)
            continue;
        if (d->nameText() == name)
            return d;
        if (!byPath && !path.empty())
            byPath = d;
    }
    return byPath;
}

std::shared_ptr<CaptureDevice> DeviceManager::findByName(const std::string& name) const
{
    for (auto& d : list(false)) {
        if (d->nameText() == name)
            return d;
    }
    return nullptr;
}

std::shared_ptr<CaptureDevice> DeviceManager::findByPath(const std::string& path) const
{
    for (auto& d : list(false)) {
        if (d->pathText() == path)
            return d;
    }
    return nullptr;
}

std::shared_ptr<CaptureDevice> DeviceManager::soundOfSameUsbDevice(const CaptureDevice& video) const
{
    const std::string path = video.pathText();
    if (path.compare(0, 4, "USB#") != 0)
        return nullptr;
    const size_t second = path.find('#', 4);
    const size_t end = second == std::string::npos ? second : path.find('#', second + 1);
    if (end == std::string::npos)
        return nullptr;
    const std::string usbDevice = path.substr(0, end + 1);
    for (auto& d : list(false)) {
        if (d->isAudioOnly() && d->pathText().compare(0, usbDevice.size(), usbDevice) == 0)
            return d;
    }
    return nullptr;
}

std::shared_ptr<CaptureDevice> DeviceManager::firstOfKind(uint32_t kind) const
{
    for (auto& d : list(false)) {
        if (d->name().kind == kind)
            return d;
    }
    return nullptr;
}

bool DeviceManager::addScripted(const ScriptedDeviceDescription& desc)
{
    return m_scripted->add(desc);
}

std::vector<DEV_NAME> DeviceManager::machineDevices() const
{
    std::vector<DEV_NAME> names;
    for (const auto& provider : m_machine) {
        for (const auto& device : provider->devices())
            names.push_back(device->name());
    }
    return names;
}

std::shared_ptr<CaptureDevice> DeviceManager::removeScripted(const std::string& path)
{
    return m_scripted->remove(path);
}

} // namespace zd
