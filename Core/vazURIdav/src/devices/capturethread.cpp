#include "devices/capturethread.h"

#include "media/enginethread.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zd
{

int makeStopFd()
{
    return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

bool startCaptureThread(std::thread& thread, std::atomic<bool>& running, std::function<void()> body)
{
    running = true;
    try {
        thread = media::startEngineThread(std::move(body));
    } catch (...) {
        running = false;
        return false;
    }
    return true;
}

void stopCaptureThread(std::thread& thread, std::atomic<bool>& running, int stopFd)
{
    if (!thread.joinable())
        return;
    running = false;
    const uint64_t one = 1;
    if (::write(stopFd, &one, sizeof one) < 0) {
        // The flag alone ends the thread at its next poll time-out.
    }
    thread.join();
}

} // namespace zd
