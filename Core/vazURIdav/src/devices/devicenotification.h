// What the engine hands the application with 8965 and reads back in
// ZD_QueryDeviceLost. The path comes first, so that the notification also
// reads as the NUL-terminated path of the device.
#pragma once

#include <cstdint>

namespace zd
{

struct DeviceNotification {
    char path[1024] = {};
    char name[256] = {};
    uint32_t kind = 0;
    int removal = 0;
};

} // namespace zd
