// The sound of one layer on its way to the canvas mixer: whatever format its
// source delivers is converted to 48 kHz stereo float and kept on a short
// time line of the media clock, each sample at the time its source gave it.
// The mixer takes the samples of the moment it mixes, so sound keeps its
// place against the pictures however early or late its source hands it in.
// The line holds at most half a second, so a source that runs ahead never
// adds delay.
#pragma once

#include "media/avholders.h"
#include "media/soundconverter.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

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

    // Source threads: frame's first sample belongs at firstUs of the media
    // clock (its pts for a capture device).
    void push(const AVFrame* frame, int64_t firstUs);
    void push(const AVFrame* frame) { push(frame, frame ? frame->pts : 0); }
    // The source's next sound begins anew (a new file, a seek): it goes
    // where its time says, even when that lies close to where the last ended.
    void startOver();
    // The mixer: adds the samples of the stereo frames [first, first +
    // samples) of the clock's 48 kHz grid, times gain, into mix (interleaved
    // left, right), and forgets everything before their end; returns the
    // peak of what it added.
    float mixInto(float* mix, int samples, float gain, int64_t first);
    void clear();

    // Sample number of the clock's 48 kHz grid at us, and back.
    static int64_t sampleAt(int64_t us) { return us * kSampleRate / 1000000; }
    static int64_t timeOf(int64_t sample) { return sample * 1000000 / kSampleRate; }

private:
    std::mutex m_mutex;
    media::SoundConverter m_converter;
    std::vector<float> m_converted;
    std::deque<float> m_samples; // interleaved stereo, from sample m_first on
    int64_t m_first = -1;        // the grid's number of the first kept sample
    int64_t m_next = -1;         // where the source's next sample goes, as counted
};

} // namespace zd::live
