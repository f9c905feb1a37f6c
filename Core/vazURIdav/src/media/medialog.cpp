#include "media/medialog.h"

#include <mutex>

extern "C" {
#include <libavutil/error.h>
}

namespace zd::media
{

namespace
{
std::mutex g_sinkMutex;
LogSink g_sink;
} // namespace

void setLogSink(LogSink sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = std::move(sink);
}

void log(int level, const std::string& line)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (g_sink)
        g_sink(level, line);
}

std::string avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(text) + " (" + std::to_string(code) + ")";
}

} // namespace zd::media
