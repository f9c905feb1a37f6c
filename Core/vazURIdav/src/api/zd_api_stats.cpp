// Usage statistics: accepted and dropped, nothing leaves the machine. The
// calls are only traced.
#include "api/apientry.h"

using namespace zd;

extern "C" {

ZD_API void GA_SetAppInfo(const char* product, const char* name, const char* version)
{
    ZD_TRACE("GA_SetAppInfo(product=%s,name=%s,version=%s)", traceText(product).c_str(),
             traceText(name).c_str(), traceText(version).c_str());
}

ZD_API void GA_help_event_launch(const char* releaseDate, int flag)
{
    ZD_TRACE("GA_help_event_launch(date=%s,flag=%d)", traceText(releaseDate).c_str(), flag);
}

ZD_API void GA_help_exit(void)
{
    ZD_TRACE("GA_help_exit()");
}

ZD_API void GA_SubmitByDelayExe(void)
{
    ZD_TRACE("GA_SubmitByDelayExe()");
}

ZD_API void GA_TrackClick(const char* key)
{
    ZD_TRACE("GA_TrackClick(key=%s)", traceText(key).c_str());
}

ZD_API void GA_TrackScreen(const char* key)
{
    ZD_TRACE("GA_TrackScreen(key=%s)", traceText(key).c_str());
}

ZD_API void GA_TrackError(const char* key)
{
    ZD_TRACE("GA_TrackError(key=%s)", traceText(key).c_str());
}

ZD_API void GA_TrackLogging(const char* key, const char* value)
{
    ZD_TRACE("GA_TrackLogging(key=%s,value=%s)", traceText(key).c_str(), traceText(value).c_str());
}

} // extern "C"
