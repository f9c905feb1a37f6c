// Live canvas layers and streaming.
#include "api/apientry.h"
#include "live/livecanvas.h"
#include "live/liveoutput.h"

using namespace zd;
using namespace zd::api;

namespace
{

live::LiveCanvas* canvas(Engine& engine)
{
    return engine.component<live::LiveCanvas>();
}

live::LiveOutput* output(Engine& engine)
{
    return engine.component<live::LiveOutput>();
}

} // namespace

extern "C" {

ZD_API int ZD_AddOverlayDevice(void* handle, const char* key, int kind,
                               const LIVEPIP_PARAMTERS* params)
{
    ZD_TRACE("ZD_AddOverlayDevice(key=%s,kind=%d)", traceText(key).c_str(), kind);
    return withEngine("ZD_AddOverlayDevice", handle, 0, [&](Engine& e) {
        live::LiveCanvas* c = canvas(e);
        return c ? c->add(key, kind, params) : 0;
    });
}

ZD_API int ZD_EditOverlayDeviceCfg(void* handle, const char* key, int mask,
                                   const LIVEPIP_PARAMTERS* params)
{
    ZD_TRACE("ZD_EditOverlayDeviceCfg(key=%s,mask=%d)", traceText(key).c_str(), mask);
    return withEngine("ZD_EditOverlayDeviceCfg", handle, 0, [&](Engine& e) {
        live::LiveCanvas* c = canvas(e);
        return c ? c->edit(key, mask, params) : 0;
    });
}

ZD_API int ZD_DeleteOverlayDevice(void* handle, const char* key)
{
    ZD_TRACE("ZD_DeleteOverlayDevice(key=%s)", traceText(key).c_str());
    return withEngine("ZD_DeleteOverlayDevice", handle, 0, [&](Engine& e) {
        live::LiveCanvas* c = canvas(e);
        return c ? c->remove(key) : 0;
    });
}

ZD_API int ZD_GetOverlayPrivateData(void* handle, const char* key, void* buffer, int* size)
{
    ZD_TRACE("ZD_GetOverlayPrivateData(key=%s)", traceText(key).c_str());
    return withEngine("ZD_GetOverlayPrivateData", handle, 0, [&](Engine& e) {
        live::LiveCanvas* c = canvas(e);
        return c ? c->privateData(key, buffer, size) : 0;
    });
}

ZD_API int ZD_StartLive(void* handle, RTMPSERVERPARAM* servers, int count, int width, int height,
                        int fps, int bitrate, const char* flvPath)
{
    ZD_TRACE("ZD_StartLive(count=%d,size=%dx%d,fps=%d,bitrate=%d,flv=%s)", count, width, height,
             fps, bitrate, traceText(flvPath).c_str());
    return withEngine("ZD_StartLive", handle, 0, [&](Engine& e) {
        live::LiveOutput* o = output(e);
        return o ? o->start(servers, count, width, height, fps, bitrate,
                            boundedText(flvPath, ZD_TEXT_BUFFER_BYTES))
                 : 0;
    });
}

ZD_API int ZD_StopLive(void* handle)
{
    ZD_TRACE("ZD_StopLive()");
    return withEngine("ZD_StopLive", handle, 0, [&](Engine& e) {
        live::LiveOutput* o = output(e);
        return o ? o->stopLive() : 0;
    });
}

ZD_API int ZD_GetLiveInfo(void* handle, RTMPSERVERPARAM* servers, int* count)
{
    ZD_TRACE("ZD_GetLiveInfo(count=%d)", count ? *count : -1);
    return withEngine("ZD_GetLiveInfo", handle, 0, [&](Engine& e) {
        live::LiveOutput* o = output(e);
        return o ? o->info(servers, count) : 0;
    });
}

} // extern "C"
