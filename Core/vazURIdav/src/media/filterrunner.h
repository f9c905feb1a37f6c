// Runs one source's filter chain on its frames with libavfilter. The chain is
// an ordered list of filter strings; each runs in a graph of its own, built
// on the first frame and rebuilt when the list or the format of the frames
// reaching it changes. A filter that cannot be built, fails on a frame, or
// holds frames back for too long is left out (until the list changes) and
// logged; the frames always go on, through the filters that work.
#pragma once

#include "media/avholders.h"

#include <cstdint>
#include <memory>
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
    FilterRunner();
    ~FilterRunner();
    FilterRunner(const FilterRunner&) = delete;
    FilterRunner& operator=(const FilterRunner&) = delete;

    // Any thread; used from the next frame on.
    void setFilters(std::vector<FilterSpec> filters);
    std::vector<FilterSpec> filters() const;

    // The capture thread. Frames carry pts in microseconds. Returns the
    // filtered frame, a new reference to the input when no filter applies,
    // or null while a filter holds the frame back (one that needs several
    // frames to make one).
    AVFramePtr process(const AVFrame* in);

    // Ids of the enabled filters left out of the chain.
    std::vector<uint32_t> skippedIds() const;

private:
    struct Stage;
    void skip(Stage& stage, const std::string& why);

    mutable std::mutex m_mutex;
    std::vector<FilterSpec> m_pending;
    uint64_t m_pendingGeneration = 0;
    std::vector<uint32_t> m_skipped;

    // Capture-thread state.
    uint64_t m_builtGeneration = ~0ull;
    std::vector<std::unique_ptr<Stage>> m_stages;
};

} // namespace zd::media
