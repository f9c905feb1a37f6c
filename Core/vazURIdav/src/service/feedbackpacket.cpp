#include "service/feedbackpacket.h"

#include "core/text.h"

#include <nlohmann/json.hpp>

#include <random>
#include <string_view>
#include <sys/utsname.h>

namespace zd
{

namespace
{

std::string cut(const std::string& text, size_t maxBytes)
{
    return text.substr(0, utf8Fit(text, maxBytes));
}

std::string systemText()
{
    struct utsname names {
    };
    if (::uname(&names) != 0)
        return "Linux";
    return boundedText(names.sysname, sizeof names.sysname) + " " +
           boundedText(names.release, sizeof names.release) + " " +
           boundedText(names.machine, sizeof names.machine);
}

} // namespace

std::string newFeedbackId()
{
    static const char hex[] = "0123456789abcdef";
    std::random_device random;
    std::string id;
    for (int i = 0; i < 16; ++i)
        id += hex[random() & 0x0F];
    return id;
}

std::string buildFeedbackPacket(const std::string& name, const std::string& email,
                                const std::string& report, const std::string& id)
{
    nlohmann::json packet;
    packet["format"] = 1;
    packet["id"] = id;
    packet["name"] = cut(name, kMaxFeedbackFieldBytes);
    packet["email"] = cut(email, kMaxFeedbackFieldBytes);
    packet["report"] = cut(report, kMaxFeedbackReportBytes);
    packet["system"] = systemText();
    return packet.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool parseFeedbackReply(const char* reply, size_t size)
{
    if (reply == nullptr || size < 2 || size > kMaxFeedbackReplyBytes)
        return false;
    std::string_view text(reply, size);
    const size_t end = text.find('\n');
    std::string_view first = text.substr(0, end);
    if (!first.empty() && first.back() == '\r')
        first.remove_suffix(1);
    return first == "OK";
}

} // namespace zd
