// All capture devices of one engine, from every provider.
#pragma once

#include "devices/deviceprovider.h"
#include "devices/devicescript.h"

#include <memory>
#include <string>
#include <vector>

namespace zd
{

class ScriptedDeviceProvider;
class VirtualDeviceProvider;

class DeviceManager
{
public:
    DeviceManager();
    ~DeviceManager();

    // Present devices, providers in order and the engine's own devices last,
    // at most ZD_MAX_DEVICES.
    std::vector<std::shared_ptr<CaptureDevice>> list(bool ignoreVirtual) const;
    // The device a DEV_NAME names: an unlisted one by name and path, else one
    // from the list by name and path, else by path alone. Null when absent.
    std::shared_ptr<CaptureDevice> find(const DEV_NAME& device) const;
    std::shared_ptr<CaptureDevice> findByName(const std::string& name) const;
    std::shared_ptr<CaptureDevice> findByPath(const std::string& path) const;
    // The sound device on the same USB device as video, which
    // "USB#VID_xxxx&PID_yyyy#<serial or port>#" at the start of a path names;
    // null for devices off USB or without one.
    std::shared_ptr<CaptureDevice> soundOfSameUsbDevice(const CaptureDevice& video) const;
    // The first present device of that kind.
    std::shared_ptr<CaptureDevice> firstOfKind(uint32_t kind) const;

    // A provider of devices the application opens by name but never sees in
    // the list (the live canvas). Added before the engine is handed out.
    void addUnlisted(std::shared_ptr<DeviceProvider> provider);

    bool addScripted(const ScriptedDeviceDescription& desc);
    std::shared_ptr<CaptureDevice> removeScripted(const std::string& path);

    // The machine's own devices (V4L2 and ALSA) as listed now, the ones
    // hot-plug watches.
    std::vector<DEV_NAME> machineDevices() const;
    // Where device nodes and sysfs are read: /dev and /sys, unless
    // $VAZURIDAV_DEV_ROOT and $VAZURIDAV_SYS_ROOT name other folders (tests
    // use empty ones so that the machine's own devices stay out).
    const std::string& devRoot() const { return m_devRoot; }
    bool realDevRoot() const { return m_realDevRoot; }

private:
    std::string m_devRoot;
    std::string m_sysRoot;
    bool m_realDevRoot = true;
    std::vector<std::shared_ptr<DeviceProvider>> m_machine;
    std::shared_ptr<ScriptedDeviceProvider> m_scripted;
    std::shared_ptr<VirtualDeviceProvider> m_virtual;
    // Providers of other devices, in listing order.
    std::vector<std::shared_ptr<DeviceProvider>> m_providers;
    std::vector<std::shared_ptr<DeviceProvider>> m_unlisted;
};

} // namespace zd
