// The live canvas as a capture device: live mode opens the base device
// "NULL" like any camera, and its pictures and sound are the composed
// layers. The device is never listed; the application names it.
#pragma once

#include "devices/deviceprovider.h"

#include <memory>
#include <vector>

namespace zd
{
class Engine;
}

namespace zd::live
{

class CanvasDeviceProvider : public DeviceProvider
{
public:
    static constexpr const char* kName = "NULL";
    static constexpr const char* kPath = "NULL";

    explicit CanvasDeviceProvider(Engine& engine);

    std::vector<std::shared_ptr<CaptureDevice>> devices() override { return {m_device}; }

private:
    std::shared_ptr<CaptureDevice> m_device;
};

} // namespace zd::live
