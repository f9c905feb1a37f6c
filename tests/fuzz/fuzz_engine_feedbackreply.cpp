// The feedback service's reply, and the packet built from arbitrary user
// text (the input split into name, e-mail and report at its first two NULs).
#include "service/feedbackpacket.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    zd::parseFeedbackReply(text, size);

    const std::string all(text, size);
    const size_t a = all.find('\0');
    const size_t b = a == std::string::npos ? std::string::npos : all.find('\0', a + 1);
    const std::string name = all.substr(0, a);
    const std::string email = a == std::string::npos ? std::string() : all.substr(a + 1, b - a - 1);
    const std::string report = b == std::string::npos ? std::string() : all.substr(b + 1);
    zd::buildFeedbackPacket(name, email, report, "0123456789abcdef");
    return 0;
}
