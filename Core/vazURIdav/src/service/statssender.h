// Usage statistics leave the machine only when the statistics service is
// configured (ZDHELPER_STATS_SERVICE, read at every call, as the other
// services' addresses are): each event is then posted by one sender thread,
// started with the first event, so that no caller ever waits on the network.
// Unset, an event is dropped at once: no thread, no connection.
#pragma once

#include "service/statsevent.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace zd
{

class StatsSender
{
public:
    // Events waiting beyond this are dropped (a dead service must not make
    // the program grow).
    static constexpr size_t kMaxQueuedEvents = 256;
    // What finish() waits for the events still queued.
    static constexpr int kFinishGraceMs = 1000;

    // The process's one sender. Never destroyed: an event posted while the
    // process exits still finds it.
    static StatsSender& instance();

    void setApp(const StatsApp& app);
    void post(const StatsEvent& event);
    // The program's last call: what is queued is sent within the grace, a
    // transfer still running after it is cancelled, and the thread has ended
    // when this returns. A later event starts a new thread.
    void finish();

private:
    StatsSender() = default;
    void run();

    struct Queued {
        std::string url;
        std::string body;
    };

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Queued> queue_;
    StatsApp app_;
    std::thread thread_;
    bool stopping_ = false;
    bool finishing_ = false;
    bool ended_ = false;
    size_t dropped_ = 0;
    std::atomic<bool> cancel_{false};
};

} // namespace zd
