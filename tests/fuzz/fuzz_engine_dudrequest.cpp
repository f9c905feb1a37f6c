// What an HTTP client sends the share server, as the server reads it: the
// method, the path and the Range header (split from the input at NUL bytes),
// against a small catalogue; and the catalogue itself, as files.dat bytes.
#include "share/dudcatalogue.h"
#include "share/dudrequest.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string parts[3];
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t end = i < 2 ? input.find('\0', at) : std::string::npos;
        parts[i] = input.substr(at < input.size() ? at : input.size(),
                                end == std::string::npos ? std::string::npos : end - at);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }

    // The input read as files.dat, and a catalogue of two known entries.
    const zd::DudEntries read = zd::DudCatalogue::parse(data, size, "/data");
    for (const zd::DudEntry& e : read)
        if (e.path.size() > 256 || e.name.size() > 128 || e.id.size() > 16 ||
            e.durationSeconds < -1 || (!e.video && e.durationSeconds != -1))
            std::abort();
    zd::DudEntries entries(2);
    entries[0].id = "650000001234";
    entries[0].path = "/v/Vid.mp4";
    entries[0].video = true;
    entries[1].id = "65000001abcd";
    entries[1].path = "/v/Pic.png";

    const zd::DudRoute route = zd::routeRequest(parts[0].c_str(), parts[1].c_str(), entries);
    if ((route.kind == zd::DudRoute::File || route.kind == zd::DudRoute::Thumb ||
         route.kind == zd::DudRoute::Play) &&
        route.entry != &entries[0] && route.entry != &entries[1])
        std::abort();
    // A request reaches an entry only by its exact id.
    if (route.kind == zd::DudRoute::File && parts[1] != "/file/" + route.entry->id)
        std::abort();

    for (uint64_t fileSize : {uint64_t(0), uint64_t(1), uint64_t(1000), UINT64_MAX / 2}) {
        const zd::DudByteRange r = zd::parseRange(parts[2].c_str(), fileSize);
        if (r.kind == zd::DudByteRange::Partial &&
            (r.length == 0 || r.start >= fileSize || r.length > fileSize - r.start))
            std::abort();
        if (r.kind == zd::DudByteRange::Whole && (r.start != 0 || r.length != fileSize))
            std::abort();
    }
    zd::contentTypeOf(parts[1]);
    const std::string page = zd::pageHtml(read, true);
    // The page's own script only: no name opens another.
    const size_t script = page.find("<script");
    if (script == std::string::npos || page.find("<script", script + 1) != std::string::npos)
        std::abort();
    return 0;
}
