// The maker's web services: feedback and news. Not connected yet: no packet,
// no news.
#include "api/apientry.h"

using namespace zd;
using namespace zd::api;

extern "C" {

ZD_API char* ZD_package_feedback_data(const char* name, const char* email, const char* report,
                                      int* length, char* message)
{
    (void)name;
    (void)email;
    (void)report;
    CallTrace::add("ZD_package_feedback_data()");
    return guarded<char*>("ZD_package_feedback_data", nullptr, [&]() -> char* {
        if (length)
            *length = 0;
        if (message)
            message[0] = '\0';
        return nullptr;
    });
}

ZD_API int ZD_PostFeedback(const char* packet, int length, char* message)
{
    (void)packet;
    (void)message;
    CallTrace::add("ZD_PostFeedback(length=%d)", length);
    return guarded("ZD_PostFeedback", 0, [] { return 0; });
}

ZD_API POPUP_AD_DATA* ZD_GetPopupAd_Data(const char* query)
{
    CallTrace::add("ZD_GetPopupAd_Data(query=%s)", traceText(query).c_str());
    return guarded<POPUP_AD_DATA*>("ZD_GetPopupAd_Data", nullptr,
                                   []() -> POPUP_AD_DATA* { return nullptr; });
}

} // extern "C"
