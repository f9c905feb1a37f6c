// What changed between two listings of the machine's devices: the devices
// whose path vanished (removals, first) and those whose path is new
// (arrivals), each in list order.
#pragma once

#include "vazURIdav.h"

#include <vector>

namespace zd
{

struct DeviceChange {
    bool removal = false;
    DEV_NAME device{};
};

class DeviceChanges
{
public:
    static std::vector<DeviceChange> between(const std::vector<DEV_NAME>& before,
                                             const std::vector<DEV_NAME>& after);
};

} // namespace zd
