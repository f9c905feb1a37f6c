// A queue between two threads with a fixed number of places. The producer
// never waits: when the queue is full, push() refuses the item and the caller
// decides what a lost item means (a dropped frame, a failure report).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace zd::media
{

template <typename T> class BoundedQueue
{
public:
    explicit BoundedQueue(size_t capacity) : m_capacity(capacity ? capacity : 1) {}

    // False when the queue is full or closed; the item is not taken then.
    bool push(T&& item)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_closed || m_items.size() >= m_capacity)
                return false;
            m_items.push_back(std::move(item));
        }
        m_ready.notify_one();
        return true;
    }

    // Always queued, even past the capacity: for the few control items
    // (stop, split) that must never be lost.
    bool pushForced(T&& item)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_closed)
                return false;
            m_items.push_back(std::move(item));
        }
        m_ready.notify_one();
        return true;
    }

    // Waits up to timeout for an item; empty when none came or the queue is
    // closed and drained.
    std::optional<T> pop(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait_for(lock, timeout, [this] { return !m_items.empty() || m_closed; });
        if (m_items.empty())
            return std::nullopt;
        T item = std::move(m_items.front());
        m_items.pop_front();
        return item;
    }

    // Refuses further pushes; items already queued can still be popped.
    void close()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
        }
        m_ready.notify_all();
    }

    bool closed() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed;
    }

    size_t size() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_items.size();
    }

    size_t capacity() const { return m_capacity; }

private:
    const size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<T> m_items;
    bool m_closed = false;
};

} // namespace zd::media
