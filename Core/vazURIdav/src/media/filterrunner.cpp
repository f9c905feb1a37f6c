#include "media/filterrunner.h"

#include "media/medialog.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

namespace zd::media
{

namespace
{
constexpr AVRational kMicroseconds{1, 1000000};
// A chain that gives nothing back for this many frames in a row is taken as
// stuck.
constexpr int kMaxHeldFrames = 60;
} // namespace

void FilterRunner::setFilters(std::vector<FilterSpec> filters)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (filters == m_pending)
        return;
    m_pending = std::move(filters);
    ++m_pendingGeneration;
}

std::vector<FilterSpec> FilterRunner::filters() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pending;
}

std::vector<uint32_t> FilterRunner::skippedIds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_skipped;
}

bool FilterRunner::buildGraph(const std::vector<const FilterSpec*>& chain, const AVFrame* in,
                              Graph& out, std::string& error) const
{
    out = Graph{};
    out.graph.reset(avfilter_graph_alloc());
    if (!out.graph) {
        error = "out of memory";
        return false;
    }
    // Filters run on the capture thread that calls us; one thread is enough
    // and keeps the graph from competing with the encoder for cores.
    out.graph->nb_threads = 1;
    const AVRational sar =
        in->sample_aspect_ratio.num > 0 ? in->sample_aspect_ratio : AVRational{1, 1};
    const std::string args = "video_size=" + std::to_string(in->width) + "x" +
                             std::to_string(in->height) + ":pix_fmt=" + std::to_string(in->format) +
                             ":time_base=1/1000000" + ":pixel_aspect=" + std::to_string(sar.num) +
                             "/" + std::to_string(sar.den);
    int r = avfilter_graph_create_filter(&out.source, avfilter_get_by_name("buffer"), "in",
                                         args.c_str(), nullptr, out.graph.get());
    if (r >= 0)
        r = avfilter_graph_create_filter(&out.sink, avfilter_get_by_name("buffersink"), "out",
                                         nullptr, nullptr, out.graph.get());
    if (r < 0) {
        error = avErrorText(r);
        return false;
    }
    std::string text;
    for (const FilterSpec* f : chain) {
        if (!text.empty())
            text += ',';
        text += f->filter;
    }
    AVFilterInOutPtr outputs(avfilter_inout_alloc());
    AVFilterInOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) {
        error = "out of memory";
        return false;
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = out.source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = out.sink;
    AVFilterInOut* outs = outputs.release();
    AVFilterInOut* ins = inputs.release();
    r = avfilter_graph_parse_ptr(out.graph.get(), text.c_str(), &ins, &outs, nullptr);
    avfilter_inout_free(&ins);
    avfilter_inout_free(&outs);
    if (r >= 0)
        r = avfilter_graph_config(out.graph.get(), nullptr);
    if (r < 0) {
        error = avErrorText(r);
        return false;
    }
    return true;
}

FilterRunner::Trial FilterRunner::runGraph(Graph& g, const AVFrame* in, AVFramePtr& out,
                                           std::string& error) const
{
    AVFramePtr ref = refFrame(in);
    if (!ref) {
        error = "out of memory";
        return Trial::Failed;
    }
    int r = av_buffersrc_add_frame_flags(g.source, ref.get(), AV_BUFFERSRC_FLAG_KEEP_REF);
    if (r < 0) {
        error = avErrorText(r);
        return Trial::Failed;
    }
    AVFramePtr result = makeFrame();
    if (!result) {
        error = "out of memory";
        return Trial::Failed;
    }
    r = av_buffersink_get_frame(g.sink, result.get());
    if (r == AVERROR(EAGAIN))
        return Trial::Held;
    if (r < 0) {
        error = avErrorText(r);
        return Trial::Failed;
    }
    // Drain whatever else is ready: the newest frame is the one that counts.
    for (;;) {
        AVFramePtr more = makeFrame();
        if (!more || av_buffersink_get_frame(g.sink, more.get()) < 0)
            break;
        result = std::move(more);
    }
    const AVRational tb = av_buffersink_get_time_base(g.sink);
    if (result->pts != AV_NOPTS_VALUE)
        result->pts = av_rescale_q(result->pts, tb, kMicroseconds);
    result->time_base = kMicroseconds;
    out = std::move(result);
    return Trial::Ok;
}

AVFramePtr FilterRunner::rebuild(const AVFrame* in, bool strict)
{
    m_graph = Graph{};
    m_passThrough = true;
    m_heldFrames = 0;
    std::vector<uint32_t> skipped;
    std::vector<const FilterSpec*> wanted;
    for (const FilterSpec& f : m_active)
        if (f.enabled && !f.filter.empty())
            wanted.push_back(&f);

    AVFramePtr result;
    if (!wanted.empty()) {
        // The whole chain first; when it does not work, add the filters one
        // at a time and keep each that works with those before it.
        Graph g;
        std::string error;
        AVFramePtr out;
        Trial t = Trial::Failed;
        if (buildGraph(wanted, in, g, error))
            t = runGraph(g, in, out, error);
        if (t == Trial::Ok || (t == Trial::Held && !strict)) {
            m_graph = std::move(g);
            m_passThrough = false;
            result = std::move(out);
        } else {
            std::vector<const FilterSpec*> good;
            for (const FilterSpec* f : wanted) {
                std::vector<const FilterSpec*> trial = good;
                trial.push_back(f);
                Graph tg;
                AVFramePtr tout;
                std::string terr;
                Trial tt = Trial::Failed;
                if (buildGraph(trial, in, tg, terr))
                    tt = runGraph(tg, in, tout, terr);
                if (tt == Trial::Ok || (tt == Trial::Held && !strict)) {
                    good = std::move(trial);
                    m_graph = std::move(tg);
                    result = std::move(tout);
                } else {
                    skipped.push_back(f->id);
                    log(LogError,
                        "Filter " + std::to_string(f->id) + " \"" + f->filter + "\" skipped: " +
                            (tt == Trial::Held ? std::string("it holds frames back") : terr));
                }
            }
            m_passThrough = good.empty();
            if (m_passThrough)
                m_graph = Graph{};
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_skipped = std::move(skipped);
    }
    if (m_passThrough)
        return refFrame(in);
    return result;
}

AVFramePtr FilterRunner::process(const AVFrame* in)
{
    if (!in)
        return {};
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_builtGeneration != m_pendingGeneration) {
            m_active = m_pending;
            m_builtGeneration = m_pendingGeneration;
            changed = true;
        }
    }
    if (in->width != m_width || in->height != m_height || in->format != m_format ||
        av_cmp_q(in->sample_aspect_ratio, m_sar) != 0) {
        m_width = in->width;
        m_height = in->height;
        m_format = in->format;
        m_sar = in->sample_aspect_ratio;
        changed = true;
    }
    if (changed)
        return rebuild(in, false);
    if (m_passThrough)
        return refFrame(in);

    AVFramePtr out;
    std::string error;
    const Trial t = runGraph(m_graph, in, out, error);
    if (t == Trial::Ok) {
        m_heldFrames = 0;
        return out;
    }
    if (t == Trial::Held && ++m_heldFrames < kMaxHeldFrames)
        return {};
    log(LogError, "Filter chain failed on a frame (" +
                      (t == Trial::Held ? std::string("no frame came out") : error) +
                      "); rebuilding without the failing filters");
    return rebuild(in, t == Trial::Held);
}

} // namespace zd::media
