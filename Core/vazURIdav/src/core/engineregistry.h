// The engines not yet released, by handle. A handle is an opaque token that
// is never given out twice, so a stale handle is recognised even when a new
// engine took the old engine's memory.
#pragma once

#include <memory>

namespace zd
{

class Engine;

class EngineRegistry
{
public:
    static void* add(std::shared_ptr<Engine> engine);
    // The engine of handle, or null for null, unknown and released handles.
    // The pointer keeps the engine alive for the length of a call.
    static std::shared_ptr<Engine> find(const void* handle);
    // Removes the handle and returns its engine (null when unknown).
    static std::shared_ptr<Engine> take(const void* handle);
    static int count();
};

} // namespace zd
