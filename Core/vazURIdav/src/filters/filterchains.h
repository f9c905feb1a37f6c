// The ordered filter chain of every source of one engine: the main capture
// source (no key) and each scene layer (its key). Filters keep the order in
// which they were added, switched-off ones included, each under its id.
// The rooms above hand a changed chain to the source that runs it.
#pragma once

#include "core/enginecomponent.h"
#include "media/filterrunner.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zd
{

class Engine;

struct FilterEntry {
    uint32_t id = 0;
    int type = 0;
    bool enabled = true;
    std::string cmd;
};

class FilterChains : public EngineComponent
{
public:
    // The id that deletes every filter of a source; never a filter's own.
    static constexpr uint32_t kAllFilters = 0xFFFFFFFFu;

    explicit FilterChains(Engine&) {}

    // 1 when added at the end of the source's chain; 0 for a refused string,
    // the "all" id or an id the chain already has.
    int add(const std::string& source, int type, bool enabled, const std::string& cmd, uint32_t id);
    // "enabled=1" and "enabled=0" switch the filter; any other text replaces
    // its string after the same check as add. 1 when done.
    int edit(const std::string& source, uint32_t id, const std::string& cmd);
    // Removes one filter, or with kAllFilters every filter of the source.
    int remove(const std::string& source, uint32_t id);

    std::vector<FilterEntry> chain(const std::string& source) const;
    // The source's filters as its frames run them (empty strings left out).
    std::vector<media::FilterSpec> specs(const std::string& source) const;
    // The switched-on filters of a source as one libavfilter chain, in order;
    // empty when none applies.
    std::string graphText(const std::string& source) const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<FilterEntry>> m_chains;
};

} // namespace zd
