// Reading the servers of the running live stream from the engine. The count
// the engine gives is bounded before it sizes anything, and a record's name
// is read up to its field's end.
#pragma once

#include <QString>
#include <vector>

#include "vazURIdav.h"

// More servers than any stream of this program is started with; a count
// above it is taken for a fault of the engine.
constexpr int kMaxLiveServers = 256;

// The number of servers of the stream, 0 when none or when the engine's
// answer is out of range.
int LiveServerCount(void* handle);
// Up to capacity records filled by the engine (no more than it says it
// filled); empty when the call fails or fills none.
std::vector<RTMPSERVERPARAM> ReadLiveServers(void* handle, int capacity);
// Both steps: the count, then that many records.
std::vector<RTMPSERVERPARAM> ReadLiveServers(void* handle);
// The record's name, UTF-8 up to its first NUL or the field's end.
QString LiveServerName(const RTMPSERVERPARAM& server);
