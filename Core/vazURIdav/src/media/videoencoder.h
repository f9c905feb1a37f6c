// The video encoder of a recording: H.264 through libx264, or HEVC through
// libx265, at a fixed size and rate. Pictures of another size or format are
// converted on the way in; the rest go to the encoder as they are, without a
// copy.
#pragma once

#include "media/avholders.h"
#include "media/recordsettings.h"

#include <functional>

namespace zd::media
{

// Receives each encoded packet; returns 0 or a RecordFailure code.
using PacketHandler = std::function<int(AVPacket* packet)>;

// The RecordFailure code for an FFmpeg error: out of memory, or fallback.
int failureFromAv(int averror, int fallback);

// Sends frame to the encoder c (nullptr drains it) and hands every packet it
// gives back to out. On an encoder error, logs failureLine followed by
// FFmpeg's text and returns a RecordFailure code.
int encodeFrame(AVCodecContext* c, AVFrame* frame, const char* failureLine,
                const PacketHandler& out);

class VideoEncoder
{
public:
    // 0, or a RecordStartError when the encoder cannot be opened.
    int open(const RecordSettings& settings, int width, int height, bool globalHeader);
    AVCodecContext* context() const { return m_ctx.get(); }

    // Encodes picture at pts (in frames of the rate); 0 or a RecordFailure.
    int encode(const AVFrame* picture, int64_t pts, const PacketHandler& out);
    // Encodes the previous picture again at pts, for a constant rate.
    int repeat(int64_t pts, const PacketHandler& out);
    // Drains the encoder at the end of a file.
    int flush(const PacketHandler& out);

private:
    int send(AVFrame* frame, const PacketHandler& out);

    AVCodecContextPtr m_ctx;
    SwsContextPtr m_sws;
    AVFramePtr m_last;
};

} // namespace zd::media
