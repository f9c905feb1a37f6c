// What the engine reads from sysfs and ALSA for device paths and names: ids,
// numbers, serial numbers and card names of any bytes.
#include "devices/alsadeviceprovider.h"
#include "devices/sysfsusb.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{

bool terminated(const DEV_NAME& d)
{
    return memchr(d.name, 0, sizeof d.name) && memchr(d.path, 0, sizeof d.path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Fields split at NUL bytes.
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < size && fields.size() < 64; ++i) {
        if (data[i] == 0)
            fields.emplace_back();
        else
            fields.back().push_back(static_cast<char>(data[i]));
    }
    for (const std::string& f : fields) {
        uint16_t id = 0;
        long long n = 0;
        zd::SysfsUsb::parseHexId(f, id);
        zd::SysfsUsb::parseNumber(f, 255, n);
        if (zd::SysfsUsb::parseNumber(f, 255, n) && (n < 0 || n > 255))
            __builtin_trap();
        const std::string clean = zd::SysfsUsb::cleanField(f);
        if (clean.size() > zd::SysfsUsb::kMaxFieldBytes || clean.find('#') != std::string::npos)
            __builtin_trap();
    }
    zd::UsbIdentity usb;
    usb.usb = true;
    usb.serial = zd::SysfsUsb::cleanField(fields[0]);
    usb.port = zd::SysfsUsb::cleanField(fields.back());
    zd::SysfsUsb::devicePath(usb, fields.size() > 1 ? fields[1] : std::string());

    std::vector<zd::AlsaPcmEntry> entries;
    for (size_t i = 0; i + 3 < fields.size(); i += 4) {
        zd::AlsaPcmEntry e;
        e.card = static_cast<int>(i % 3);
        e.cardId = fields[i];
        e.cardName = fields[i + 1];
        e.device = static_cast<int>(fields[i + 2].size());
        e.pcmName = fields[i + 3];
        entries.push_back(e);
    }
    // Node names of /dev/snd.
    for (const zd::AlsaPcmEntry& e :
         zd::AlsaDeviceProvider::deniedEntries(fields, {}, "/nonexistent", "/nonexistent"))
        if (e.card < 0 || e.device < 0 || !e.denied)
            __builtin_trap();
    for (const zd::AlsaPcmInfo& info : zd::AlsaDeviceProvider::describe(entries, "/nonexistent"))
        if (!terminated(info.name) || zd::AlsaDeviceProvider::safeCardId(info.cardId).empty())
            __builtin_trap();
    return 0;
}
