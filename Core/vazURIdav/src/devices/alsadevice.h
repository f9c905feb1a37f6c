// An ALSA capture device (one PCM device of a sound card) as an audio
// capture device.
#pragma once

#include "devices/alsacapture.h"
#include "devices/capturedevice.h"

#include <memory>
#include <mutex>
#include <string>

namespace zd
{

struct AlsaPcmInfo {
    DEV_NAME name{};
    std::string cardId; // ALSA's stable card id ("C920"), not its number
    int device = 0;
    // Listed from its node only: the user may not open the card.
    bool denied = false;
    std::string node;
};

class AlsaDevice : public CaptureDevice
{
public:
    explicit AlsaDevice(AlsaPcmInfo info);
    ~AlsaDevice() override;

    const DEV_NAME& name() const override { return m_info.name; }
    std::vector<DEV_CAPACITY> formats() const override { return {}; }
    int open(const DEV_CAPACITY* asked, DEV_CAPACITY& inUse) override;
    bool startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver) override;
    void stopCapture() override;
    void close() override;

    const AlsaPcmInfo& info() const { return m_info; }
    // The PCM name the device is opened by.
    static std::string pcmName(const std::string& cardId, int device);

private:
    const AlsaPcmInfo m_info;
    std::mutex m_mutex;
    std::unique_ptr<AlsaCapture> m_capture;
};

} // namespace zd
