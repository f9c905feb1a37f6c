// A TS recording the share server remuxes into MP4 for a browser, on any
// bytes, handed over in pieces of varying size: every read stays within its
// buffer, and the stream ends (0) or fails (-1) for good.
#include "share/fmp4stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t at = 0;
    size_t step = 1;
    zd::Fmp4Stream stream([&](uint8_t* buffer, size_t bytes) -> long {
        // Short reads of changing size, as a pipe or a slow disk gives them.
        const size_t n = std::min({bytes, size - at, step});
        step = step * 7 % 4093 + 1;
        std::memcpy(buffer, data + at, n);
        at += n;
        return static_cast<long>(n);
    });
    std::vector<uint8_t> out(4096 + 16, 0xa5);
    long last = 1;
    for (int i = 0; i < 100000 && last > 0; ++i) {
        last = stream.read(out.data(), 4096);
        if (last > 4096 || out[4096] != 0xa5)
            __builtin_trap();
    }
    if (last > 0 || stream.read(out.data(), 4096) != last)
        __builtin_trap();
    return 0;
}
