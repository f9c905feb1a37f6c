// The pattern of every C entry point: trace the call, let a scripted result
// win, find the engine from the handle (null, unknown or released: the
// failure value), run the body, and never let an exception out.
#pragma once

#include "core/engine.h"
#include "core/engineregistry.h"
#include "core/text.h"
#include "test/calltrace.h"
#include "test/testscript.h"
#include "vazURIdav.h"

#include <exception>
#include <memory>
#include <string>
#include <type_traits>

namespace zd::api
{

// Logs an exception that reached an entry point.
void logFailure(const char* call, const char* what) noexcept;

template <typename R, typename Body>
R guarded(const char* call, R failure, Body&& body, bool scriptable = true) noexcept
{
    try {
        if constexpr (std::is_integral_v<R>) {
            long long scripted = 0;
            if (scriptable && TestScript::lookup(call, scripted))
                return static_cast<R>(scripted);
        }
        return body();
    } catch (const std::exception& e) {
        logFailure(call, e.what());
    } catch (...) {
        logFailure(call, "unknown exception");
    }
    return failure;
}

template <typename Body> void guardedVoid(const char* call, Body&& body) noexcept
{
    try {
        body();
    } catch (const std::exception& e) {
        logFailure(call, e.what());
    } catch (...) {
        logFailure(call, "unknown exception");
    }
}

template <typename R, typename Body>
R withEngine(const char* call, void* handle, R failure, Body&& body) noexcept
{
    return guarded(call, failure, [&]() -> R {
        std::shared_ptr<Engine> engine = EngineRegistry::find(handle);
        if (!engine)
            return failure;
        return body(*engine);
    });
}

// A device's name for trace lines.
inline std::string traceDevice(const DEV_NAME* device)
{
    return device ? boundedText(device->name, sizeof device->name) : std::string();
}

} // namespace zd::api
