#include "devices/syncpulse.h"

#include <cmath>
#include <cstring>

namespace zd::devices
{

namespace
{
constexpr double kBeepHz = 1000.0;
constexpr float kBeepAmplitude = 0.5f;
} // namespace

bool SyncPulse::on(int64_t tick, int64_t ticksPerSecond) const
{
    if (ticksPerSecond <= 0 || periodUs <= 0)
        return false;
    // In units of a millionth of a tick, where both the tick's time and the
    // schedule are whole numbers.
    const int64_t period = periodUs * ticksPerSecond;
    int64_t phase = (tick * 1000000 - offsetUs * ticksPerSecond) % period;
    if (phase < 0)
        phase += period;
    return phase < lengthUs * ticksPerSecond;
}

void SyncPulse::paint(AVFrame* frame, int64_t tick, int64_t ticksPerSecond) const
{
    const uint8_t luma = on(tick, ticksPerSecond) ? 235 : 16;
    for (int y = 0; y < frame->height; ++y)
        std::memset(frame->data[0] + ptrdiff_t(y) * frame->linesize[0], luma, frame->width);
    for (int p = 1; p <= 2; ++p) {
        for (int y = 0; y < (frame->height + 1) / 2; ++y)
            std::memset(frame->data[p] + ptrdiff_t(y) * frame->linesize[p], 128,
                        (frame->width + 1) / 2);
    }
}

void SyncPulse::sound(AVFrame* frame, int64_t first, int64_t sampleRate) const
{
    const int channels = frame->ch_layout.nb_channels;
    for (int i = 0; i < frame->nb_samples; ++i) {
        const int64_t n = first + i;
        // The beep's phase counts from the clock's zero, the same in every
        // pulse, so every onset looks alike.
        const float v =
            on(n, sampleRate)
                ? kBeepAmplitude *
                      static_cast<float>(std::sin(2.0 * M_PI * kBeepHz *
                                                  static_cast<double>(n % sampleRate) / sampleRate))
                : 0.0f;
        for (int c = 0; c < channels; ++c)
            reinterpret_cast<float*>(frame->extended_data[c])[i] = v;
    }
}

} // namespace zd::devices
