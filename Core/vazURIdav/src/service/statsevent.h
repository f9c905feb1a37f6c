// One usage-statistics event as the statistics service receives it: one JSON
// object in UTF-8, posted as the body of
// POST <statistics service>/cgi-bin/stats (Content-Type application/json):
//
//   {"product":"tarnex", "name":"Veltrano Helper", "version":"Ver 1.10.100",
//    "event":"click", "key":"setup", "value":"", "time":1700000000}
//
// product, name and version are those of GA_SetAppInfo (empty before it).
// event is one of launch (key: the release date, value: the flag in decimal),
// click, screen, error (key: the caller's key), logging (key and value) and
// exit. time is the event's time in seconds since 1970 (UTC). Texts are cut
// to kMaxStatsTextBytes, never inside a UTF-8 character; bytes that are not
// UTF-8 become U+FFFD. Only the reply's status counts (2xx: taken); its body
// is not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zd
{

constexpr size_t kMaxStatsTextBytes = 1024;

struct StatsApp {
    std::string product;
    std::string name;
    std::string version;
};

struct StatsEvent {
    std::string event;
    std::string key;
    std::string value;
};

// The event's JSON text.
std::string statsEventBody(const StatsApp& app, const StatsEvent& event, int64_t timeSeconds);

} // namespace zd
