#include "test/calltrace.h"

#include "core/text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

namespace zd
{

namespace
{

struct Trace {
    std::mutex mutex;
    std::deque<std::string> lines;
};

Trace& trace()
{
    static Trace* t = new Trace;
    return *t;
}

} // namespace

std::atomic<bool> CallTrace::s_on{false};

std::string traceText(const char* s)
{
    return boundedText(s, 256);
}

void CallTrace::add(const char* format, ...) noexcept
{
    if (!on())
        return;
    try {
        char line[kMaxLineBytes];
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        if (n < 0)
            return;
        std::string text(line, std::min(static_cast<size_t>(n), sizeof line - 1));
        // One call, one line, whatever the arguments hold.
        for (char& c : text) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        std::lock_guard<std::mutex> lock(trace().mutex);
        trace().lines.push_back(std::move(text));
        if (trace().lines.size() > kMaxLines)
            trace().lines.pop_front();
    } catch (...) {
    }
}

std::string CallTrace::text()
{
    std::lock_guard<std::mutex> lock(trace().mutex);
    std::string all;
    for (const std::string& line : trace().lines) {
        all += line;
        all += '\n';
    }
    return all;
}

void CallTrace::clear()
{
    std::lock_guard<std::mutex> lock(trace().mutex);
    trace().lines.clear();
}

} // namespace zd
