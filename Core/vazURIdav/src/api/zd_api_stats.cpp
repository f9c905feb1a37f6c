// Usage statistics: sent to the statistics service when one is configured
// (service/statssender.h), dropped at once otherwise; never waited for.
#include "api/apientry.h"
#include "service/statssender.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API void GA_SetAppInfo(const char* product, const char* name, const char* version)
{
    ZD_TRACE("GA_SetAppInfo(product=%s,name=%s,version=%s)", traceText(product).c_str(),
             traceText(name).c_str(), traceText(version).c_str());
    guardedVoid("GA_SetAppInfo", [&] {
        StatsSender::instance().setApp(
            {boundedText(product), boundedText(name), boundedText(version)});
    });
}

ZD_API void GA_help_event_launch(const char* releaseDate, int flag)
{
    ZD_TRACE("GA_help_event_launch(date=%s,flag=%d)", traceText(releaseDate).c_str(), flag);
    guardedVoid("GA_help_event_launch", [&] {
        StatsSender::instance().post({"launch", boundedText(releaseDate), std::to_string(flag)});
    });
}

ZD_API void GA_help_exit(void)
{
    ZD_TRACE("GA_help_exit()");
    guardedVoid("GA_help_exit", [] { StatsSender::instance().post({"exit", "", ""}); });
}

ZD_API void GA_SubmitByDelayExe(void)
{
    ZD_TRACE("GA_SubmitByDelayExe()");
    guardedVoid("GA_SubmitByDelayExe", [] { StatsSender::instance().finish(); });
}

ZD_API void GA_TrackClick(const char* key)
{
    ZD_TRACE("GA_TrackClick(key=%s)", traceText(key).c_str());
    guardedVoid("GA_TrackClick", [&] {
        StatsSender::instance().post({"click", boundedText(key), ""});
    });
}

ZD_API void GA_TrackScreen(const char* key)
{
    ZD_TRACE("GA_TrackScreen(key=%s)", traceText(key).c_str());
    guardedVoid("GA_TrackScreen", [&] {
        StatsSender::instance().post({"screen", boundedText(key), ""});
    });
}

ZD_API void GA_TrackError(const char* key)
{
    ZD_TRACE("GA_TrackError(key=%s)", traceText(key).c_str());
    guardedVoid("GA_TrackError", [&] {
        StatsSender::instance().post({"error", boundedText(key), ""});
    });
}

ZD_API void GA_TrackLogging(const char* key, const char* value)
{
    ZD_TRACE("GA_TrackLogging(key=%s,value=%s)", traceText(key).c_str(), traceText(value).c_str());
    guardedVoid("GA_TrackLogging", [&] {
        StatsSender::instance().post({"logging", boundedText(key), boundedText(value)});
    });
}

} // extern "C"
