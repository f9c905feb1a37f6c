// Lifecycle, callback, log, locale and system figures.
#include "api/apientry.h"
#include "core/errortext.h"
#include "core/localstrings.h"
#include "core/log.h"
#include "core/messagecallback.h"
#include "core/systeminfo.h"
#include "devices/devicemanager.h"
#include "live/canvasdeviceprovider.h"

#include <cstdarg>
#include <cstring>

namespace zd::api
{

void logFailure(const char* call, const char* what) noexcept
{
    try {
        Log::write(8, "vazURIdav: %s failed: %s", call, what ? what : "");
    } catch (...) {
    }
}

} // namespace zd::api

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_Initalize(void** handle, const char* appDataDir, const char* programDir,
                        const char* resourceDir, const char* appName, const char* appVersion)
{
    ZD_TRACE("ZD_Initalize(appData=%s,program=%s,resources=%s,app=%s,version=%s)",
             traceText(appDataDir).c_str(), traceText(programDir).c_str(),
             traceText(resourceDir).c_str(), traceText(appName).c_str(),
             traceText(appVersion).c_str());
    if (handle)
        *handle = nullptr;
    return guarded(
        "ZD_Initalize", 0,
        [&] {
            if (!handle)
                return 0;
            EngineConfig config;
            config.appDataDir = boundedText(appDataDir);
            config.programDir = boundedText(programDir);
            config.resourceDir = boundedText(resourceDir);
            config.appName = boundedText(appName, 256);
            config.appVersion = boundedText(appVersion, 256);
            Log::setFolder(config.appDataDir);
            auto engine = std::make_shared<Engine>(config);
            engine->devices().addUnlisted(std::make_shared<live::CanvasDeviceProvider>(*engine));
            engine->start();
            *handle = EngineRegistry::add(engine);
            // Where the program and its resources were found: the first thing
            // to know about a copy that misbehaves after an install.
            Log::write(2, "vazURIdav: engine started for %s %s (program %s, resources %s)",
                       config.appName.c_str(), config.appVersion.c_str(), config.programDir.c_str(),
                       config.resourceDir.c_str());
            return 1;
        },
        false);
}

ZD_API int ZD_Release(void** handle)
{
    ZD_TRACE("ZD_Release()");
    return guarded(
        "ZD_Release", 0,
        [&] {
            if (!handle)
                return 0;
            std::shared_ptr<Engine> engine = EngineRegistry::take(*handle);
            if (!engine)
                return 0;
            *handle = nullptr;
            engine->shutdown();
            return 1;
        },
        false);
}

ZD_API int ZD_SetMainMessageCallBack(ZD_MESSAGE_CALLBACK callback, void* context)
{
    ZD_TRACE("ZD_SetMainMessageCallBack(set=%d)", callback ? 1 : 0);
    return guarded("ZD_SetMainMessageCallBack", 0, [&] {
        MessageCallback::set(callback, context);
        return 1;
    });
}

ZD_API void ZD_Log(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    guardedVoid("ZD_Log", [&] { Log::writev(level, format, args); });
    va_end(args);
}

ZD_API int ZD_SetLocalString(int id, const char* text)
{
    ZD_TRACE("ZD_SetLocalString(id=%d,text=%s)", id, traceText(text).c_str());
    return guarded("ZD_SetLocalString", 0, [&] {
        return text && LocalStrings::set(id, boundedText(text, LocalStrings::kMaxTextBytes)) ? 1
                                                                                             : 0;
    });
}

ZD_API int ZD_GetCurrentLocaLang(char* buffer, int size)
{
    ZD_TRACE("ZD_GetCurrentLocaLang(size=%d)", size);
    return guarded("ZD_GetCurrentLocaLang", 0, [&] {
        if (!buffer || size <= 0)
            return 0;
        const std::string word = SystemInfo::languageWord();
        if (word.size() + 1 > static_cast<size_t>(size)) {
            // A cut word would name another language or none.
            buffer[0] = '\0';
            return 0;
        }
        std::memcpy(buffer, word.c_str(), word.size() + 1);
        return 1;
    });
}

ZD_API int ZD_GetCpuUsageAndMemory(double* cpuPercent, double* memoryFraction)
{
    ZD_TRACE("ZD_GetCpuUsageAndMemory()");
    return guarded("ZD_GetCpuUsageAndMemory", 0, [&] {
        if (!cpuPercent && !memoryFraction)
            return 0;
        bool ok = true;
        double value = 0.0;
        if (cpuPercent) {
            if (SystemInfo::processCpuPercent(value))
                *cpuPercent = value;
            else
                ok = false;
        }
        if (memoryFraction) {
            if (SystemInfo::processMemoryFraction(value))
                *memoryFraction = value;
            else
                ok = false;
        }
        return ok ? 1 : 0;
    });
}

ZD_API const char* ZD_GetUERRString(int code)
{
    ZD_TRACE("ZD_GetUERRString(code=%d)", code);
    return guarded<const char*>("ZD_GetUERRString", nullptr, [&] { return ErrorText::text(code); });
}

} // extern "C"
