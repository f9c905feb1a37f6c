// Runs one source's filter chain on its frames with libavfilter. The chain is
// an ordered list of filter strings; the graph is rebuilt when the list or
// the frames' format changes. A filter that cannot be built, fails on a
// frame, or holds frames back for too long is left out and logged; the
// frames always go on, through the filters that work.
#pragma once

#include "media/avholders.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zd::media
{

struct FilterSpec {
    uint32_t id = 0;
    bool enabled = true;
    std::string filter; // a libavfilter chain, for example "vflip" or "eq=contrast=1.2"
    bool operator==(const FilterSpec& o) const
    {
        return id == o.id && enabled == o.enabled && filter == o.filter;
    }
};

class FilterRunner
{
public:
    FilterRunner() = default;
    FilterRunner(const FilterRunner&) = delete;
    FilterRunner& operator=(const FilterRunner&) = delete;

    // Any thread; used from the next frame on.
    void setFilters(std::vector<FilterSpec> filters);
    std::vector<FilterSpec> filters() const;

    // The capture thread. Frames carry pts in microseconds. Returns the
    // filtered frame, a new reference to the input when no filter applies,
    // or null while the chain holds the frame back (a filter that needs
    // several frames for one).
    AVFramePtr process(const AVFrame* in);

    // Ids of the enabled filters left out of the running chain.
    std::vector<uint32_t> skippedIds() const;

private:
    struct Graph {
        AVFilterGraphPtr graph;
        AVFilterContext* source = nullptr;
        AVFilterContext* sink = nullptr;
    };
    enum class Trial { Ok, Held, Failed };

    bool buildGraph(const std::vector<const FilterSpec*>& chain, const AVFrame* format, Graph& out,
                    std::string& error) const;
    Trial runGraph(Graph& g, const AVFrame* in, AVFramePtr& out, std::string& error) const;
    AVFramePtr rebuild(const AVFrame* in, bool strict);

    mutable std::mutex m_mutex;
    std::vector<FilterSpec> m_pending;
    uint64_t m_pendingGeneration = 0;

    // Capture-thread state.
    uint64_t m_builtGeneration = ~0ull;
    int m_width = 0, m_height = 0, m_format = -1;
    AVRational m_sar{0, 1};
    std::vector<FilterSpec> m_active;
    Graph m_graph;
    bool m_passThrough = true;
    int m_heldFrames = 0;
    std::vector<uint32_t> m_skipped;
};

} // namespace zd::media
