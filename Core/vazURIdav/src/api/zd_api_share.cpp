// The share server: its listening socket for now; serving comes with the
// share service.
#include "api/apientry.h"
#include "share/dudserver.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_StartDUD_Server(void* handle, int port)
{
    ZD_TRACE("ZD_StartDUD_Server(port=%d)", port);
    return withEngine("ZD_StartDUD_Server", handle, 0, [&](Engine& engine) {
        DudServer* server = engine.component<DudServer>("share");
        return server && server->start(port) ? 1 : 0;
    });
}

ZD_API int ZD_StopDUD_Server(void* handle)
{
    ZD_TRACE("ZD_StopDUD_Server()");
    return withEngine("ZD_StopDUD_Server", handle, 0, [&](Engine& engine) {
        if (auto* server = dynamic_cast<DudServer*>(engine.component("share")))
            server->stop();
        return 1;
    });
}

ZD_API int ZD_IsDUDRunning(void* handle, int* running)
{
    ZD_TRACE("ZD_IsDUDRunning()");
    if (running)
        *running = 0;
    return withEngine("ZD_IsDUDRunning", handle, 0, [&](Engine& engine) {
        if (!running)
            return 0;
        auto* server = dynamic_cast<DudServer*>(engine.component("share"));
        *running = server && server->running() ? 1 : 0;
        return 1;
    });
}

} // extern "C"
