// The test controls of vazURIdav_test.h.
#include "api/apientry.h"
#include "core/enginethreadcounter.h"
#include "core/log.h"
#include "core/systeminfo.h"
#include "devices/devicesession.h"
#include "live/livecanvas.h"
#include "live/liveoutput.h"
#include "share/dudserver.h"
#include "vazURIdav_test.h"

#include <algorithm>
#include <cstring>

using namespace zd;
using namespace zd::api;

static_assert(ZDT_TEXT_IN_PTR == Engine::TextInPtr && ZDT_TEXT_IN_LPARAM == Engine::TextInLParam,
              "text places of the test controls and the engine agree");

extern "C" {

ZD_API void ZDT_ScriptResult(const char* call, long long value)
{
    guardedVoid("ZDT_ScriptResult", [&] { TestScript::set(call, value); });
}

ZD_API void ZDT_ClearScript(const char* call)
{
    guardedVoid("ZDT_ClearScript", [&] { TestScript::clear(call); });
}

ZD_API int ZDT_InjectReport(void* handle, void* target, unsigned int msg, unsigned long wParam,
                            long long lParam, const char* text, int textPlace)
{
    return guarded(
        "ZDT_InjectReport", 0,
        [&] {
            std::shared_ptr<Engine> e = EngineRegistry::find(handle);
            if (!e)
                return 0;
            const int place = textPlace & Engine::TextInBoth;
            if (!text || place == 0)
                return e->post(target, msg, wParam, lParam, nullptr) ? 1 : 0;
            return e->postText(target, msg, wParam, boundedText(text, Engine::kMaxKeptText),
                               static_cast<Engine::TextPlace>(place), lParam)
                       ? 1
                       : 0;
        },
        false);
}

ZD_API int ZDT_WaitReportsDelivered(void* handle, int timeoutMs)
{
    return guarded(
        "ZDT_WaitReportsDelivered", 0,
        [&] {
            std::shared_ptr<Engine> e = EngineRegistry::find(handle);
            return e && e->waitReportsDelivered(timeoutMs) ? 1 : 0;
        },
        false);
}

ZD_API int ZDT_AddDevice(void* handle, const char* deviceJson)
{
    return guarded(
        "ZDT_AddDevice", 0,
        [&] {
            std::shared_ptr<Engine> e = EngineRegistry::find(handle);
            if (!e || !deviceJson)
                return 0;
            const std::string text = boundedText(deviceJson, DeviceScript::kMaxFileBytes + 1);
            ScriptedDeviceDescription desc;
            std::string error;
            if (!DeviceScript::parseDevice(text.data(), text.size(), desc, error)) {
                Log::write(8, "vazURIdav: device not added: %s", error.c_str());
                return 0;
            }
            return e->session().plug(desc) ? 1 : 0;
        },
        false);
}

ZD_API int ZDT_RemoveDevice(void* handle, const char* path)
{
    return guarded(
        "ZDT_RemoveDevice", 0,
        [&] {
            std::shared_ptr<Engine> e = EngineRegistry::find(handle);
            if (!e || !path)
                return 0;
            return e->session().unplug(boundedText(path, sizeof(DEV_NAME::path))) ? 1 : 0;
        },
        false);
}

ZD_API void ZDT_EnableTrace(int on)
{
    CallTrace::setOn(on != 0);
}

ZD_API int ZDT_ReadTrace(char* buffer, int size)
{
    return guarded(
        "ZDT_ReadTrace", 0,
        [&] {
            CallTrace::setOn(true);
            const std::string text = CallTrace::text();
            if (buffer && size > 0) {
                const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
                std::memcpy(buffer, text.data(), n);
                buffer[n] = '\0';
            }
            return static_cast<int>(std::min<size_t>(text.size(), 0x7FFFFFFF));
        },
        false);
}

ZD_API void ZDT_ClearTrace(void)
{
    guardedVoid("ZDT_ClearTrace", [] {
        CallTrace::setOn(true);
        CallTrace::clear();
    });
}

ZD_API int ZDT_EngineThreadCount(void)
{
    return EngineThreadCounter::count();
}

ZD_API int ZDT_LiveEngineCount(void)
{
    return guarded(
        "ZDT_LiveEngineCount", 0, [] { return EngineRegistry::count(); }, false);
}

ZD_API void ZDT_SetProcRoot(const char* folder)
{
    guardedVoid("ZDT_SetProcRoot", [&] { SystemInfo::setProcRoot(boundedText(folder)); });
}

ZD_API int ZDT_LayerComposedRect(void* handle, const char* key, int* rect)
{
    return withEngine("ZDT_LayerComposedRect", handle, 0, [&](Engine& e) {
        live::LiveCanvas* canvas = e.component<live::LiveCanvas>();
        return canvas && rect && canvas->composedRect(boundedText(key, 16), rect) ? 1 : 0;
    });
}

ZD_API long long ZDT_LiveServerPackets(void* handle, int index)
{
    return withEngine("ZDT_LiveServerPackets", handle, -1LL, [&](Engine& e) {
        live::LiveOutput* output = e.component<live::LiveOutput>();
        return output ? output->packetsSent(index) : -1LL;
    });
}

ZD_API int ZDT_MonitorLatency(void* handle, long long* serverUs, long long* sampleUs)
{
    return withEngine("ZDT_MonitorLatency", handle, 0, [&](Engine& e) {
        int64_t server = -1, sample = -1;
        const bool playing = e.session().monitorLatency(&server, &sample);
        if (serverUs)
            *serverUs = server;
        if (sampleUs)
            *sampleUs = sample;
        return playing ? 1 : 0;
    });
}

ZD_API void ZDT_SetShareIdleTimeout(int seconds)
{
    guardedVoid("ZDT_SetShareIdleTimeout", [&] { DudServer::setIdleTimeoutForTests(seconds); });
}

} // extern "C"
