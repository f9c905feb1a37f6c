#include "media/filterrunner.h"

#include "media/medialog.h"

#include <algorithm>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace zd::media
{

namespace
{
constexpr AVRational kMicroseconds{1, 1000000};
// A filter that gives nothing back for this many frames in a row is taken as
// stuck.
constexpr int kMaxHeldFrames = 60;
} // namespace

struct FilterRunner::Stage {
    FilterSpec spec;
    AVFilterGraphPtr graph;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    int width = 0, height = 0, format = -1;
    AVRational sar{0, 1};
    bool skipped = false;
    int held = 0;

    bool matches(const AVFrame* f) const
    {
        return graph && f->width == width && f->height == height && f->format == format &&
               av_cmp_q(f->sample_aspect_ratio, sar) == 0;
    }

    // Empty on success, else why the graph cannot be made.
    std::string build(const AVFrame* in)
    {
        graph.reset(avfilter_graph_alloc());
        if (!graph)
            return "out of memory";
        // One thread: the capture thread that runs us; the encoders need the
        // other cores.
        graph->nb_threads = 1;
        const AVRational pixel =
            in->sample_aspect_ratio.num > 0 ? in->sample_aspect_ratio : AVRational{1, 1};
        const std::string args = "video_size=" + std::to_string(in->width) + "x" +
                                 std::to_string(in->height) +
                                 ":pix_fmt=" + std::to_string(in->format) +
                                 ":time_base=1/1000000:pixel_aspect=" + std::to_string(pixel.num) +
                                 "/" + std::to_string(pixel.den);
        int r = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in",
                                             args.c_str(), nullptr, graph.get());
        if (r >= 0)
            r = avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out",
                                             nullptr, nullptr, graph.get());
        AVFilterInOut* outs = avfilter_inout_alloc();
        AVFilterInOut* ins = avfilter_inout_alloc();
        if (r >= 0 && (!outs || !ins))
            r = AVERROR(ENOMEM);
        if (r >= 0) {
            outs->name = av_strdup("in");
            outs->filter_ctx = source;
            ins->name = av_strdup("out");
            ins->filter_ctx = sink;
            r = avfilter_graph_parse_ptr(graph.get(), spec.filter.c_str(), &ins, &outs, nullptr);
        }
        avfilter_inout_free(&ins);
        avfilter_inout_free(&outs);
        if (r >= 0)
            r = avfilter_graph_config(graph.get(), nullptr);
        if (r < 0) {
            graph.reset();
            return avErrorText(r);
        }
        width = in->width;
        height = in->height;
        format = in->format;
        sar = in->sample_aspect_ratio;
        held = 0;
        return {};
    }
};

FilterRunner::FilterRunner() = default;
FilterRunner::~FilterRunner() = default;

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

void FilterRunner::skip(Stage& stage, const std::string& why)
{
    stage.skipped = true;
    stage.graph.reset();
    log(LogError, "Filter " + std::to_string(stage.spec.id) + " \"" + stage.spec.filter +
                      "\" is left out: " + why);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_skipped.push_back(stage.spec.id);
}

AVFramePtr FilterRunner::process(const AVFrame* in)
{
    if (!in)
        return {};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_builtGeneration != m_pendingGeneration) {
            m_builtGeneration = m_pendingGeneration;
            m_stages.clear();
            m_skipped.clear();
            for (const FilterSpec& f : m_pending) {
                if (!f.enabled || f.filter.empty())
                    continue;
                m_stages.push_back(std::make_unique<Stage>());
                m_stages.back()->spec = f;
            }
        }
    }
    AVFramePtr current = refFrame(in);
    for (const std::unique_ptr<Stage>& stage : m_stages) {
        if (!current)
            return {};
        if (stage->skipped)
            continue;
        if (!stage->matches(current.get())) {
            const std::string error = stage->build(current.get());
            if (!error.empty()) {
                skip(*stage, error);
                continue;
            }
        }
        AVFramePtr input = refFrame(current.get());
        int r =
            input ? av_buffersrc_add_frame_flags(stage->source, input.get(), 0) : AVERROR(ENOMEM);
        if (r < 0) {
            skip(*stage, avErrorText(r));
            continue;
        }
        AVFramePtr out = makeFrame();
        r = out ? av_buffersink_get_frame(stage->sink, out.get()) : AVERROR(ENOMEM);
        if (r == AVERROR(EAGAIN)) {
            if (++stage->held < kMaxHeldFrames)
                return {}; // held back; it comes out with a later frame
            skip(*stage, "no frame came out of it");
            continue;
        }
        if (r < 0) {
            skip(*stage, avErrorText(r));
            continue;
        }
        stage->held = 0;
        // Only the newest frame that is ready goes on.
        for (;;) {
            AVFramePtr more = makeFrame();
            if (!more || av_buffersink_get_frame(stage->sink, more.get()) < 0)
                break;
            out = std::move(more);
        }
        const AVRational tb = av_buffersink_get_time_base(stage->sink);
        if (out->pts != AV_NOPTS_VALUE)
            out->pts = av_rescale_q(out->pts, tb, kMicroseconds);
        out->time_base = kMicroseconds;
        current = std::move(out);
    }
    return current;
}

} // namespace zd::media
