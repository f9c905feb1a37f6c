// The engine's own microphone: a test tone, present on every machine.
#pragma once

#include "devices/capturedevice.h"

#include <memory>
#include <mutex>

namespace zd
{

namespace devices
{
class VirtualMicrophoneCapture;
}

class VirtualMicrophone : public CaptureDevice
{
public:
    static constexpr const char* kName = "Test Tone Microphone";
    static constexpr const char* kPath = "VIRTUAL_TEST_TONE_MICROPHONE";

    VirtualMicrophone();
    ~VirtualMicrophone() override;
    const DEV_NAME& name() const override { return m_name; }
    std::vector<DEV_CAPACITY> formats() const override { return {}; }
    int open(const DEV_CAPACITY*, DEV_CAPACITY& inUse) override;
    // A 440 Hz tone, 48 kHz stereo.
    bool startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver) override;
    void stopCapture() override;

private:
    DEV_NAME m_name{};
    std::mutex m_captureMutex;
    std::unique_ptr<devices::VirtualMicrophoneCapture> m_capture;
};

} // namespace zd
