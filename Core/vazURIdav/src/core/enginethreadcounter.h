// Counts the engine's running threads, so that tests can prove that none is
// left once a handle is released. A thread is counted from just before it is
// made (starting) until its function returns (an Ending it holds).
#pragma once

#include <atomic>

namespace zd
{

class EngineThreadCounter
{
public:
    static void starting() { counter()++; }
    // For a thread that could not be made after all.
    static void notStarted() { counter()--; }

    class Ending
    {
    public:
        Ending() = default;
        ~Ending() { counter()--; }
        Ending(const Ending&) = delete;
        Ending& operator=(const Ending&) = delete;
    };

    static int count() { return counter().load(); }

private:
    static std::atomic<int>& counter()
    {
        static std::atomic<int> n{0};
        return n;
    }
};

} // namespace zd
