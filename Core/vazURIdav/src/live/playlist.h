// The play-list files of movie and picture layers, read with the reader and
// the limits the application's layer editors use (zdplaylist.h): at most
// ZD_LAYER_LIST_FILES lines of at most kMaxLineBytes each (line end
// included); only a regular file is read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "zdplaylist.h"

namespace zd::live
{

class PlayList
{
public:
    static constexpr size_t kMaxLineBytes = zdplaylist::kMaxLineBytes;
    static constexpr size_t kMaxFiles = zdplaylist::kMaxFiles;
    static constexpr size_t kMaxFileBytes = zdplaylist::kMaxFileBytes;

    // One entry per line, in order, so that an entry's index is its line's
    // position (the per-file error flags count that way): an empty line or
    // one too long gives an empty path. Text after a NUL byte is not read.
    static std::vector<std::string> parse(const char* data, size_t size);
    // The file at path read and parsed; false when it is not a regular file
    // or cannot be read.
    static bool load(const std::string& path, std::vector<std::string>& entries);
};

} // namespace zd::live
