// The pictures of libavfilter's "testsrc2" source (moving colour fields, a
// clock and the frame number), one frame per call, for a scripted device that
// shows what the ffmpeg program's own test source shows: frame n here is
// frame n of "ffmpeg -f lavfi -i testsrc2" at the same size and rate.
#pragma once

#include "media/avholders.h"

#include <string>

namespace zd::devices
{

class Testsrc2Pictures
{
public:
    // YUV420P frames of width x height at fps; false when the graph cannot
    // be made (why says why).
    bool open(int width, int height, int fps, std::string& why);
    // The next frame, or null.
    media::AVFramePtr next();

private:
    media::AVFilterGraphPtr m_graph;
    AVFilterContext* m_sink = nullptr;
};

} // namespace zd::devices
