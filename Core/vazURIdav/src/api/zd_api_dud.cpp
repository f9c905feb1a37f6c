// The share server's live picture, search and links. Not shared yet: every
// call fails (0).
#include "api/apientry.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_StartDUD_live(void* handle, int width, int height, int fps, int kbps)
{
    ZD_TRACE("ZD_StartDUD_live(size=%dx%d,fps=%d,kbps=%d)", width, height, fps, kbps);
    return withEngine("ZD_StartDUD_live", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_StopDUD_live(void* handle)
{
    ZD_TRACE("ZD_StopDUD_live()");
    return withEngine("ZD_StopDUD_live", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_SearchDUDServer(void* handle, void* target)
{
    (void)target;
    ZD_TRACE("ZD_SearchDUDServer()");
    return withEngine("ZD_SearchDUDServer", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_GetDUDLinks(char* link1, char* link2, int port, char* playerPath)
{
    ZD_TRACE("ZD_GetDUDLinks(port=%d)", port);
    return guarded("ZD_GetDUDLinks", 0, [&] {
        for (char* text : {link1, link2, playerPath}) {
            if (text)
                text[0] = '\0';
        }
        return 0;
    });
}

ZD_API int ZD_DUDFilesChanged(void* handle)
{
    ZD_TRACE("ZD_DUDFilesChanged()");
    return withEngine("ZD_DUDFilesChanged", handle, 0, [](Engine&) { return 0; });
}

} // extern "C"
