#include "devices/testsrc2pictures.h"

#include "media/medialog.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
}

namespace zd::devices
{

bool Testsrc2Pictures::open(int width, int height, int fps, std::string& why)
{
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph) {
        why = "out of memory";
        return false;
    }
    // Drawing is the capture thread's own work, as a camera's delivery is.
    m_graph->nb_threads = 1;
    AVFilterContext* source = nullptr;
    AVFilterContext* format = nullptr;
    // Numbers only: nothing read from a file reaches the graph.
    const std::string args = "size=" + std::to_string(width) + "x" + std::to_string(height) +
                             ":rate=" + std::to_string(fps);
    int r = avfilter_graph_create_filter(&source, avfilter_get_by_name("testsrc2"), "pictures",
                                         args.c_str(), nullptr, m_graph.get());
    if (r >= 0)
        r = avfilter_graph_create_filter(&format, avfilter_get_by_name("format"), "yuv420p",
                                         "pix_fmts=yuv420p", nullptr, m_graph.get());
    if (r >= 0)
        r = avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, m_graph.get());
    if (r >= 0)
        r = avfilter_link(source, 0, format, 0);
    if (r >= 0)
        r = avfilter_link(format, 0, m_sink, 0);
    if (r >= 0)
        r = avfilter_graph_config(m_graph.get(), nullptr);
    if (r < 0) {
        why = media::avErrorText(r);
        m_graph.reset();
        m_sink = nullptr;
        return false;
    }
    return true;
}

media::AVFramePtr Testsrc2Pictures::next()
{
    if (!m_sink)
        return {};
    media::AVFramePtr frame = media::makeFrame();
    if (!frame || av_buffersink_get_frame(m_sink, frame.get()) < 0)
        return {};
    return frame;
}

} // namespace zd::devices
