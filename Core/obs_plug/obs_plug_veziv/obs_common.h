// What the two sources share, without libobs: the log hook, pipe names,
// requests to the capture server, and the pipe opened and read with time
// limits so that a silent server never holds a source that OBS destroys.
#pragma once

#include "zdrelayprotocol.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <string>

namespace veltranobox
{

// libobs's levels, which the glue passes on unchanged.
enum LogLevel { kLogError = 100, kLogWarning = 200, kLogInfo = 300 };
using LogHook = void (*)(int level, const char* format, va_list args);
// Where log lines go (standard error while none is set).
void SetLogHook(LogHook hook);
void PlugLog(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Monotonic nanoseconds, the clock OBS stamps frames with.
uint64_t MonotonicNs();

// "pipe_" and the current time in microseconds since 1970 modulo 100000.
std::string MakePipeName();

// The request folder's file that a source of this kind writes.
std::string RequestFilePath(int32_t kind);

// The server runs while its semaphore exists, made by root or this user
// (one of another user is refused, and logged once).
bool ServerRunning();

// Writes the record into the source's request file (whole: a reader never
// sees half of it; the folder's group may read it, only this user write it)
// and posts the server's semaphore, also when the write failed.
void send_server_cmd(const std::string& pipeName, int32_t command, int32_t kind);

// Opens /tmp/capp_<name> for reading without waiting for the writer; -1 when
// it is not there yet, or when what is there is refused (refused set): only a
// pipe of this user or root with no access for others is read.
int OpenPipeFile(const std::string& name, bool* refused = nullptr);

// Asks the server for a stream under a new pipe name (pipeName gets it) and
// opens the pipe: ten tries, each followed by a pause of 100 ms, none more
// once the path is refused. The descriptor, or -1.
int ConnectToServer(std::string& pipeName, int32_t kind, const std::atomic<bool>& running);

// Reads count bytes in pieces of at most 2048, waiting at most silenceMs for
// any byte and giving up as soon as running is cleared. Returns the bytes read.
uint32_t ReadPipe(int fd, void* buffer, uint32_t count, const std::atomic<bool>& running,
                  int silenceMs);

// Sleeps ms, or less once running is cleared.
void SleepWhileRunning(int ms, const std::atomic<bool>& running);

// The stream time of the first sample after bytesBefore bytes of s16 stereo
// at 48 kHz, in nanoseconds, exact for any count that a source can reach.
uint64_t AudioTimestampNs(uint64_t bytesBefore);

} // namespace veltranobox
