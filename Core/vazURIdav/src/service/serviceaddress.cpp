#include "service/serviceaddress.h"

#include <cstdlib>

namespace zd
{

std::string serviceUrl(const char* envName, const char* path)
{
    const char* value = std::getenv(envName);
    if (value == nullptr)
        return {};
    std::string base(value);
    const size_t first = base.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const size_t last = base.find_last_not_of(" \t\r\n");
    base = base.substr(first, last - first + 1);
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    if (base.empty())
        return {};
    return base + path;
}

std::string percentEncode(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
    return out;
}

} // namespace zd
