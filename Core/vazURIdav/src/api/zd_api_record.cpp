// Recording, pictures and GIF of the open device.
#include "api/apientry.h"
#include "media/recordcomponent.h"

using namespace zd;
using namespace zd::api;
using zd::media::RecordComponent;

namespace
{

RecordComponent* recording(Engine& e)
{
    return e.component<RecordComponent>();
}

} // namespace

extern "C" {

ZD_API int ZD_StartRecord(void* handle, const char* path, int format, int vcodec, int vspeed,
                          int width, int height, int fps, int bitrate)
{
    ZD_TRACE("ZD_StartRecord(path=%s,format=%d,vcodec=%d,vspeed=%d,size=%dx%d,fps=%d,"
             "bitrate=%d)",
             traceText(path).c_str(), format, vcodec, vspeed, width, height, fps, bitrate);
    // A negative code: the caller shows it as a failed start.
    return withEngine("ZD_StartRecord", handle, -1, [&](Engine& e) {
        RecordComponent* r = recording(e);
        if (!r || !path)
            return -1;
        return r->startRecord(path, format, vcodec, vspeed, width, height, fps, bitrate);
    });
}

ZD_API int ZD_StopRecord(void* handle)
{
    ZD_TRACE("ZD_StopRecord()");
    return withEngine("ZD_StopRecord", handle, 0, [](Engine& e) {
        RecordComponent* r = recording(e);
        return r ? r->stopRecord() : 0;
    });
}

ZD_API int ZD_PauseRecord(void* handle, int pause)
{
    ZD_TRACE("ZD_PauseRecord(pause=%d)", pause);
    return withEngine("ZD_PauseRecord", handle, 0, [&](Engine& e) {
        RecordComponent* r = recording(e);
        return r ? r->pauseRecord(pause != 0) : 0;
    });
}

ZD_API int ZD_IsPauseRecord(void* handle)
{
    ZD_TRACE("ZD_IsPauseRecord()");
    return withEngine("ZD_IsPauseRecord", handle, 0, [](Engine& e) {
        RecordComponent* r = recording(e);
        return r ? r->isPaused() : 0;
    });
}

ZD_API int ZD_RestartRecord(void* handle, const char* currentPath, char* newPath)
{
    ZD_TRACE("ZD_RestartRecord(path=%s)", traceText(currentPath).c_str());
    return withEngine("ZD_RestartRecord", handle, 0, [&](Engine& e) {
        RecordComponent* r = recording(e);
        return r ? r->restartRecord(newPath) : 0;
    });
}

ZD_API int64_t ZD_GetRecordFileSize(void* handle)
{
    ZD_TRACE("ZD_GetRecordFileSize()");
    return withEngine("ZD_GetRecordFileSize", handle, int64_t{0}, [](Engine& e) {
        RecordComponent* r = recording(e);
        return r ? r->recordFileSize() : int64_t{0};
    });
}

ZD_API int ZD_ScreenShot_bmp(void* handle, const char* path, int mode)
{
    ZD_TRACE("ZD_ScreenShot_bmp(path=%s,mode=%d)", traceText(path).c_str(), mode);
    return withEngine("ZD_ScreenShot_bmp", handle, 0, [&](Engine& e) {
        RecordComponent* r = recording(e);
        return r && path ? r->screenshot(path, mode) : 0;
    });
}

ZD_API int ZD_ScreenShot_gif(void* handle, int width, int height, int keepAspect, int fps,
                             const char* path)
{
    ZD_TRACE("ZD_ScreenShot_gif(size=%dx%d,keepAspect=%d,fps=%d,path=%s)", width, height,
             keepAspect, fps, traceText(path).c_str());
    return withEngine("ZD_ScreenShot_gif", handle, 0, [&](Engine& e) {
        RecordComponent* r = recording(e);
        return r && path ? r->startGif(width, height, keepAspect, fps, path) : 0;
    });
}

ZD_API int ZD_ScreenShot_gif_stop(void* handle)
{
    ZD_TRACE("ZD_ScreenShot_gif_stop()");
    return withEngine("ZD_ScreenShot_gif_stop", handle, 0, [](Engine& e) {
        RecordComponent* r = recording(e);
        return r ? r->stopGif() : 0;
    });
}

} // extern "C"
