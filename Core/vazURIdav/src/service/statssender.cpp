#include "service/statssender.h"

#include "core/log.h"
#include "net/httpclient.h"
#include "service/serviceaddress.h"

#include <chrono>
#include <system_error>

namespace zd
{

StatsSender& StatsSender::instance()
{
    static StatsSender* sender = new StatsSender;
    return *sender;
}

void StatsSender::setApp(const StatsApp& app)
{
    std::lock_guard<std::mutex> lock(mutex_);
    app_ = app;
}

void StatsSender::post(const StatsEvent& event)
{
    std::string url = serviceUrl(kStatsServiceEnv, kStatsServicePath);
    if (url.empty())
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (finishing_)
        return;
    if (queue_.size() >= kMaxQueuedEvents) {
        if (dropped_++ == 0)
            Log::write(8, "Statistics: the service takes no events; later ones are dropped");
        return;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(now).count();
    queue_.push_back({std::move(url), statsEventBody(app_, event, seconds)});
    if (!thread_.joinable()) {
        stopping_ = false;
        ended_ = false;
        cancel_ = false;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            queue_.clear();
            return;
        }
    }
    wake_.notify_one();
}

void StatsSender::finish()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!thread_.joinable() || finishing_)
        return;
    finishing_ = true;
    stopping_ = true;
    wake_.notify_one();
    done_.wait_for(lock, std::chrono::milliseconds(kFinishGraceMs), [this] { return ended_; });
    cancel_ = true;
    std::thread sender = std::move(thread_);
    lock.unlock();
    sender.join();
    lock.lock();
    if (!queue_.empty())
        Log::write(8, "Statistics: %zu events not sent before the end", queue_.size());
    queue_.clear();
    finishing_ = false;
}

void StatsSender::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty() || cancel_)
            break;
        Queued next = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        vaz::net::HttpRequest request;
        request.url = next.url;
        request.post = true;
        request.body = std::move(next.body);
        request.contentType = "application/json";
        request.cancel = &cancel_;
        // Only the status counts; a failure is logged by the client.
        vaz::net::Perform(request);
        lock.lock();
    }
    ended_ = true;
    done_.notify_all();
}

} // namespace zd
