// The maker's web services: feedback and news, over the engine's HTTP client.
// Without a configured service address (service/serviceaddress.h) no request
// is made and the calls fail cleanly.
#include "api/apientry.h"
#include "net/httpclient.h"
#include "service/feedbackpacket.h"
#include "service/newsreply.h"
#include "service/serviceaddress.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace zd;
using namespace zd::api;

namespace
{

void setMessage(char* message, const std::string& text)
{
    if (message != nullptr)
        copyText(message, ZD_TEXT_BUFFER_BYTES, text);
}

} // namespace

extern "C" {

ZD_API char* ZD_package_feedback_data(const char* name, const char* email, const char* report,
                                      int* length, char* message)
{
    // The user's name and address stay out of the trace.
    ZD_TRACE("ZD_package_feedback_data()");
    if (length != nullptr)
        *length = 0;
    setMessage(message, std::string());
    return guarded<char*>("ZD_package_feedback_data", nullptr, [&]() -> char* {
        if (length == nullptr || report == nullptr)
            return nullptr;
        const std::string id = newFeedbackId();
        // Read one byte past each bound, so that the packet cuts it at a
        // character boundary rather than here.
        const std::string packet =
            buildFeedbackPacket(boundedText(name, kMaxFeedbackFieldBytes + 4),
                                boundedText(email, kMaxFeedbackFieldBytes + 4),
                                boundedText(report, kMaxFeedbackReportBytes + 4), id);
        char* block = static_cast<char*>(std::malloc(packet.size() + 1));
        if (block == nullptr)
            return nullptr;
        std::memcpy(block, packet.c_str(), packet.size() + 1);
        *length = static_cast<int>(packet.size());
        setMessage(message, id);
        return block;
    });
}

ZD_API int ZD_PostFeedback(const char* packet, int length, char* message)
{
    ZD_TRACE("ZD_PostFeedback(length=%d)", length);
    return guarded("ZD_PostFeedback", 0, [&] {
        if (packet == nullptr || length <= 0 ||
            static_cast<size_t>(length) > kMaxFeedbackPacketBytes) {
            setMessage(message, "no feedback packet");
            return 0;
        }
        vaz::net::HttpRequest request;
        request.url = serviceUrl(kFeedbackServiceEnv, kFeedbackServicePath);
        if (request.url.empty()) {
            setMessage(message, "no feedback service configured");
            return 0;
        }
        request.post = true;
        request.body.assign(packet, static_cast<size_t>(length));
        request.contentType = "application/json";
        std::vector<char> reply(kMaxFeedbackReplyBytes);
        request.buffer = reply.data();
        request.bufferBytes = reply.size();
        const vaz::net::HttpOutcome outcome = vaz::net::Perform(request);
        if (outcome.result != vaz::net::kHttpOk) {
            setMessage(message, "feedback service not reached");
            return 0;
        }
        if (!parseFeedbackReply(reply.data(), outcome.replyBytes)) {
            setMessage(message, "feedback refused by the service");
            return 0;
        }
        setMessage(message, "feedback sent");
        return 1;
    });
}

ZD_API POPUP_AD_DATA* ZD_GetPopupAd_Data(const char* query)
{
    ZD_TRACE("ZD_GetPopupAd_Data(query=%s)", traceText(query).c_str());
    return guarded<POPUP_AD_DATA*>("ZD_GetPopupAd_Data", nullptr, [&]() -> POPUP_AD_DATA* {
        const std::string base = serviceUrl(kNewsServiceEnv, kNewsServicePath);
        if (base.empty() || query == nullptr)
            return nullptr;
        vaz::net::HttpRequest request;
        request.url = base + "?q=" + percentEncode(boundedText(query, 1024));
        std::vector<char> reply(kMaxNewsReplyBytes);
        request.buffer = reply.data();
        request.bufferBytes = reply.size();
        const vaz::net::HttpOutcome outcome = vaz::net::Perform(request);
        if (outcome.result != vaz::net::kHttpOk)
            return nullptr;
        POPUP_AD_DATA parsed;
        if (!parseNewsReply(reply.data(), outcome.replyBytes, parsed)) {
            ZD_Log(8, "News reply of %zu bytes not understood", outcome.replyBytes);
            return nullptr;
        }
        return new POPUP_AD_DATA(parsed);
    });
}

} // extern "C"
