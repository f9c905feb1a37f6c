// Log lines of the media classes, into the engine's log. Lines are plain
// text, never a printf format.
#pragma once

#include <string>

namespace zd::media
{

enum LogLevel { LogNormal = 2, LogError = 8 };

void log(int level, const std::string& line);

// FFmpeg's own error messages go to the engine's log as well, not to the
// program's standard error. Done once per process.
void routeFfmpegLog();

// FFmpeg's text for an error code.
std::string avErrorText(int code);

} // namespace zd::media
