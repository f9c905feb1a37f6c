// The module's audio source.
#include "obs_glue.h"
#include "obs_plug_audio_thread.h"

#include <obs-module.h>

#include <new>

namespace
{

struct sinewave_data : public veltranobox::AudioSink {
    obs_source_t* source = nullptr;
    veltranobox::AudioSourceThread* thread = nullptr;

    void outputAudio(const uint8_t* samples, uint32_t frames, uint64_t timestampNs) override
    {
        obs_source_audio audio = {};
        audio.data[0] = samples;
        audio.frames = frames;
        audio.speakers = SPEAKERS_STEREO;
        audio.format = AUDIO_FORMAT_16BIT;
        audio.samples_per_sec = 48000;
        audio.timestamp = timestampNs;
        obs_source_output_audio(source, &audio);
    }
};

const char* sinewave_getname(void*)
{
    return "Veltrano Box Audio";
}

void sinewave_destroy(void* data)
{
    auto* s = static_cast<sinewave_data*>(data);
    blog(LOG_INFO, "[Veltrano Box Audio]audio_plugin_destroy");
    delete s->thread;
    delete s;
}

void* sinewave_create(obs_data_t*, obs_source_t* source)
{
    auto* s = new (std::nothrow) sinewave_data;
    if (!s)
        return nullptr;
    s->source = source;
    s->thread = new (std::nothrow) veltranobox::AudioSourceThread(*s);
    if (!s->thread || !s->thread->start()) {
        sinewave_destroy(s);
        return nullptr;
    }
    return s;
}

} // namespace

struct obs_source_info test_sinewave =
    veltranobox::inputSourceInfo("obs_veziv_source_audio", OBS_SOURCE_AUDIO, sinewave_getname,
                                 sinewave_create, sinewave_destroy);
