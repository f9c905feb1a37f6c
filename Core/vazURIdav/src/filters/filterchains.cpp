#include "filters/filterchains.h"

#include "core/log.h"
#include "filters/filtercheck.h"
#include "media/filterrunner.h"

namespace zd
{
namespace
{

bool accepted(const std::string& cmd)
{
    if (isEmptyFilter(cmd))
        return true;
    std::string why;
    if (checkVideoFilter(cmd, why))
        return true;
    Log::write(8, "Filter refused: %s (%s)", cmd.c_str(), why.c_str());
    return false;
}

} // namespace

std::vector<media::FilterSpec> FilterChains::specs(const std::string& source) const
{
    std::vector<media::FilterSpec> out;
    for (const FilterEntry& e : chain(source)) {
        if (!isEmptyFilter(e.cmd))
            out.push_back(media::FilterSpec{e.id, e.enabled, e.cmd});
    }
    return out;
}

int FilterChains::add(const std::string& source, int type, bool enabled, const std::string& cmd,
                      uint32_t id)
{
    if (id == kAllFilters) {
        Log::write(8, "Filter refused: id %u is reserved", id);
        return 0;
    }
    if (!accepted(cmd))
        return 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<FilterEntry>& list = m_chains[source];
        for (const FilterEntry& e : list) {
            if (e.id == id) {
                Log::write(8, "Filter refused: id %u is already in the chain", id);
                return 0;
            }
        }
        list.push_back(FilterEntry{id, type, enabled, cmd});
    }
    return 1;
}

int FilterChains::edit(const std::string& source, uint32_t id, const std::string& cmd)
{
    const bool switchOn = cmd == "enabled=1";
    const bool switchOff = cmd == "enabled=0";
    if (!switchOn && !switchOff && !accepted(cmd))
        return 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_chains.find(source);
        if (it == m_chains.end())
            return 0;
        auto e = it->second.begin();
        while (e != it->second.end() && e->id != id)
            ++e;
        if (e == it->second.end())
            return 0;
        if (switchOn || switchOff)
            e->enabled = switchOn;
        else
            e->cmd = cmd;
    }
    return 1;
}

int FilterChains::remove(const std::string& source, uint32_t id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_chains.find(source);
    if (it == m_chains.end())
        return id == kAllFilters ? 1 : 0;
    if (id == kAllFilters) {
        m_chains.erase(it);
        return 1;
    }
    std::vector<FilterEntry>& list = it->second;
    for (auto e = list.begin(); e != list.end(); ++e) {
        if (e->id == id) {
            list.erase(e);
            return 1;
        }
    }
    return 0;
}

std::vector<FilterEntry> FilterChains::chain(const std::string& source) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_chains.find(source);
    return it == m_chains.end() ? std::vector<FilterEntry>() : it->second;
}

std::string FilterChains::graphText(const std::string& source) const
{
    std::string out;
    for (const FilterEntry& e : chain(source)) {
        if (!e.enabled || isEmptyFilter(e.cmd))
            continue;
        if (!out.empty())
            out += ',';
        out += e.cmd;
    }
    return out;
}

} // namespace zd
