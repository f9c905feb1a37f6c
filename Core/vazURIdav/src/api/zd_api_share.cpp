// The share server: HTTP serving of the catalogue and the live picture, its
// announcement on the local network.
#include "api/apientry.h"
#include "share/duddiscovery.h"
#include "share/dudlive.h"
#include "share/dudserver.h"

using namespace zd;
using namespace zd::api;

namespace
{

// The announcement follows the server and its live picture.
void announce(Engine& engine)
{
    auto* server = engine.find<DudServer>();
    if (!server || !server->running())
        return;
    if (DudDiscovery* discovery = engine.component<DudDiscovery>())
        discovery->announce(server->port(), server->liveRunning());
}

} // namespace

extern "C" {

ZD_API int ZD_StartDUD_Server(void* handle, int port)
{
    ZD_TRACE("ZD_StartDUD_Server(port=%d)", port);
    return withEngine("ZD_StartDUD_Server", handle, 0, [&](Engine& engine) {
        DudServer* server = engine.component<DudServer>();
        if (!server || !server->start(port))
            return 0;
        announce(engine);
        return 1;
    });
}

ZD_API int ZD_StopDUD_Server(void* handle)
{
    ZD_TRACE("ZD_StopDUD_Server()");
    return withEngine("ZD_StopDUD_Server", handle, 0, [&](Engine& engine) {
        if (auto* discovery = engine.find<DudDiscovery>())
            discovery->withdraw();
        if (auto* server = engine.find<DudServer>())
            server->stopAsked();
        // Nobody can watch the live picture any more: its encoder stops too.
        if (auto* live = engine.find<DudLive>())
            live->stopLive();
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
        auto* server = engine.find<DudServer>();
        *running = server && server->running() ? 1 : 0;
        return 1;
    });
}

ZD_API int ZD_StartDUD_live(void* handle, int width, int height, int fps, int kbps)
{
    ZD_TRACE("ZD_StartDUD_live(size=%dx%d,fps=%d,kbps=%d)", width, height, fps, kbps);
    return withEngine("ZD_StartDUD_live", handle, 0, [&](Engine& engine) {
        DudLive* live = engine.component<DudLive>();
        const int r = live ? live->start(width, height, fps, kbps) : 0;
        if (r == 1)
            announce(engine);
        return r;
    });
}

ZD_API int ZD_StopDUD_live(void* handle)
{
    ZD_TRACE("ZD_StopDUD_live()");
    return withEngine("ZD_StopDUD_live", handle, 0, [&](Engine& engine) {
        auto* live = engine.find<DudLive>();
        const int r = live ? live->stopLive() : 0;
        if (r == 1)
            announce(engine);
        return r;
    });
}

ZD_API int ZD_SearchDUDServer(void* handle, void* target)
{
    ZD_TRACE("ZD_SearchDUDServer()");
    return withEngine("ZD_SearchDUDServer", handle, 0, [&](Engine& engine) {
        DudDiscovery* discovery = engine.component<DudDiscovery>();
        auto* server = engine.find<DudServer>();
        return discovery && discovery->search(target, server ? server->port() : 0) ? 1 : 0;
    });
}

ZD_API int ZD_DUDFilesChanged(void* handle)
{
    ZD_TRACE("ZD_DUDFilesChanged()");
    return withEngine("ZD_DUDFilesChanged", handle, 0, [&](Engine& engine) {
        if (auto* server = engine.find<DudServer>())
            server->reloadCatalogue();
        return 1;
    });
}

} // extern "C"
