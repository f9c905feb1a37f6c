#include "core/engineregistry.h"

#include "core/engine.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace zd
{

namespace
{

struct Registry {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<Engine>> engines;
    // Tokens step by 16 from an odd-looking base so that no handle is ever
    // reused and none looks like a small integer or a null pointer.
    uintptr_t next = 0x5A440000u;
};

// Never destroyed: engines that the application did not release are not
// torn down while the process exits and other libraries are going away.
Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

} // namespace

void* EngineRegistry::add(std::shared_ptr<Engine> engine)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().next += 16;
    const uintptr_t token = registry().next;
    registry().engines[token] = std::move(engine);
    return reinterpret_cast<void*>(token);
}

std::shared_ptr<Engine> EngineRegistry::find(const void* handle)
{
    if (!handle)
        return nullptr;
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto it = registry().engines.find(reinterpret_cast<uintptr_t>(handle));
    return it == registry().engines.end() ? nullptr : it->second;
}

std::shared_ptr<Engine> EngineRegistry::take(const void* handle)
{
    if (!handle)
        return nullptr;
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto it = registry().engines.find(reinterpret_cast<uintptr_t>(handle));
    if (it == registry().engines.end())
        return nullptr;
    std::shared_ptr<Engine> engine = std::move(it->second);
    registry().engines.erase(it);
    return engine;
}

int EngineRegistry::count()
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    return static_cast<int>(registry().engines.size());
}

} // namespace zd
