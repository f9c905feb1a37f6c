#include "devices/virtualmicrophonecapture.h"

#include "media/enginethread.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/time.h>
}

namespace zd::devices
{

namespace
{
constexpr double kToneHz = 440.0;
static_assert(static_cast<int>(kToneHz) * 1 == 440, "a whole number of periods in a second");
constexpr float kAmplitude = 0.12f; // about -18 dBFS
} // namespace

VirtualMicrophoneCapture::VirtualMicrophoneCapture(FrameHandler handler)
    : VirtualMicrophoneCapture(&VirtualMicrophoneCapture::renderTone, std::move(handler))
{
}

VirtualMicrophoneCapture::VirtualMicrophoneCapture(SoundPainter painter, FrameHandler handler,
                                                   int clockHz)
    : m_painter(std::move(painter)), m_handler(std::move(handler)),
      m_clockHz(clockHz > 0 ? clockHz : kSampleRate)
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
    // A whole number of periods fits in one second, so one second of the tone,
    // worked out once, repeats for ever: the same clean tone however long it
    // runs, without a sine per sample.
    static const std::vector<float> second = [] {
        std::vector<float> samples(kSampleRate);
        for (int n = 0; n < kSampleRate; ++n)
            samples[n] =
                kAmplitude * static_cast<float>(std::sin(2.0 * M_PI * kToneHz * n / kSampleRate));
        return samples;
    }();
    const int channels = frame->ch_layout.nb_channels;
    int done = 0;
    while (done < frame->nb_samples) {
        const int at = static_cast<int>((first + done) % kSampleRate);
        const int run = std::min(frame->nb_samples - done, kSampleRate - at);
        for (int c = 0; c < channels; ++c)
            std::copy_n(second.data() + at, run,
                        reinterpret_cast<float*>(frame->extended_data[c]) + done);
        done += run;
    }
}

void VirtualMicrophoneCapture::run()
{
    // The first sample on the clock's grid from now on.
    const int64_t first = (av_gettime_relative() * kSampleRate + 999999) / 1000000;
    // The card's own clock paces the samples and stamps them with real time.
    const int64_t firstUs = first * 1000000 / kSampleRate;
    auto timeOf = [&](int64_t position) {
        return m_clockHz == kSampleRate ? (first + position) * 1000000 / kSampleRate
                                        : firstUs + position * 1000000 / m_clockHz;
    };
    int64_t position = 0;
    while (m_running) {
        const int64_t readyUs = timeOf(position + kFrameSamples);
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
        m_painter(frame.get(), first + position);
        frame->pts = timeOf(position);
        frame->time_base = AVRational{1, 1000000};
        position += kFrameSamples;
        if (m_handler)
            m_handler(std::move(frame));
    }
}

} // namespace zd::devices
