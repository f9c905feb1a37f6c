// Live canvas layers and streaming. Not streamed yet: every call fails (0).
#include "api/apientry.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_AddOverlayDevice(void* handle, const char* key, int kind,
                               const LIVEPIP_PARAMTERS* params)
{
    (void)params;
    ZD_TRACE("ZD_AddOverlayDevice(key=%s,kind=%d)", traceText(key).c_str(), kind);
    return withEngine("ZD_AddOverlayDevice", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_EditOverlayDeviceCfg(void* handle, const char* key, int mask,
                                   const LIVEPIP_PARAMTERS* params)
{
    (void)params;
    ZD_TRACE("ZD_EditOverlayDeviceCfg(key=%s,mask=%d)", traceText(key).c_str(), mask);
    return withEngine("ZD_EditOverlayDeviceCfg", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_DeleteOverlayDevice(void* handle, const char* key)
{
    ZD_TRACE("ZD_DeleteOverlayDevice(key=%s)", traceText(key).c_str());
    return withEngine("ZD_DeleteOverlayDevice", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_GetOverlayPrivateData(void* handle, const char* key, void* buffer, int* size)
{
    (void)buffer;
    (void)size;
    ZD_TRACE("ZD_GetOverlayPrivateData(key=%s)", traceText(key).c_str());
    return withEngine("ZD_GetOverlayPrivateData", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_StartLive(void* handle, RTMPSERVERPARAM* servers, int count, int width, int height,
                        int fps, int bitrate, const char* flvPath)
{
    (void)servers;
    ZD_TRACE("ZD_StartLive(count=%d,size=%dx%d,fps=%d,bitrate=%d,flv=%s)", count, width, height,
             fps, bitrate, traceText(flvPath).c_str());
    return withEngine("ZD_StartLive", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_StopLive(void* handle)
{
    ZD_TRACE("ZD_StopLive()");
    return withEngine("ZD_StopLive", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_GetLiveInfo(void* handle, RTMPSERVERPARAM* servers, int* count)
{
    ZD_TRACE("ZD_GetLiveInfo(count=%d)", count ? *count : -1);
    // No stream: no servers to report.
    if (!servers && count)
        *count = 0;
    return withEngine("ZD_GetLiveInfo", handle, 0, [](Engine&) { return 0; });
}

} // extern "C"
