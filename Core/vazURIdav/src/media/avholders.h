// Owning holders for the FFmpeg objects the engine uses. Every FFmpeg object
// lives in one of these, so no path through the engine can leak one or free it
// twice.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace zd::media
{

struct AVFrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AVPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AVCodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct AVBSFContextDeleter {
    void operator()(AVBSFContext* b) const { av_bsf_free(&b); }
};
struct AVFilterGraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AVAudioFifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct AVFilterInOutDeleter {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
// An output AVFormatContext owns no I/O of its own here: the muxer's file is
// closed by its owner before the context goes.
struct AVFormatContextDeleter {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct AVFormatInputDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};

using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVBSFContextPtr = std::unique_ptr<AVBSFContext, AVBSFContextDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AVAudioFifoPtr = std::unique_ptr<AVAudioFifo, AVAudioFifoDeleter>;
using AVFilterInOutPtr = std::unique_ptr<AVFilterInOut, AVFilterInOutDeleter>;
using AVFormatContextPtr = std::unique_ptr<AVFormatContext, AVFormatContextDeleter>;
using AVFormatInputPtr = std::unique_ptr<AVFormatContext, AVFormatInputDeleter>;

inline AVFramePtr makeFrame()
{
    return AVFramePtr(av_frame_alloc());
}
inline AVPacketPtr makePacket()
{
    return AVPacketPtr(av_packet_alloc());
}

// A new reference to the same pixels or samples: no copy of the data.
inline AVFramePtr refFrame(const AVFrame* src)
{
    if (!src)
        return {};
    AVFramePtr f(av_frame_alloc());
    if (!f || av_frame_ref(f.get(), src) < 0)
        return {};
    return f;
}

} // namespace zd::media
