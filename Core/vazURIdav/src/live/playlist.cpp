#include "live/playlist.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    if (path.empty())
        return false;
    // Opened without waiting, then checked: a FIFO or a device never reaches
    // the reading.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::string bytes;
    bytes.resize(kMaxFileBytes);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    entries = parse(bytes.data(), got);
    return true;
}

} // namespace zd::live
