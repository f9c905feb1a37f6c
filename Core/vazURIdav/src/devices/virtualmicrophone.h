// The engine's own microphone: a test tone, present on every machine.
#pragma once

#include "devices/capturedevice.h"

namespace zd
{

class VirtualMicrophone : public CaptureDevice
{
public:
    static constexpr const char* kName = "Test Tone Microphone";
    static constexpr const char* kPath = "VIRTUAL_TEST_TONE_MICROPHONE";

    VirtualMicrophone();
    const DEV_NAME& name() const override { return m_name; }
    std::vector<DEV_CAPACITY> formats() const override { return {}; }
    int open(const DEV_CAPACITY*, DEV_CAPACITY& inUse) override;

private:
    DEV_NAME m_name{};
};

} // namespace zd
