// C entry points of the engine's HTTP client.
#include "api/apientry.h"
#include "net/httpclient.h"

#include <climits>

namespace
{

int Transfer(const char* url, bool post, const char* body, const char* filePath, char* buffer,
             int* size)
{
    using namespace vaz::net;
    try {
        if (buffer != nullptr && (size == nullptr || *size < 0)) {
            if (size != nullptr)
                *size = 0;
            return kHttpBadArgument;
        }
        HttpRequest request;
        if (url != nullptr)
            request.url = url;
        request.post = post;
        if (post && body != nullptr)
            request.body = body;
        if (filePath != nullptr)
            request.filePath = filePath;
        request.buffer = buffer;
        request.bufferBytes = buffer != nullptr ? static_cast<size_t>(*size) : 0;

        const HttpOutcome outcome = Perform(request);
        if (size != nullptr)
            *size = outcome.replyBytes > static_cast<size_t>(INT_MAX)
                        ? INT_MAX
                        : static_cast<int>(outcome.replyBytes);
        return outcome.result;
    } catch (...) {
        if (size != nullptr)
            *size = 0;
        return kHttpInternal;
    }
}

} // namespace

extern "C" {

ZD_API int ZD_ReadInternetFile(const char* url, const char* filePath, char* buffer, int* size)
{
    ZD_TRACE("ZD_ReadInternetFile(url=%s,file=%s)", zd::traceText(url).c_str(),
             zd::traceText(filePath).c_str());
    return zd::api::guarded("ZD_ReadInternetFile", static_cast<int>(vaz::net::kHttpInternal),
                            [&] { return Transfer(url, false, nullptr, filePath, buffer, size); });
}

ZD_API int ZD_PostInternetData(const char* url, const char* body, char* buffer, int* size)
{
    ZD_TRACE("ZD_PostInternetData(url=%s)", zd::traceText(url).c_str());
    return zd::api::guarded("ZD_PostInternetData", static_cast<int>(vaz::net::kHttpInternal),
                            [&] { return Transfer(url, true, body, nullptr, buffer, size); });
}
}
