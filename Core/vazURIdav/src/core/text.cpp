#include "core/text.h"

#include <cctype>
#include <cstring>

namespace zd
{

std::string boundedText(const char* s, size_t size)
{
    if (!s)
        return {};
    return std::string(s, strnlen(s, size));
}

size_t utf8Fit(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    size_t n = maxBytes;
    // Step back over continuation bytes so that no character is cut in half.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

size_t utf8CompletePrefix(const char* s, size_t n)
{
    size_t lead = n;
    // Find the start of the last character: at most three continuation bytes.
    for (int back = 0; back < 4 && lead > 0; ++back) {
        --lead;
        if ((static_cast<unsigned char>(s[lead]) & 0xC0) != 0x80)
            break;
    }
    if (lead >= n)
        return n;
    const unsigned char c = static_cast<unsigned char>(s[lead]);
    size_t need = 1;
    if ((c & 0xE0) == 0xC0)
        need = 2;
    else if ((c & 0xF0) == 0xE0)
        need = 3;
    else if ((c & 0xF8) == 0xF0)
        need = 4;
    return n - lead >= need ? n : lead;
}

void copyText(char* field, size_t size, std::string_view text)
{
    if (!field || size == 0)
        return;
    const size_t n = utf8Fit(text, size - 1);
    // An empty view may have no storage at all.
    if (n > 0)
        std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

uint32_t fourccFromText(std::string_view text)
{
    uint32_t code = 0;
    for (size_t i = 0; i < 4 && i < text.size(); ++i)
        code |= static_cast<uint32_t>(static_cast<unsigned char>(text[i])) << (8 * i);
    return code;
}

std::string fourccText(uint32_t fourcc)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

bool startsWithNoCase(std::string_view s, std::string_view lowerPrefix)
{
    if (s.size() < lowerPrefix.size())
        return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != lowerPrefix[i])
            return false;
    }
    return true;
}

} // namespace zd
