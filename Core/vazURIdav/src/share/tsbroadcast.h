// The live picture as one MPEG-TS byte stream that any number of HTTP
// clients follow, each at its own pace: the newest bytes are kept in a ring,
// a new client starts at the newest programme table before a key frame (so a
// player can decode from its first bytes), and a client that falls behind
// the ring jumps forward to the newest such point instead of holding the
// stream up. The writer never waits for a reader.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zd
{

class TsBroadcast
{
public:
    static constexpr size_t kPacketBytes = 188;

    explicit TsBroadcast(size_t ringBytes = 8 * 1024 * 1024);

    // Appends whole TS packets (a multiple of 188 bytes).
    void append(const uint8_t* data, size_t bytes);
    // Copies up to bytes from *position (-1: a new reader) and moves
    // *position on. Returns the bytes copied, 0 when nothing came within
    // timeoutMs, -1 once the stream has ended and the reader has had all of it.
    long read(uint8_t* out, size_t bytes, int64_t* position, int timeoutMs);
    // Ends the stream: readers get what is left, then -1.
    void close();
    bool closed() const;

private:
    void noteJoinPoints(const uint8_t* packet, int64_t position);

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<uint8_t> m_ring;
    int64_t m_total = 0;
    int64_t m_lastTable = -1; // the newest programme association table
    int64_t m_join = -1;      // where a new reader starts
    int m_mapPid = -1;        // the programme map's packets
    int m_videoPid = -1;      // the H.264 stream's packets
    bool m_closed = false;
};

} // namespace zd
