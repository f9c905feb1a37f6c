// The media classes write their log lines through one sink, which the engine
// points at its log file. Lines are plain text, never a printf format.
#pragma once

#include <functional>
#include <string>

namespace zd::media
{

enum LogLevel { LogNormal = 2, LogError = 8 };

using LogSink = std::function<void(int level, const std::string& line)>;

void setLogSink(LogSink sink);
void log(int level, const std::string& line);

// FFmpeg's text for an error code.
std::string avErrorText(int code);

} // namespace zd::media
