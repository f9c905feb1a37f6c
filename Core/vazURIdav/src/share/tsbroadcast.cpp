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

void TsBroadcast::noteJoinPoints(const uint8_t* p, int64_t position)
{
    if (p[0] != 0x47)
        return;
    const int pid = ((p[1] & 0x1f) << 8) | p[2];
    const bool unitStart = p[1] & 0x40;
    if (pid == 0 && unitStart)
        m_lastTable = position;
    // An adaptation field with the random-access flag marks a key frame.
    const bool adaptation = p[3] & 0x20;
    if (adaptation && p[4] > 0 && (p[5] & 0x40) && m_lastTable >= 0)
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
