// The trace of calls into the engine (ZDT_ReadTrace): one line per call with
// its arguments, the oldest lines dropped beyond kMaxLines.
#pragma once

#include <cstddef>
#include <string>

namespace zd
{

class CallTrace
{
public:
    static constexpr size_t kMaxLines = 20000;
    static constexpr size_t kMaxLineBytes = 1024;

    // Adds one line made from a fixed format of the engine's own; never throws.
    static void add(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));
    static std::string text();
    static void clear();
};

// Text argument for a trace line: "" for null, cut to a sane length.
std::string traceText(const char* s);

} // namespace zd
