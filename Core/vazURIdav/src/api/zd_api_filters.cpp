// Video filters per source. Not filtered yet: every call fails (0).
#include "api/apientry.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API int ZD_AddFilter(void* handle, const char* pip, int type, int enabled, const char* cmd,
                        unsigned int id)
{
    CallTrace::add("ZD_AddFilter(pip=%s,type=%d,enabled=%d,cmd=%s,id=%u)", traceText(pip).c_str(),
                   type, enabled, traceText(cmd).c_str(), id);
    return withEngine("ZD_AddFilter", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_EditFilter(void* handle, const char* pip, unsigned int id, const char* cmd)
{
    CallTrace::add("ZD_EditFilter(pip=%s,id=%u,cmd=%s)", traceText(pip).c_str(), id,
                   traceText(cmd).c_str());
    return withEngine("ZD_EditFilter", handle, 0, [](Engine&) { return 0; });
}

ZD_API int ZD_DeleteFilter(void* handle, const char* pip, unsigned int id)
{
    CallTrace::add("ZD_DeleteFilter(pip=%s,id=%u)", traceText(pip).c_str(), id);
    return withEngine("ZD_DeleteFilter", handle, 0, [](Engine&) { return 0; });
}

} // extern "C"
