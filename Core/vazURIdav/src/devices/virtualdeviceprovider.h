// The engine's own test-pattern camera and test-tone microphone.
#pragma once

#include "devices/deviceprovider.h"

namespace zd
{

class VirtualDeviceProvider : public DeviceProvider
{
public:
    VirtualDeviceProvider();
    std::vector<std::shared_ptr<CaptureDevice>> devices() override;

private:
    std::shared_ptr<CaptureDevice> m_camera;
    std::shared_ptr<CaptureDevice> m_microphone;
};

} // namespace zd
