// veltranobox: the OBS module and its video source. The reading threads and
// everything they read live in the core; this is what OBS calls.
#include "obs-vnc-source-thread.h"
#include "obs_common.h"
#include "obs_glue.h"

#include <obs-module.h>

#include <new>

OBS_DECLARE_MODULE()
OBS_MODULE_USE_DEFAULT_LOCALE("veltranobox", "en-US")

extern struct obs_source_info test_sinewave;

namespace
{

constexpr const char* kVersion = "1.0.0.1";

void logToObs(int level, const char* format, va_list args)
{
    blogva(level, format, args);
}

struct vncsrc : public veltranobox::VideoSink {
    obs_source_t* source = nullptr;
    veltranobox::VideoSourceThread* thread = nullptr;

    void outputVideo(const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint64_t timestampNs) override
    {
        obs_source_frame frame = {};
        frame.data[0] = const_cast<uint8_t*>(pixels);
        frame.linesize[0] = width * 4;
        frame.width = width;
        frame.height = height;
        frame.timestamp = timestampNs;
        frame.format = VIDEO_FORMAT_BGRX;
        obs_source_output_video(source, &frame);
    }
};

const char* vncsrc_get_name(void*)
{
    return obs_module_text("Veltrano Box Video");
}

void vncsrc_destroy(void* data)
{
    auto* src = static_cast<vncsrc*>(data);
    blog(LOG_INFO, "[Veltrano Box Video] video destroy...");
    // Joins the thread, which sends its stop request.
    delete src->thread;
    delete src;
}

void* vncsrc_create(obs_data_t*, obs_source_t* source)
{
    auto* src = new (std::nothrow) vncsrc;
    if (!src)
        return nullptr;
    src->source = source;
    obs_source_set_async_unbuffered(source, true);
    char* idle = obs_module_file("vm_bk.bmp");
    src->thread = new (std::nothrow) veltranobox::VideoSourceThread(*src, idle ? idle : "");
    bfree(idle);
    if (!src->thread || !src->thread->start()) {
        vncsrc_destroy(src);
        return nullptr;
    }
    return src;
}

} // namespace

struct obs_source_info vncsrc_src_info = veltranobox::inputSourceInfo(
    "obs_veziv_source", OBS_SOURCE_ASYNC_VIDEO, vncsrc_get_name, vncsrc_create, vncsrc_destroy);

bool obs_module_load(void)
{
    veltranobox::SetLogHook(logToObs);
    obs_register_source(&vncsrc_src_info);
    obs_register_source(&test_sinewave);
    blog(LOG_INFO, "[Veltrano Box Video] zd-box plugin loaded successfully (version %s)", kVersion);
    return true;
}

void obs_module_unload(void)
{
    blog(LOG_INFO, "[Veltrano Box Video] zd-box plugin unloaded");
}
