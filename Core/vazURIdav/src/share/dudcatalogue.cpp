#include "share/dudcatalogue.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zd
{

namespace
{

std::string fieldText(const uint8_t* field, size_t bytes)
{
    const void* nul = std::memchr(field, 0, bytes);
    const size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - field) : bytes;
    return std::string(reinterpret_cast<const char*>(field), n);
}

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The files list's rule: the last three bytes of the path are "mp4", ".ts" or
// "mov", compared case-sensitively.
bool isVideoPath(const std::string& path)
{
    if (path.size() < 4)
        return false;
    const std::string tail = path.substr(path.size() - 3);
    return tail == "mp4" || tail == ".ts" || tail == "mov";
}

} // namespace

DudEntries DudCatalogue::parse(const uint8_t* data, size_t size, const std::string& appDataDir)
{
    DudEntries entries;
    if (!data)
        return entries;
    const size_t count = std::min(size / kRecordBytes, kMaxEntries);
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* r = data + i * kRecordBytes;
        DudEntry e;
        e.name = fieldText(r, 128);
        e.path = fieldText(r + 192, 256);
        char id[24];
        std::snprintf(id, sizeof id, "%04x%04x", le32(r + 448), le32(r + 452));
        e.id = id;
        e.thumbPath = appDataDir + "/Thumbs/" + e.id + ".png";
        e.video = isVideoPath(e.path);
        if (e.path.empty() || find(entries, e.id))
            continue; // nothing to serve, or the id is taken: the first keeps it
        entries.push_back(std::move(e));
    }
    return entries;
}

DudEntries DudCatalogue::load(const std::string& appDataDir)
{
    const std::string path = appDataDir + "/files.dat";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    const size_t limit = kMaxEntries * kRecordBytes;
    const size_t want =
        std::min<size_t>(static_cast<size_t>(std::max<off_t>(st.st_size, 0)), limit);
    std::vector<uint8_t> bytes(want);
    size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, bytes.data() + got, std::min<size_t>(want - got, 1 << 20));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return parse(bytes.data(), got, appDataDir);
}

const DudEntry* DudCatalogue::find(const DudEntries& entries, const std::string& id)
{
    for (const DudEntry& e : entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

} // namespace zd
