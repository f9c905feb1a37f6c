#include "core/messagecallback.h"

#include <mutex>

namespace zd
{

namespace
{

struct CallbackSlot {
    std::mutex mutex;
    ZD_MESSAGE_CALLBACK callback = nullptr;
    void* context = nullptr;
};

// Never destroyed: report threads may still look at it while the process exits.
CallbackSlot& slot()
{
    static CallbackSlot* s = new CallbackSlot;
    return *s;
}

} // namespace

void MessageCallback::set(ZD_MESSAGE_CALLBACK callback, void* context)
{
    std::lock_guard<std::mutex> lock(slot().mutex);
    slot().callback = callback;
    slot().context = context;
}

void MessageCallback::deliver(const Report& report)
{
    ZD_MESSAGE_CALLBACK callback;
    void* context;
    {
        std::lock_guard<std::mutex> lock(slot().mutex);
        callback = slot().callback;
        context = slot().context;
    }
    if (callback)
        callback(0, report.target, report.msg, report.wParam, report.lParam, report.ptr, context);
}

} // namespace zd
