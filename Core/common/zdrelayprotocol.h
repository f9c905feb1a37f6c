// What the capture server vidrelay and the OBS plug-in veltranobox say to one
// another: the request record that a source writes into a request file before
// posting the server's semaphore, and the frames the server writes into the
// named pipe it creates for that request.
#pragma once

#include "zdrequestfolder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace zdrelay
{

// Exists while a capture server runs; one post asks it to read the requests.
constexpr const char* kServerSemaphore = "sem_cm_server_started";
// Its name in this process (a test's own, when a tag is set).
inline std::string serverSemaphoreName()
{
    char name[128];
    return zd_ipc_name(kServerSemaphore, name, sizeof name);
}
// The server's own files in the request folder: the lock that keeps it to one
// server per folder, and the list of the pipes it made.
constexpr const char* kServerLockFileName = "com.zd.vidrelay.lock";
constexpr const char* kPipeLedgerFileName = "com.zd.vidrelay.pipes";
// Each source writes the file named for the other kind.
constexpr const char* kVideoSourceRequestFile = "com.zd.vm.audio.conf";
constexpr const char* kAudioSourceRequestFile = "com.zd.vm.video.conf";
constexpr const char* kPipePathPrefix = "/tmp/capp_";
constexpr const char* kPipeNamePrefix = "pipe_";

enum : int32_t { kCommandStart = 1, kCommandStop = 2 };
enum : int32_t { kKindVideo = 0, kKindAudio = 1 };

constexpr size_t kPipeNameBytes = 64;

struct RequestRecord {
    char pipeName[kPipeNameBytes]; // NUL-terminated; the bytes after it mean nothing
    int32_t command;
    int32_t kind;
};
static_assert(sizeof(RequestRecord) == 72, "request record layout");
static_assert(offsetof(RequestRecord, command) == 64, "request record layout");
static_assert(offsetof(RequestRecord, kind) == 68, "request record layout");

struct FrameHeader {
    uint32_t reserved0;
    uint32_t payloadBytes; // 0 ends the stream
    uint32_t reserved1;
    uint32_t width;
    uint32_t height;
    uint32_t reserved2;
};
static_assert(sizeof(FrameHeader) == 24, "frame header layout");
static_assert(offsetof(FrameHeader, payloadBytes) == 4, "frame header layout");
static_assert(offsetof(FrameHeader, width) == 12, "frame header layout");
static_assert(offsetof(FrameHeader, height) == 16, "frame header layout");

// Pictures are BGRX, 4 bytes a pixel, rows top first; sound is interleaved
// s16 stereo at 48 kHz, 4 bytes a sample frame.
struct PictureSize {
    uint32_t width;
    uint32_t height;
};
// The largest picture a capture device gives: the server sends none larger,
// and a source takes a larger header for a broken stream, so that its frame
// buffer never grows past 4096 x 2160 x 4 bytes (about 35 MB).
constexpr PictureSize kLargestPicture = {4096, 2160};
constexpr uint32_t kAudioBytesPerSecond = 48000 * 4;
constexpr uint32_t kMaxAudioPayload = kAudioBytesPerSecond; // one second

// "pipe_" and 1 to 20 decimal digits, terminated within the field: nothing
// else may become a path under /tmp.
inline bool validPipeName(const char* field, size_t fieldBytes = kPipeNameBytes)
{
    const void* nul = std::memchr(field, '\0', fieldBytes);
    if (!nul)
        return false;
    const size_t length = static_cast<size_t>(static_cast<const char*>(nul) - field);
    const size_t prefix = std::strlen(kPipeNamePrefix);
    if (length <= prefix || length > prefix + 20 ||
        std::memcmp(field, kPipeNamePrefix, prefix) != 0)
        return false;
    for (size_t i = prefix; i < length; ++i) {
        if (field[i] < '0' || field[i] > '9')
            return false;
    }
    return true;
}

enum class HeaderCheck { Frame, EndOfStream, Broken };

inline bool withinLargestPicture(uint32_t width, uint32_t height)
{
    return width >= 1 && width <= kLargestPicture.width && height >= 1 &&
           height <= kLargestPicture.height;
}

// A picture's payload is exactly width x height x 4, within the largest
// picture; anything else breaks the stream before a byte of it is read.
inline HeaderCheck checkVideoHeader(const FrameHeader& h)
{
    if (h.payloadBytes == 0)
        return HeaderCheck::EndOfStream;
    if (!withinLargestPicture(h.width, h.height))
        return HeaderCheck::Broken;
    return uint64_t(h.width) * h.height * 4 == h.payloadBytes ? HeaderCheck::Frame
                                                              : HeaderCheck::Broken;
}

inline HeaderCheck checkAudioHeader(const FrameHeader& h)
{
    if (h.payloadBytes == 0)
        return HeaderCheck::EndOfStream;
    return h.payloadBytes <= kMaxAudioPayload && h.payloadBytes % 4 == 0 ? HeaderCheck::Frame
                                                                         : HeaderCheck::Broken;
}

} // namespace zdrelay
