// The report thread of one engine: the only way from the engine's threads
// back to the application. Reports are delivered in the order posted, from
// this thread, always with sync 0.
#pragma once

#include "core/report.h"

#include <cstddef>
#include <memory>
#include <thread>

namespace zd
{

class ReportQueue
{
public:
    // Reports waiting beyond this are dropped (and logged), so that a callback
    // that stalls cannot make the engine grow without end.
    static constexpr size_t kMaxQueued = 10000;

    ReportQueue();
    ~ReportQueue();
    ReportQueue(const ReportQueue&) = delete;
    ReportQueue& operator=(const ReportQueue&) = delete;

    void start();
    // Ends the thread: the report being delivered finishes, the queued ones
    // are dropped, and nothing is delivered after stop returns.
    void stop();

    // False when stopped or full.
    bool post(const Report& report);
    // Waits until the queue is empty and no report is being delivered.
    bool waitIdle(int timeoutMs);

private:
    struct State;
    static void run(std::shared_ptr<State> state);

    // Shared with the thread, which may outlive this object when the engine
    // is released from inside the callback.
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace zd
