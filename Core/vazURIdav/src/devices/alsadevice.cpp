#include "devices/alsadevice.h"

#include "core/log.h"
#include "core/text.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zd
{

AlsaDevice::AlsaDevice(AlsaPcmInfo info) : m_info(std::move(info)) {}

AlsaDevice::~AlsaDevice()
{
    close();
}

std::string AlsaDevice::pcmName(const std::string& cardId, int device)
{
    // The plug layer converts rate, channels and sample format, so the
    // engine always gets 48 kHz stereo whatever the hardware does.
    return "plughw:CARD=" + cardId + ",DEV=" + std::to_string(device);
}

int AlsaDevice::open(const DEV_CAPACITY*, DEV_CAPACITY& inUse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capture.reset();
    if (m_info.denied) {
        // ALSA would only say the card is missing; the node says why.
        const int fd = ::open(m_info.node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && (errno == EACCES || errno == EPERM)) {
            Log::write(8, "vazURIdav: %s may not be opened (%s).", nameText().c_str(),
                       m_info.node.c_str());
            return ZD_OPEN_MICROPHONE_DENIED;
        }
        if (fd >= 0)
            ::close(fd);
    }
    auto capture = std::make_unique<AlsaCapture>(pcmName(m_info.cardId, m_info.device), nameText());
    const int result = capture->open();
    if (result != 1)
        return result;
    m_capture = std::move(capture);
    inUse = DEV_CAPACITY{};
    return 1;
}

bool AlsaDevice::startCapture(const DEV_CAPACITY&, FrameReceiver& receiver)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_capture)
        return false;
    m_capture->start(receiver);
    return true;
}

void AlsaDevice::stopCapture()
{
    close();
}

void AlsaDevice::close()
{
    std::unique_ptr<AlsaCapture> capture;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        capture = std::move(m_capture);
    }
    capture.reset();
}

} // namespace zd
