// What sysfs tells about the USB device behind a video or sound node, and the
// device paths built from it. Paths must survive a reboot and a replug into
// the same port, so they hold the USB ids and the serial number (or the port
// when the device has none), never the /dev node number.
#pragma once

#include <cstdint>
#include <string>

namespace zd
{

struct UsbIdentity {
    bool usb = false;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string serial;       // cleaned, empty when the device has none
    std::string port;         // bus-port name of the USB device ("1-1.2")
    std::string product;      // the device's own name as it gives it (UTF-8), may be empty
    int interfaceNumber = -1; // of the interface the node belongs to
};

class SysfsUsb
{
public:
    // Longest attribute text read from sysfs, and longest field kept.
    static constexpr size_t kMaxAttributeBytes = 256;
    static constexpr size_t kMaxFieldBytes = 64;

    // The USB device above the node's class entry, e.g. classEntry
    // "class/video4linux/video0" under sysRoot "/sys". usb is false when the
    // node does not sit on a USB device.
    static UsbIdentity lookup(const std::string& sysRoot, const std::string& classEntry);

    // A sysfs attribute's first line, at most kMaxAttributeBytes; false when
    // it cannot be read.
    static bool readAttribute(const std::string& path, std::string& text);
    // A four-digit hex id as sysfs writes it ("046d\n"); false for anything else.
    static bool parseHexId(const std::string& text, uint16_t& id);
    // A decimal number as sysfs writes it; false for anything else.
    static bool parseNumber(const std::string& text, long long max, long long& value);
    // Text made safe for a device path: printable ASCII only, no '#', no
    // surrounding blanks, at most kMaxFieldBytes.
    static std::string cleanField(const std::string& text);

    // "USB#VID_046D&PID_0825#<serial or port>#<node>".
    static std::string devicePath(const UsbIdentity& id, const std::string& node);
};

} // namespace zd
