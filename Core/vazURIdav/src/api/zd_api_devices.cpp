// Device listing, opening, state, hot plug and picture controls.
#include "api/apientry.h"
#include "devices/devicemanager.h"
#include "devices/devicesession.h"
#include "live/livecanvas.h"

#include <algorithm>
#include <cstring>

using namespace zd;
using namespace zd::api;

namespace
{

void applyScriptedFlag(const char* name, int* flag)
{
    long long value = 0;
    if (flag && TestScript::lookup(name, value))
        *flag = static_cast<int>(value);
}

} // namespace

extern "C" {

ZD_API int ZD_CheckState(void* handle, int* deviceOpen, int* previewing, int* recording, int* gif,
                         int* living)
{
    ZD_TRACE("ZD_CheckState()");
    // A failed call still leaves defined flags behind.
    for (int* flag : {deviceOpen, previewing, recording, gif, living}) {
        if (flag)
            *flag = 0;
    }
    return withEngine("ZD_CheckState", handle, 0, [&](Engine& e) {
        e.session().state(deviceOpen, previewing);
        const EngineFlags flags = e.flags();
        if (recording)
            *recording = flags.recording;
        if (gif)
            *gif = flags.gif;
        if (living)
            *living = flags.living;
        applyScriptedFlag("ZD_CheckState.open", deviceOpen);
        applyScriptedFlag("ZD_CheckState.previewing", previewing);
        applyScriptedFlag("ZD_CheckState.recording", recording);
        applyScriptedFlag("ZD_CheckState.gif", gif);
        applyScriptedFlag("ZD_CheckState.living", living);
        return 1;
    });
}

ZD_API int ZD_GetCaptureDevices(void* handle, DEV_NAME* devices, int* count, int ignoreVirtual)
{
    ZD_TRACE("ZD_GetCaptureDevices(count=%d,ignoreVirtual=%d)", count ? *count : -1, ignoreVirtual);
    return withEngine("ZD_GetCaptureDevices", handle, 0, [&](Engine& e) {
        if (!count || (!devices && *count > 0))
            return 0;
        const size_t slots = static_cast<size_t>(std::clamp(*count, 0, ZD_MAX_DEVICES));
        const auto list = e.devices().list(ignoreVirtual != 0);
        const size_t n = std::min(slots, list.size());
        for (size_t i = 0; i < n; ++i)
            devices[i] = list[i]->name();
        *count = static_cast<int>(n);
        return 1;
    });
}

ZD_API int ZD_GetCaptureDeviceCapacity(void* handle, const DEV_NAME* device,
                                       DEV_CAPACITY* capacities, int* count)
{
    ZD_TRACE("ZD_GetCaptureDeviceCapacity(device=%s,count=%d)", traceDevice(device).c_str(),
             count ? *count : -1);
    return withEngine("ZD_GetCaptureDeviceCapacity", handle, 0, [&](Engine& e) {
        if (!device || !count || (!capacities && *count > 0))
            return 0;
        const auto found = e.devices().find(*device);
        if (!found)
            return 0;
        const auto formats = found->formats();
        const size_t slots = static_cast<size_t>(std::clamp(*count, 0, ZD_MAX_CAPACITIES));
        const size_t n = std::min(slots, formats.size());
        for (size_t i = 0; i < n; ++i)
            capacities[i] = formats[i];
        *count = static_cast<int>(n);
        return 1;
    });
}

ZD_API int ZD_OpenDevice(void* handle, ZD_WINDOW_ID window, void* target, int keepAspect,
                         int videoRender, const DEV_NAME* video, const DEV_NAME* audio,
                         const DEV_CAPACITY* format, int queueBytes)
{
    if (format)
        ZD_TRACE("ZD_OpenDevice(video=%s,audio=%s,fmt=%dx%d@%d)", traceDevice(video).c_str(),
                 traceDevice(audio).c_str(), format->width, format->height, format->fps);
    else
        ZD_TRACE("ZD_OpenDevice(video=%s,audio=%s,fmt=)", traceDevice(video).c_str(),
                 traceDevice(audio).c_str());
    return withEngine("ZD_OpenDevice", handle, 0, [&](Engine& e) {
        DeviceSession::PreviewRequest request;
        request.window = window;
        request.keepAspect = keepAspect;
        request.videoRender = videoRender;
        request.queueBytes = queueBytes;
        return e.session().open(request, target, video, audio, format);
    });
}

ZD_API int ZD_CloseDevice(void* handle)
{
    ZD_TRACE("ZD_CloseDevice()");
    return withEngine("ZD_CloseDevice", handle, 0, [&](Engine& e) { return e.session().close(); });
}

ZD_API int ZD_GetCurrentDeviceCapacity(void* handle, DEV_CAPACITY* format, char* description)
{
    ZD_TRACE("ZD_GetCurrentDeviceCapacity()");
    return withEngine("ZD_GetCurrentDeviceCapacity", handle, 0,
                      [&](Engine& e) { return e.session().currentFormat(format, description); });
}

ZD_API int ZD_StartUSBDeviceListen(void* handle, void* target)
{
    ZD_TRACE("ZD_StartUSBDeviceListen()");
    return withEngine("ZD_StartUSBDeviceListen", handle, 0,
                      [&](Engine& e) { return e.session().listen(target); });
}

ZD_API int ZD_QueryDeviceLost(void* handle, const char* layerKey, void* notification, int* lost)
{
    ZD_TRACE("ZD_QueryDeviceLost(layer=%s)", traceText(layerKey).c_str());
    return withEngine("ZD_QueryDeviceLost", handle, 0, [&](Engine& e) {
        // Tests name a layer that a removal takes away: "ZD_QueryDeviceLost.<key>".
        long long scripted = 0;
        if (lost && layerKey &&
            TestScript::lookup(("ZD_QueryDeviceLost." + boundedText(layerKey)).c_str(), scripted)) {
            *lost = static_cast<int>(scripted);
            return 1;
        }
        const std::string key = boundedText(layerKey);
        if (key.empty())
            return e.session().queryLost(notification, lost);
        DeviceNotification n;
        if (!lost || !e.findNotification(notification, n))
            return 0;
        live::LiveCanvas* canvas = e.component<live::LiveCanvas>();
        return canvas ? canvas->queryLost(key, n, lost) : 0;
    });
}

ZD_API int ZD_PreviewEnable(void* handle, int* enable)
{
    if (enable)
        ZD_TRACE("ZD_PreviewEnable(enable=%d)", *enable);
    else
        ZD_TRACE("ZD_PreviewEnable(enable=query)");
    return withEngine("ZD_PreviewEnable", handle, 0,
                      [&](Engine& e) { return e.session().previewSwitch(enable); });
}

ZD_API int ZD_GetCaptureAmpValue(void* handle, const char* deviceName, VIDEOAMPVALUE* value)
{
    ZD_TRACE("ZD_GetCaptureAmpValue(device=%s)", traceText(deviceName).c_str());
    return withEngine("ZD_GetCaptureAmpValue", handle, 0, [&](Engine& e) {
        return e.session().ampValues(boundedText(deviceName, sizeof(DEV_NAME::name)), value);
    });
}

ZD_API int ZD_SetCaptureAmpValue(void* handle, const char* deviceName, const VIDEOAMPVALUE* value)
{
    ZD_TRACE("ZD_SetCaptureAmpValue(device=%s)", traceText(deviceName).c_str());
    return withEngine("ZD_SetCaptureAmpValue", handle, 0, [&](Engine& e) {
        return e.session().setAmpValues(boundedText(deviceName, sizeof(DEV_NAME::name)), value);
    });
}

ZD_API int ZD_4k30_hdr_getset_hdrflag(void* handle, int set, int* flag)
{
    ZD_TRACE("ZD_4k30_hdr_getset_hdrflag(set=%d,flag=%d)", set, flag ? *flag : -1);
    return withEngine("ZD_4k30_hdr_getset_hdrflag", handle, 0,
                      [&](Engine& e) { return e.session().hdrFlag(set, flag); });
}

ZD_API int ZD_4k30_hdr_getSourceInfo(void* handle, SOURCE_INFO_4K30* info)
{
    ZD_TRACE("ZD_4k30_hdr_getSourceInfo()");
    return withEngine("ZD_4k30_hdr_getSourceInfo", handle, 0,
                      [&](Engine& e) { return e.session().sourceInfo(info); });
}

} // extern "C"
