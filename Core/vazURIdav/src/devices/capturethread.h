// The thread of a device capture: counted like every engine thread, and woken
// from its poll through an eventfd when it is to stop, so a stop never waits
// for a poll time-out.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace zd
{

// A non-blocking eventfd for waking a capture thread, or -1.
int makeStopFd();

// Sets running and runs body on thread. When no thread can be made, running
// is cleared again and false returned.
bool startCaptureThread(std::thread& thread, std::atomic<bool>& running,
                        std::function<void()> body);

// Clears running, wakes the thread through stopFd and waits for it to end.
void stopCaptureThread(std::thread& thread, std::atomic<bool>& running, int stopFd);

} // namespace zd
