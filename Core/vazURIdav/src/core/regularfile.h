// The engine's one reader of files that other programs or users may have put
// in place: only a regular file is read (opened without waiting, so a FIFO
// or a device never hangs the caller), and never more than a bound.
#pragma once

#include <cstddef>
#include <string>

namespace zd
{

enum class RegularFileRead { Ok, CannotOpen, NotRegular, TooLarge };

struct RegularFileLimits {
    size_t maxBytes = 0;
    // A link in the file's place is refused instead of followed.
    bool refuseLinks = false;
    // A longer file is refused (TooLarge) instead of read up to maxBytes.
    bool refuseLonger = false;
};

RegularFileRead readRegularFile(const std::string& path, const RegularFileLimits& limits,
                                std::string& bytes);

} // namespace zd
