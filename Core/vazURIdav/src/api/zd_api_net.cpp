// HTTP requests. Not connected yet: both calls fail with an error code.
#include "api/apientry.h"

using namespace zd;
using namespace zd::api;

namespace
{

constexpr int kNotConnected = -1;

} // namespace

extern "C" {

ZD_API int ZD_ReadInternetFile(const char* url, const char* filePath, char* buffer, int* size)
{
    (void)buffer;
    CallTrace::add("ZD_ReadInternetFile(url=%s,file=%s)", traceText(url).c_str(),
                   traceText(filePath).c_str());
    return guarded("ZD_ReadInternetFile", kNotConnected, [&] {
        if (size)
            *size = 0;
        return kNotConnected;
    });
}

ZD_API int ZD_PostInternetData(const char* url, const char* body, char* buffer, int* size)
{
    (void)body;
    (void)buffer;
    CallTrace::add("ZD_PostInternetData(url=%s)", traceText(url).c_str());
    return guarded("ZD_PostInternetData", kNotConnected, [&] {
        if (size)
            *size = 0;
        return kNotConnected;
    });
}

} // extern "C"
