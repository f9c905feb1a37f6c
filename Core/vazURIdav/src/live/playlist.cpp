#include "live/playlist.h"

#include "core/regularfile.h"

#include <cstring>

namespace zd::live
{

std::vector<std::string> PlayList::parse(const char* data, size_t size)
{
    std::vector<std::string> entries;
    if (!data)
        return entries;
    const void* nul = std::memchr(data, '\0', size);
    if (nul)
        size = static_cast<size_t>(static_cast<const char*>(nul) - data);
    size_t at = 0;
    while (at < size && entries.size() < kMaxFiles) {
        const void* end = std::memchr(data + at, '\n', size - at);
        const size_t lineEnd =
            end ? static_cast<size_t>(static_cast<const char*>(end) - data) : size;
        const size_t withEnd = lineEnd - at + (end ? 1 : 0);
        std::string line;
        if (withEnd <= kMaxLineBytes) {
            line.assign(data + at, lineEnd - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
        }
        entries.push_back(std::move(line));
        at = lineEnd + 1;
    }
    return entries;
}

bool PlayList::load(const std::string& path, std::vector<std::string>& entries)
{
    std::string bytes;
    if (readRegularFile(path, {kMaxFileBytes}, bytes) != RegularFileRead::Ok)
        return false;
    entries = parse(bytes.data(), bytes.size());
    return true;
}

} // namespace zd::live
