// Threads of the engine's media classes are counted like every engine
// thread, so a test can prove that none outlives the handle.
#pragma once

#include "core/enginethreadcounter.h"

#include <thread>
#include <utility>

namespace zd::media
{

template <typename Function> std::thread startEngineThread(Function&& function)
{
    EngineThreadCounter::starting();
    try {
        return std::thread([f = std::forward<Function>(function)]() mutable {
            EngineThreadCounter::Ending counted;
            f();
        });
    } catch (...) {
        EngineThreadCounter::notStarted();
        throw;
    }
}

} // namespace zd::media
