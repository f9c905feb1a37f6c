#include "live/audioinput.h"

#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace zd::live
{

AudioInput::~AudioInput()
{
    av_channel_layout_uninit(&m_inLayout);
}

bool AudioInput::convert(const AVFrame* frame)
{
    const bool same = m_swr && frame->format == m_inFormat && frame->sample_rate == m_inRate &&
                      av_channel_layout_compare(&frame->ch_layout, &m_inLayout) == 0;
    if (same)
        return true;
    m_swr.reset();
    av_channel_layout_uninit(&m_inLayout);
    if (av_channel_layout_copy(&m_inLayout, &frame->ch_layout) < 0)
        return false;
    m_inFormat = frame->format;
    m_inRate = frame->sample_rate;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kSampleRate, &m_inLayout,
                            static_cast<AVSampleFormat>(m_inFormat), m_inRate, 0, nullptr) < 0)
        return false;
    m_swr.reset(swr);
    return swr_init(swr) >= 0;
}

void AudioInput::push(const AVFrame* frame)
{
    if (!frame || frame->nb_samples <= 0 || frame->sample_rate <= 0 ||
        frame->ch_layout.nb_channels <= 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!convert(frame)) {
        m_swr.reset();
        return;
    }
    const int room = swr_get_out_samples(m_swr.get(), frame->nb_samples);
    if (room <= 0)
        return;
    std::vector<float> out(static_cast<size_t>(room) * 2);
    uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int n = swr_convert(m_swr.get(), dst, room,
                              const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (n <= 0)
        return;
    m_samples.insert(m_samples.end(), out.begin(), out.begin() + n * 2);
    const size_t limit = kMaxQueuedFrames * 2;
    if (m_samples.size() > limit)
        m_samples.erase(m_samples.begin(), m_samples.begin() + (m_samples.size() - limit));
}

float AudioInput::mixInto(float* mix, int samples, float gain)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t wanted = static_cast<size_t>(samples) * 2;
    if (!m_primed) {
        // Three ticks' worth before the first sound: capture threads hand
        // sound in blocks that do not line up with the mixer's ticks.
        if (m_samples.size() < wanted * 3)
            return 0.0f;
        m_primed = true;
    }
    const size_t n = std::min(wanted, m_samples.size());
    float peak = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const float v = m_samples[i] * gain;
        mix[i] += v;
        peak = std::max(peak, std::fabs(v));
    }
    m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(n));
    if (n < wanted)
        m_primed = false;
    return peak;
}

void AudioInput::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_samples.clear();
    m_primed = false;
}

} // namespace zd::live
