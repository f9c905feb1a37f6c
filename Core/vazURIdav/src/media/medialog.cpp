#include "media/medialog.h"

#include "core/log.h"

#include <cstdio>
#include <mutex>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace zd::media
{

void log(int level, const std::string& line)
{
    Log::write(level, "vazURIdav: %s", line.c_str());
}

namespace
{

void ffmpegLine(void* avcl, int level, const char* format, va_list args)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(avcl, level, format, args, line, sizeof line, &printPrefix);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty())
        Log::write(8, "vazURIdav: FFmpeg: %s", text.c_str());
}

} // namespace

void routeFfmpegLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(ffmpegLine); });
}

std::string avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(text) + " (" + std::to_string(code) + ")";
}

} // namespace zd::media
