#include "share/dudcatalogue.h"

#include "core/regularfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

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

// A recording's description starts with its length, "hours:minutes:seconds,"
// (hours of two to five digits); anything else leaves it unknown.
int durationOf(const std::string& info)
{
    const size_t firstColon = info.find(':');
    if (firstColon == std::string::npos || firstColon < 1 || firstColon > 5 ||
        info.size() < firstColon + 7 || info[firstColon + 3] != ':' || info[firstColon + 6] != ',')
        return -1;
    auto digit = [&](size_t i) { return info[i] >= '0' && info[i] <= '9'; };
    int hours = 0;
    for (size_t i = 0; i < firstColon; ++i) {
        if (!digit(i))
            return -1;
        hours = hours * 10 + (info[i] - '0');
    }
    for (size_t i : {firstColon + 1, firstColon + 2, firstColon + 4, firstColon + 5})
        if (!digit(i))
            return -1;
    const int minutes = (info[firstColon + 1] - '0') * 10 + (info[firstColon + 2] - '0');
    const int seconds = (info[firstColon + 4] - '0') * 10 + (info[firstColon + 5] - '0');
    if (minutes > 59 || seconds > 59)
        return -1;
    return hours * 3600 + minutes * 60 + seconds;
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
        e.addedTime = static_cast<int32_t>(le32(r + 188));
        if (e.video)
            e.durationSeconds = durationOf(fieldText(r + 128, 60));
        if (e.path.empty() || find(entries, e.id))
            continue; // nothing to serve, or the id is taken: the first keeps it
        entries.push_back(std::move(e));
    }
    return entries;
}

DudEntries DudCatalogue::load(const std::string& appDataDir)
{
    std::string bytes;
    if (readRegularFile(appDataDir + "/files.dat", {kMaxEntries * kRecordBytes, true}, bytes) !=
        RegularFileRead::Ok)
        return {};
    DudEntries entries =
        parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), appDataDir);
    for (DudEntry& e : entries) {
        // The server sends regular files only, never through a link.
        struct stat st;
        if (::lstat(e.path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            e.bytes = static_cast<int64_t>(st.st_size);
    }
    return entries;
}

const DudEntry* DudCatalogue::find(const DudEntries& entries, const std::string& id)
{
    for (const DudEntry& e : entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

} // namespace zd
