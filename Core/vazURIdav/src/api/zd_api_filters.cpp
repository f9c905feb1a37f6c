// Video filters per source: the main capture source (pip null) or a scene
// layer (its key). Every filter string is checked with libavfilter first.
#include "api/apientry.h"
#include "devices/devicesession.h"
#include "filters/filterchains.h"
#include "live/livecanvas.h"

using namespace zd;
using namespace zd::api;

namespace
{

constexpr size_t kMaxSourceKey = 256;
constexpr size_t kMaxFilterText = 512;

std::string sourceKey(const char* pip)
{
    return boundedText(pip, kMaxSourceKey);
}

FilterChains* chains(Engine& engine)
{
    return engine.component<FilterChains>();
}

// Hands a changed chain to the source that runs it: the open device's frames
// for the main source (no key), the scene layer of that key for a layer.
int publish(Engine& engine, const FilterChains& filters, const std::string& source, int done)
{
    if (done <= 0)
        return done;
    if (source.empty())
        engine.session().setFilters(filters.specs(source));
    else if (live::LiveCanvas* canvas = engine.component<live::LiveCanvas>())
        canvas->setFilters(source, filters.specs(source));
    return done;
}

} // namespace

extern "C" {

ZD_API int ZD_AddFilter(void* handle, const char* pip, int type, int enabled, const char* cmd,
                        unsigned int id)
{
    ZD_TRACE("ZD_AddFilter(pip=%s,type=%d,enabled=%d,cmd=%s,id=%u)", traceText(pip).c_str(), type,
             enabled, traceText(cmd).c_str(), id);
    return withEngine("ZD_AddFilter", handle, 0, [&](Engine& engine) {
        FilterChains* filters = chains(engine);
        const std::string source = sourceKey(pip);
        return filters ? publish(engine, *filters, source,
                                 filters->add(source, type, enabled != 0,
                                              boundedText(cmd, kMaxFilterText), id))
                       : 0;
    });
}

ZD_API int ZD_EditFilter(void* handle, const char* pip, unsigned int id, const char* cmd)
{
    ZD_TRACE("ZD_EditFilter(pip=%s,id=%u,cmd=%s)", traceText(pip).c_str(), id,
             traceText(cmd).c_str());
    return withEngine("ZD_EditFilter", handle, 0, [&](Engine& engine) {
        FilterChains* filters = chains(engine);
        const std::string source = sourceKey(pip);
        return filters ? publish(engine, *filters, source,
                                 filters->edit(source, id, boundedText(cmd, kMaxFilterText)))
                       : 0;
    });
}

ZD_API int ZD_DeleteFilter(void* handle, const char* pip, unsigned int id)
{
    ZD_TRACE("ZD_DeleteFilter(pip=%s,id=%u)", traceText(pip).c_str(), id);
    return withEngine("ZD_DeleteFilter", handle, 0, [&](Engine& engine) {
        FilterChains* filters = chains(engine);
        const std::string source = sourceKey(pip);
        return filters ? publish(engine, *filters, source, filters->remove(source, id)) : 0;
    });
}

} // extern "C"
