// The share server. Not served yet: every call fails (0).
#include "api/apientry.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_StartDUD_Server(void* handle, int port)
{
    CallTrace::add("ZD_StartDUD_Server(port=%d)", port);
    return withEngine("ZD_StartDUD_Server", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_StopDUD_Server(void* handle)
{
    CallTrace::add("ZD_StopDUD_Server()");
    return withEngine("ZD_StopDUD_Server", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_IsDUDRunning(void* handle, int* running)
{
    CallTrace::add("ZD_IsDUDRunning()");
    if (running)
        *running = 0;
    return withEngine("ZD_IsDUDRunning", handle, 0, [](Engine&) { return 0; });
}

} // extern "C"
