#include "live/playlist.h"

#include "core/regularfile.h"
#include "vazURIdav.h"

namespace zd::live
{

static_assert(PlayList::kMaxFiles == ZD_LAYER_LIST_FILES,
              "a list plays no more files than the per-file error flags count");

std::vector<std::string> PlayList::parse(const char* data, size_t size)
{
    return zdplaylist::parse(data, size).entries;
}

bool PlayList::load(const std::string& path, std::vector<std::string>& entries)
{
    std::string bytes;
    if (readRegularFile(path, {zdplaylist::kReadBytes}, bytes) != RegularFileRead::Ok)
        return false;
    entries = parse(bytes.data(), bytes.size());
    return true;
}

} // namespace zd::live
