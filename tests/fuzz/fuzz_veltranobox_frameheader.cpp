// The frame headers the OBS sources read from a capture server's pipe: a
// header taken as a picture always sizes its payload as width x height x 4
// within the limits, and a sound payload stays bounded and whole.
#include "zdrelayprotocol.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < sizeof(zdrelay::FrameHeader))
        return 0;
    zdrelay::FrameHeader h;
    std::memcpy(&h, data, sizeof h);
    if (zdrelay::checkVideoHeader(h) == zdrelay::HeaderCheck::Frame &&
        (h.width < 1 || h.width > zdrelay::kLargestPicture.width || h.height < 1 ||
         h.height > zdrelay::kLargestPicture.height ||
         uint64_t(h.width) * h.height * 4 != h.payloadBytes))
        __builtin_trap();
    if (zdrelay::checkAudioHeader(h) == zdrelay::HeaderCheck::Frame &&
        (h.payloadBytes == 0 || h.payloadBytes > zdrelay::kMaxAudioPayload || h.payloadBytes % 4))
        __builtin_trap();
    // The pipe name field of a request, the other fixed text the two share.
    if (size >= sizeof(zdrelay::FrameHeader) + zdrelay::kPipeNameBytes) {
        const char* name = reinterpret_cast<const char*>(data + sizeof h);
        if (zdrelay::validPipeName(name) && (std::strncmp(name, "pipe_", 5) != 0 ||
                                             !std::memchr(name, '\0', zdrelay::kPipeNameBytes)))
            __builtin_trap();
    }
    return 0;
}
