// Reads the frame number that the engine's test-pattern camera draws as a
// strip of 24 black or white blocks (most significant first) in the top-left
// corner, from a BGRX picture (4 bytes a pixel, rows top first), so that a
// test on the far side of a pipe or a program can tell frames apart.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zdtest
{

// -1 when the strip does not fit the picture.
inline int64_t patternFrameCode(const uint8_t* bgrx, int width, int height, int stride = 0)
{
    constexpr int kBits = 24;
    const int block = width / 48 > 4 ? width / 48 : 4;
    if (!bgrx || block * kBits > width || block > height)
        return -1;
    if (stride <= 0)
        stride = width * 4;
    int64_t value = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        // The middle of the block, away from edges that scaling smears.
        int sum = 0, n = 0;
        for (int y = block / 4; y < block - block / 4; ++y)
            for (int x = block / 4; x < block - block / 4; ++x) {
                const uint8_t* p = bgrx + ptrdiff_t(y) * stride + ptrdiff_t(bit * block + x) * 4;
                sum += (p[0] + p[1] + p[2]) / 3;
                ++n;
            }
        value = (value << 1) | (n && sum / n > 128 ? 1 : 0);
    }
    return value;
}

} // namespace zdtest
