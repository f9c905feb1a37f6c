#include "core/reportqueue.h"

#include "core/enginethreadcounter.h"
#include "core/log.h"
#include "core/messagecallback.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace zd
{

struct ReportQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<Report> queue;
    bool started = false;
    bool stopping = false;
    bool delivering = false;
    bool overflowLogged = false;
};

ReportQueue::ReportQueue() : m_state(std::make_shared<State>()) {}

ReportQueue::~ReportQueue()
{
    stop();
}

void ReportQueue::start()
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->started || m_state->stopping)
        return;
    EngineThreadCounter::starting();
    try {
        m_thread = std::thread(&ReportQueue::run, m_state);
    } catch (...) {
        EngineThreadCounter::notStarted();
        throw;
    }
    m_state->started = true;
}

void ReportQueue::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stopping = true;
        m_state->queue.clear();
    }
    m_state->wake.notify_all();
    m_state->idle.notify_all();
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id()) {
        // Released from inside the callback: the thread cannot wait for
        // itself. It ends as soon as the callback returns.
        Log::write(8, "vazURIdav: engine released from its own report thread.");
        m_thread.detach();
        return;
    }
    m_thread.join();
}

bool ReportQueue::post(const Report& report)
{
    State& s = *m_state;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.stopping)
            return false;
        if (s.queue.size() >= kMaxQueued) {
            if (!s.overflowLogged)
                Log::write(8, "vazURIdav: report queue full, reports dropped.");
            s.overflowLogged = true;
            return false;
        }
        s.overflowLogged = false;
        s.queue.push_back(report);
    }
    s.wake.notify_one();
    return true;
}

bool ReportQueue::waitIdle(int timeoutMs)
{
    State& s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    return s.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                           [&s] { return s.stopping || (s.queue.empty() && !s.delivering); });
}

void ReportQueue::run(std::shared_ptr<State> state)
{
    EngineThreadCounter::Ending counted;
    State& s = *state;
    std::unique_lock<std::mutex> lock(s.mutex);
    for (;;) {
        s.wake.wait(lock, [&s] { return s.stopping || !s.queue.empty(); });
        if (s.stopping)
            break;
        const Report report = s.queue.front();
        s.queue.pop_front();
        s.delivering = true;
        lock.unlock();
        try {
            MessageCallback::deliver(report);
        } catch (...) {
            // An exception thrown by the application's callback ends here.
        }
        lock.lock();
        s.delivering = false;
        if (s.queue.empty())
            s.idle.notify_all();
    }
    s.delivering = false;
    s.idle.notify_all();
}

} // namespace zd
