#include "share/tsbroadcast.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace zd
{

TsBroadcast::TsBroadcast(size_t ringBytes)
    : m_ring(std::max<size_t>(ringBytes / kPacketBytes, 16) * kPacketBytes)
{
}

namespace
{

// The start of a table section in a packet that begins one: after the
// header, the adaptation field and the pointer field; -1 when it does not fit.
int sectionStart(const uint8_t* p)
{
    int at = 4;
    if (p[3] & 0x20)
        at += 1 + p[4];
    if (at >= int(TsBroadcast::kPacketBytes))
        return -1;
    at += 1 + p[at];
    return at < int(TsBroadcast::kPacketBytes) - 12 ? at : -1;
}

} // namespace

void TsBroadcast::noteJoinPoints(const uint8_t* p, int64_t position)
{
    if (p[0] != 0x47)
        return;
    const int pid = ((p[1] & 0x1f) << 8) | p[2];
    const bool unitStart = p[1] & 0x40;
    if (unitStart && pid == 0) {
        m_lastTable = position;
        // The programme map's PID, from the first programme of the table.
        const int s = sectionStart(p);
        if (s >= 0 && p[s] == 0x00)
            m_mapPid = ((p[s + 10] & 0x1f) << 8) | p[s + 11];
        return;
    }
    if (unitStart && pid == m_mapPid) {
        // The programme map: the PID of its H.264 stream.
        const int s = sectionStart(p);
        if (s < 0 || p[s] != 0x02)
            return;
        const int sectionEnd =
            std::min<int>(s + 3 + (((p[s + 1] & 0x0f) << 8) | p[s + 2]) - 4, kPacketBytes);
        int at = s + 12 + (((p[s + 10] & 0x0f) << 8) | p[s + 11]);
        while (at + 5 <= sectionEnd) {
            if (p[at] == 0x1b) {
                m_videoPid = ((p[at + 1] & 0x1f) << 8) | p[at + 2];
                break;
            }
            at += 5 + (((p[at + 3] & 0x0f) << 8) | p[at + 4]);
        }
        return;
    }
    // A video packet with the random-access flag starts a key frame; sound
    // packets carry the flag on every frame and are no place to start.
    const bool adaptation = p[3] & 0x20;
    if (pid == m_videoPid && unitStart && adaptation && p[4] > 0 && (p[5] & 0x40) &&
        m_lastTable >= 0)
        m_join = m_lastTable;
}

void TsBroadcast::append(const uint8_t* data, size_t bytes)
{
    bytes -= bytes % kPacketBytes;
    if (!bytes)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed)
            return;
        const size_t size = m_ring.size();
        for (size_t done = 0; done < bytes; done += kPacketBytes) {
            const int64_t position = m_total + static_cast<int64_t>(done);
            std::memcpy(m_ring.data() + static_cast<size_t>(position % int64_t(size)), data + done,
                        kPacketBytes);
            noteJoinPoints(data + done, position);
        }
        m_total += static_cast<int64_t>(bytes);
    }
    m_arrived.notify_all();
}

long TsBroadcast::read(uint8_t* out, size_t bytes, int64_t* position, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const int64_t size = static_cast<int64_t>(m_ring.size());
    auto usable = [&] {
        // A join point the ring has overwritten is no place to start.
        const bool joinKept = m_join >= 0 && m_join >= m_total - size;
        if (*position < 0 || *position < m_total - size) {
            if (!joinKept)
                return false;
            *position = m_join;
        }
        return *position < m_total;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!usable()) {
        if (m_closed)
            return -1;
        if (m_arrived.wait_until(lock, deadline) == std::cv_status::timeout && !usable())
            return m_closed ? -1 : 0;
    }
    size_t n = std::min<size_t>(bytes, static_cast<size_t>(m_total - *position));
    const size_t at = static_cast<size_t>(*position % size);
    n = std::min(n, m_ring.size() - at); // up to the ring's end; the rest next time
    std::memcpy(out, m_ring.data() + at, n);
    *position += static_cast<int64_t>(n);
    return static_cast<long>(n);
}

void TsBroadcast::close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_arrived.notify_all();
}

bool TsBroadcast::closed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

} // namespace zd
