// The play-list reader of movie and picture layers on any bytes: at most 256
// entries, none longer than a line may be.
#include "live/playlist.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using zd::live::PlayList;
    const auto entries = PlayList::parse(reinterpret_cast<const char*>(data), size);
    if (entries.size() > PlayList::kMaxFiles)
        __builtin_trap();
    for (const std::string& e : entries) {
        if (e.size() >= PlayList::kMaxLineBytes || e.find('\n') != std::string::npos ||
            e.find('\0') != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
