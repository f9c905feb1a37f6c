// Whatever takes a source's filtered frames besides the preview: a recording,
// a GIF. Called on the source's capture threads; an implementation takes a
// reference and returns at once.
#pragma once

extern "C" {
#include <libavutil/frame.h>
}

namespace zd::media
{

class FrameSink
{
public:
    virtual ~FrameSink() = default;
    virtual void pushVideo(const AVFrame* frame) = 0;
    virtual void pushAudio(const AVFrame* frame) = 0;
};

} // namespace zd::media
