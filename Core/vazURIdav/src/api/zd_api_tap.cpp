// The frame tap: the open device's pictures and sound for the capture server.
#include "api/apientry.h"
#include "media/frametap.h"

using namespace zd;
using namespace zd::api;
using zd::media::FrameTap;

extern "C" {

ZD_API int ZD_TapVideoFrame(void* handle, void* buffer, int bufferBytes, int* width, int* height,
                            uint64_t* serial, int timeoutMs)
{
    ZD_TRACE("ZD_TapVideoFrame(bytes=%d,timeout=%d)", bufferBytes, timeoutMs);
    return withEngine("ZD_TapVideoFrame", handle, -1, [&](Engine& e) {
        if (!width || !height || !serial || bufferBytes < 0 || (!buffer && bufferBytes > 0))
            return -1;
        FrameTap* tap = e.component<FrameTap>();
        if (!tap)
            return 0;
        return tap->readVideo(static_cast<uint8_t*>(buffer), bufferBytes, width, height, serial,
                              timeoutMs);
    });
}

ZD_API int ZD_TapAudio(void* handle, void* buffer, int bufferBytes, int64_t* position,
                       int timeoutMs)
{
    ZD_TRACE("ZD_TapAudio(bytes=%d,timeout=%d)", bufferBytes, timeoutMs);
    return withEngine("ZD_TapAudio", handle, -1, [&](Engine& e) {
        if (!buffer || !position || bufferBytes < 0)
            return -1;
        FrameTap* tap = e.component<FrameTap>();
        if (!tap)
            return 0;
        return tap->readAudio(static_cast<uint8_t*>(buffer), bufferBytes, position, timeoutMs);
    });
}

} // extern "C"
