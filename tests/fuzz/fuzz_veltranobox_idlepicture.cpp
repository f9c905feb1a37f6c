// The OBS plug-in's idle-picture reader on arbitrary files: an accepted file
// always gives a whole 1920 x 1080 BGRX frame, whatever its headers claim.
#include "idlepicture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> frame;
    if (veltranobox::DecodeIdlePicture(data, size, frame) &&
        frame.size() != veltranobox::kIdleBytes)
        __builtin_trap();
    return 0;
}
