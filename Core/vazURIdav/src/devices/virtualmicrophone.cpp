#include "devices/virtualmicrophone.h"

#include "core/text.h"
#include "devices/virtualmicrophonecapture.h"
#include "media/avholders.h"

namespace zd
{

VirtualMicrophone::VirtualMicrophone()
{
    copyText(m_name.name, sizeof m_name.name, kName);
    copyText(m_name.path, sizeof m_name.path, kPath);
    m_name.kind = ZD_DEVICE_KIND_AUDIO;
}

int VirtualMicrophone::open(const DEV_CAPACITY*, DEV_CAPACITY& inUse)
{
    inUse = DEV_CAPACITY{};
    return 1;
}

VirtualMicrophone::~VirtualMicrophone()
{
    stopCapture();
}

bool VirtualMicrophone::startCapture(const DEV_CAPACITY&, FrameReceiver& receiver)
{
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture = std::make_unique<devices::VirtualMicrophoneCapture>(
        [&receiver](media::AVFramePtr frame) { receiver.audioFrame(frame.get()); });
    m_capture->start();
    return true;
}

void VirtualMicrophone::stopCapture()
{
    std::lock_guard<std::mutex> lock(m_captureMutex);
    if (m_capture)
        m_capture->stop();
    m_capture.reset();
}

} // namespace zd
