#include "devices/virtualmicrophonecapture.h"

#include "media/enginethread.h"

#include <algorithm>
#include <chrono>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/time.h>
}

namespace zd::devices
{

namespace
{
constexpr double kToneHz = 440.0;
constexpr float kAmplitude = 0.12f; // about -18 dBFS
} // namespace

VirtualMicrophoneCapture::VirtualMicrophoneCapture(FrameHandler handler)
    : m_handler(std::move(handler))
{
}

VirtualMicrophoneCapture::~VirtualMicrophoneCapture()
{
    stop();
}

void VirtualMicrophoneCapture::start()
{
    if (m_running.exchange(true))
        return;
    m_thread = media::startEngineThread([this] { run(); });
}

void VirtualMicrophoneCapture::stop()
{
    m_running = false;
    if (m_thread.joinable())
        m_thread.join();
}

void VirtualMicrophoneCapture::renderTone(AVFrame* frame, int64_t first)
{
    const int channels = frame->ch_layout.nb_channels;
    for (int i = 0; i < frame->nb_samples; ++i) {
        // The phase from the sample position modulo one second keeps the
        // argument small, so the tone stays clean however long it runs.
        const int64_t n = (first + i) % kSampleRate;
        const float s =
            kAmplitude * static_cast<float>(std::sin(2.0 * M_PI * kToneHz * n / kSampleRate));
        for (int c = 0; c < channels; ++c)
            reinterpret_cast<float*>(frame->extended_data[c])[i] = s;
    }
}

void VirtualMicrophoneCapture::run()
{
    const int64_t startUs = av_gettime_relative();
    int64_t position = 0;
    while (m_running) {
        const int64_t readyUs = startUs + (position + kFrameSamples) * 1000000 / kSampleRate;
        int64_t nowUs = av_gettime_relative();
        while (m_running && nowUs < readyUs) {
            std::this_thread::sleep_for(
                std::chrono::microseconds(std::min<int64_t>(readyUs - nowUs, 20000)));
            nowUs = av_gettime_relative();
        }
        if (!m_running)
            break;
        media::AVFramePtr frame = media::makeFrame();
        if (!frame)
            break;
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = kSampleRate;
        frame->nb_samples = kFrameSamples;
        av_channel_layout_default(&frame->ch_layout, 2);
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            break;
        renderTone(frame.get(), position);
        frame->pts = startUs + position * 1000000 / kSampleRate;
        frame->time_base = AVRational{1, 1000000};
        position += kFrameSamples;
        if (m_handler)
            m_handler(std::move(frame));
    }
}

} // namespace zd::devices
