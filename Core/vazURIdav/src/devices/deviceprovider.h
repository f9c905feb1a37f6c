// A source of capture devices. The device manager asks every provider in
// turn: the machine's own devices (V4L2 video, ALSA capture: providers of
// their own, still to come), the scripted devices, and the engine's virtual
// devices, in that order.
#pragma once

#include "devices/capturedevice.h"

#include <memory>
#include <vector>

namespace zd
{

class DeviceProvider
{
public:
    virtual ~DeviceProvider() = default;
    // The devices present now.
    virtual std::vector<std::shared_ptr<CaptureDevice>> devices() = 0;
};

} // namespace zd
