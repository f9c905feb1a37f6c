// The capture thread of the tone microphone (and of scripted microphones that
// beep): 48 kHz stereo float planar, in frames of 1024 samples at the pace of
// real time, a 440 Hz tone unless another sound is asked for. Samples fall on
// the media clock's grid of 1/48000 s, so the pts of each frame, the media
// clock (monotonic microseconds) of its first sample, is exact.
#pragma once

#include "media/avholders.h"

#include <atomic>
#include <functional>
#include <thread>

namespace zd::devices
{

class VirtualMicrophoneCapture
{
public:
    using FrameHandler = std::function<void(media::AVFramePtr frame)>;
    // Fills frame with the sound whose first sample is sample number first
    // of the media clock's grid.
    using SoundPainter = std::function<void(AVFrame* frame, int64_t first)>;
    static constexpr int kSampleRate = 48000;
    static constexpr int kFrameSamples = 1024;

    // The tone.
    explicit VirtualMicrophoneCapture(FrameHandler handler);
    // clockHz: samples delivered per second of real time, all of them
    // labelled kSampleRate (a sound card whose clock is off).
    VirtualMicrophoneCapture(SoundPainter painter, FrameHandler handler, int clockHz = kSampleRate);
    ~VirtualMicrophoneCapture();
    VirtualMicrophoneCapture(const VirtualMicrophoneCapture&) = delete;
    VirtualMicrophoneCapture& operator=(const VirtualMicrophoneCapture&) = delete;

    void start();
    void stop();

    // Fills frame (FLTP, any channel count) with the tone continuing at
    // sample position first.
    static void renderTone(AVFrame* frame, int64_t first);

private:
    void run();

    SoundPainter m_painter;
    FrameHandler m_handler;
    int m_clockHz;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace zd::devices
