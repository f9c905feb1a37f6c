// The sound of one layer on its way to the canvas mixer: whatever format its
// source delivers is converted to 48 kHz stereo float and kept in a short
// queue that the mixer empties at its own pace. The queue holds at most half
// a second, so a source that runs ahead never adds delay.
#pragma once

#include "media/avholders.h"

#include <cstdint>
#include <deque>
#include <mutex>

namespace zd::live
{

class AudioInput
{
public:
    static constexpr int kSampleRate = 48000;
    static constexpr size_t kMaxQueuedFrames = kSampleRate / 2;

    AudioInput() = default;
    ~AudioInput();
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    // Source threads.
    void push(const AVFrame* frame);
    // The mixer: adds up to samples stereo frames, times gain, into mix
    // (interleaved left, right); returns the peak of what it added. A source
    // starts giving sound once it holds a little more than a mixer tick, so
    // that the sound runs without gaps.
    float mixInto(float* mix, int samples, float gain);
    void clear();

private:
    bool convert(const AVFrame* frame);

    std::mutex m_mutex;
    media::SwrContextPtr m_swr;
    int m_inFormat = -1, m_inRate = 0;
    AVChannelLayout m_inLayout{};
    std::deque<float> m_samples; // interleaved stereo
    bool m_primed = false;
};

} // namespace zd::live
