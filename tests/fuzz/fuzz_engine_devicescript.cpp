// The device script reader ($VAZURIDAV_DEVICES and ZDT_AddDevice) on any bytes.
#include "devices/devicescript.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    std::vector<zd::ScriptedDeviceDescription> devices;
    std::string error;
    if (zd::DeviceScript::parse(text, size, devices, error)) {
        if (devices.size() > zd::DeviceScript::kMaxDevices)
            __builtin_trap();
        for (const zd::ScriptedDeviceDescription& d : devices) {
            if (d.formats.size() > ZD_MAX_CAPACITIES ||
                !memchr(d.name.name, 0, sizeof d.name.name) ||
                !memchr(d.name.path, 0, sizeof d.name.path))
                __builtin_trap();
            // Flashes and beeps are shorter than their period.
            if (d.pulsePeriodMs < 100 || d.pulseLengthMs < 1 || d.pulseLengthMs >= d.pulsePeriodMs)
                __builtin_trap();
            for (const DEV_CAPACITY& f : d.formats) {
                if (!memchr(f.codecName, 0, sizeof f.codecName))
                    __builtin_trap();
            }
        }
    } else if (!devices.empty()) {
        __builtin_trap();
    }
    zd::ScriptedDeviceDescription one;
    zd::DeviceScript::parseDevice(text, size, one, error);
    return 0;
}
