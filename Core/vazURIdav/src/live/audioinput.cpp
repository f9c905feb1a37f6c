#include "live/audioinput.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

extern "C" {
#include <libavutil/time.h>
}

namespace zd::live
{

namespace
{
// Capture threads stamp their sound within a few milliseconds of the truth;
// sound that goes on within this of where the last ended is continuous.
constexpr int64_t kJitterSamples = AudioInput::kSampleRate / 100;
} // namespace

AudioInput::~AudioInput() = default;

void AudioInput::push(const AVFrame* frame, int64_t firstUs)
{
    if (!frame || frame->nb_samples <= 0 || frame->sample_rate <= 0 ||
        frame->ch_layout.nb_channels <= 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int n = m_converter.convert(frame, m_converted);
    if (n <= 0)
        return;
    const std::vector<float>& out = m_converted;
    // Sound that goes on where the last ended stays continuous; a time stamp
    // off by more than a capture's jitter (a new file, a seek, a gap) puts it
    // where it belongs. Sound without a time goes on, or begins now.
    int64_t at = firstUs != AV_NOPTS_VALUE ? sampleAt(firstUs)
                 : m_next >= 0             ? m_next
                                           : sampleAt(av_gettime_relative());
    if (m_next >= 0 && std::llabs(at - m_next) <= kJitterSamples)
        at = m_next;
    m_next = at + n;
    if (m_first < 0 || m_samples.empty())
        m_first = std::max(at, m_first);
    int64_t skip = 0;
    if (at < m_first)
        skip = std::min<int64_t>(m_first - at, n); // its time has been mixed
    const int64_t from = at + skip;
    const int64_t end = m_first + static_cast<int64_t>(m_samples.size() / 2);
    if (from > end + static_cast<int64_t>(kMaxQueuedFrames)) {
        // Far beyond what is kept: only the new sound counts.
        m_samples.clear();
        m_first = from;
    } else if (from > end) {
        m_samples.insert(m_samples.end(), static_cast<size_t>(from - end) * 2, 0.0f);
    }
    // Over sound already there (a source that jumped back): the newer wins.
    size_t write = static_cast<size_t>(from - m_first) * 2;
    for (int64_t i = skip; i < n; ++i, write += 2) {
        if (write < m_samples.size()) {
            m_samples[write] = out[size_t(i) * 2];
            m_samples[write + 1] = out[size_t(i) * 2 + 1];
        } else {
            m_samples.push_back(out[size_t(i) * 2]);
            m_samples.push_back(out[size_t(i) * 2 + 1]);
        }
    }
    const size_t limit = kMaxQueuedFrames * 2;
    if (m_samples.size() > limit) {
        const size_t drop = m_samples.size() - limit;
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(drop));
        m_first += static_cast<int64_t>(drop / 2);
    }
}

float AudioInput::mixInto(float* mix, int samples, float gain, int64_t first)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int64_t end = first + samples;
    if (m_first < 0)
        return 0.0f;
    // What lies before the mixed moment came too late to be heard.
    if (m_first < first) {
        const size_t drop = std::min(m_samples.size(), static_cast<size_t>(first - m_first) * 2);
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(drop));
        m_first = first;
    }
    float peak = 0.0f;
    const int64_t from = m_first;
    const int64_t until = std::min(end, m_first + static_cast<int64_t>(m_samples.size() / 2));
    if (until > from) {
        const size_t n = static_cast<size_t>(until - from) * 2;
        float* out = mix + (from - first) * 2;
        for (size_t i = 0; i < n; ++i) {
            const float v = m_samples[i] * gain;
            out[i] += v;
            peak = std::max(peak, std::fabs(v));
        }
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(n));
        m_first = until;
    }
    if (m_first < end && m_samples.empty())
        m_first = end;
    return peak;
}

void AudioInput::startOver()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_next = -1;
}

void AudioInput::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_samples.clear();
    m_first = -1;
    m_next = -1;
}

} // namespace zd::live
