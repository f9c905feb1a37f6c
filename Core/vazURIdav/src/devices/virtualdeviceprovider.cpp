#include "devices/virtualdeviceprovider.h"

#include "devices/virtualcamera.h"
#include "devices/virtualmicrophone.h"

namespace zd
{

VirtualDeviceProvider::VirtualDeviceProvider()
    : m_camera(std::make_shared<VirtualCamera>()),
      m_microphone(std::make_shared<VirtualMicrophone>())
{
}

std::vector<std::shared_ptr<CaptureDevice>> VirtualDeviceProvider::devices()
{
    return {m_camera, m_microphone};
}

} // namespace zd
