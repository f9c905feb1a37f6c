// The flash and beep schedule of the scripted sync devices: on for lengthUs
// once every periodUs of the media clock, offsetUs after each whole period.
// A camera and a microphone given the same schedule flash and beep at the
// same instants without sharing anything but the clock; a microphone given an
// offset beeps that much after its camera's flash.
#pragma once

#include "media/avholders.h"

#include <cstdint>

namespace zd::devices
{

struct SyncPulse {
    int64_t periodUs = 1000000;
    int64_t lengthUs = 100000;
    int64_t offsetUs = 0;

    // Whether tick number tick of a clock of ticksPerSecond ticks (frames of
    // a camera, samples of a microphone, counted from the media clock's zero)
    // falls in a pulse. Exact in whole ticks: a period of whole frames puts
    // every flash onset on a frame.
    bool on(int64_t tick, int64_t ticksPerSecond) const;

    // A picture of the camera: white during a pulse, else black. frame is
    // YUV420P.
    void paint(AVFrame* frame, int64_t tick, int64_t ticksPerSecond) const;
    // Sound of the microphone (FLTP, any channel count) from sample number
    // first: a 1 kHz beep during a pulse, else silence.
    void sound(AVFrame* frame, int64_t first, int64_t sampleRate) const;
};

} // namespace zd::devices
