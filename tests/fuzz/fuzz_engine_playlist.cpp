// The play-list reader the engine and the layer editors share, on any bytes:
// at most 256 entries, none longer than a line may be, and a file with more
// than that says so.
#include "live/playlist.h"
#include "zdplaylist.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const zdplaylist::Lines read = zdplaylist::parse(text, size);
    if (read.entries.size() > zdplaylist::kMaxFiles)
        __builtin_trap();
    for (const std::string& e : read.entries) {
        if (e.size() >= zdplaylist::kMaxLineBytes || e.find('\n') != std::string::npos ||
            e.find('\0') != std::string::npos)
            __builtin_trap();
    }
    // Fewer lines than the limit and nothing cut: nothing is left over.
    const size_t used = size < zdplaylist::kMaxFileBytes ? size : 0;
    if (used && read.entries.size() < zdplaylist::kMaxFiles && read.more)
        __builtin_trap();
    if (zd::live::PlayList::parse(text, size) != read.entries)
        __builtin_trap();
    return 0;
}
