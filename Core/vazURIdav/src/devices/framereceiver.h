// Where a capture thread delivers what it captures. Frames carry pts in
// microseconds of the monotonic clock (the engine's media clock); the
// receiver takes its own reference and returns at once.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

namespace zd
{

class FrameReceiver
{
public:
    virtual ~FrameReceiver() = default;
    virtual void videoFrame(const AVFrame* frame) = 0;
    virtual void audioFrame(const AVFrame* frame) = 0;
    // The capture cannot go on, or delivers nothing: an engine error code as
    // ZD_GetUERRString knows it. Each trouble is told once per capture.
    virtual void captureFailed(int code) = 0;
};

} // namespace zd
