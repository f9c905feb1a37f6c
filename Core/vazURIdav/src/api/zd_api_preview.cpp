// Preview drawing and sound output.
#include "api/apientry.h"
#include "devices/devicesession.h"
#include "live/livecanvas.h"

using namespace zd;
using namespace zd::api;

extern "C" {

// Not traced: the preview pump calls it every 16 ms.
ZD_API int ZD_SDL_loop(void* handle)
{
    return withEngine("ZD_SDL_loop", handle, 0,
                      [](Engine& e) { return e.session().drawPreview(); });
}

ZD_API int ZD_UpdateVideoSize(void* handle, int x, int y, int width, int height)
{
    ZD_TRACE("ZD_UpdateVideoSize(x=%d,y=%d,w=%d,h=%d)", x, y, width, height);
    return withEngine("ZD_UpdateVideoSize", handle, 0,
                      [&](Engine& e) { return e.session().setPreviewArea(x, y, width, height); });
}

ZD_API int ZD_GetFrameDataFps(void* handle, const char* layerKey)
{
    ZD_TRACE("ZD_GetFrameDataFps(layer=%s)", traceText(layerKey).c_str());
    return withEngine("ZD_GetFrameDataFps", handle, 0, [&](Engine& e) {
        // Layers are measured by the live canvas that holds them.
        const std::string key = boundedText(layerKey, 256);
        if (!key.empty()) {
            live::LiveCanvas* canvas = e.component<live::LiveCanvas>();
            return canvas ? canvas->frameRate(key) : 0;
        }
        return e.session().frameRate();
    });
}

ZD_API int ZD_AdjustVolume(void* handle, int volume)
{
    ZD_TRACE("ZD_AdjustVolume(volume=%d)", volume);
    return withEngine("ZD_AdjustVolume", handle, 0,
                      [&](Engine& e) { return e.session().adjustVolume(volume); });
}

ZD_API int ZD_SetAudioRenderDevices(void* handle, const char* name)
{
    ZD_TRACE("ZD_SetAudioRenderDevices(name=%s)", traceText(name).c_str());
    return withEngine("ZD_SetAudioRenderDevices", handle, 0, [&](Engine& e) {
        return e.session().setSoundOutput(name ? boundedText(name, 256) : std::string());
    });
}

} // extern "C"
