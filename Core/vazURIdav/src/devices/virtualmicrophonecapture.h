// The capture thread of the tone microphone: a 440 Hz tone, 48 kHz stereo
// float planar, in frames of 1024 samples at the pace of real time. The pts
// of each frame is the media clock (monotonic microseconds) of its first
// sample.
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
    static constexpr int kSampleRate = 48000;
    static constexpr int kFrameSamples = 1024;

    explicit VirtualMicrophoneCapture(FrameHandler handler);
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

    FrameHandler m_handler;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace zd::devices
