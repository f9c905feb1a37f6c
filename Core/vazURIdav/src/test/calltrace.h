// The trace of calls into the engine (ZDT_ReadTrace): one line per call with
// its arguments, the oldest lines dropped beyond kMaxLines. Off until a test
// turns it on (ZDT_EnableTrace), so that the program pays one flag test per
// call for it.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace zd
{

class CallTrace
{
public:
    static constexpr size_t kMaxLines = 20000;
    static constexpr size_t kMaxLineBytes = 1024;

    static bool on() noexcept { return s_on.load(std::memory_order_relaxed); }
    static void setOn(bool on) noexcept { s_on.store(on, std::memory_order_relaxed); }

    // Adds one line made from a fixed format of the engine's own while the
    // trace is on; never throws.
    static void add(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));
    static std::string text();
    static void clear();

private:
    static std::atomic<bool> s_on;
};

// Text argument for a trace line: "" for null, cut to a sane length.
std::string traceText(const char* s);

} // namespace zd

// A trace line whose arguments are not even worked out while the trace is off.
#define ZD_TRACE(...)                                                                              \
    do {                                                                                           \
        if (::zd::CallTrace::on())                                                                 \
            ::zd::CallTrace::add(__VA_ARGS__);                                                     \
    } while (0)
