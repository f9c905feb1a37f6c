#include "service/newsreply.h"

#include "core/text.h"

#include <cstring>
#include <set>
#include <string>
#include <string_view>

namespace zd
{

namespace
{

bool parseNumber(std::string_view text, long min, long max, long& value)
{
    if (text.empty() || text.size() > 11)
        return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-') {
        negative = true;
        i = 1;
    }
    if (i == text.size())
        return false;
    long n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        n = n * 10 + (text[i] - '0');
    }
    value = negative ? -n : n;
    return value >= min && value <= max;
}

bool isPageAddress(std::string_view url)
{
    if (url.size() >= sizeof(POPUP_AD_DATA::url))
        return false;
    for (const char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    }
    auto startsWith = [&url](std::string_view prefix) {
        if (url.size() <= prefix.size())
            return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

} // namespace

bool parseNewsReply(const char* reply, size_t size, POPUP_AD_DATA& record)
{
    std::memset(&record, 0, sizeof record);
    if (reply == nullptr || size == 0 || size > kMaxNewsReplyBytes)
        return false;
    const std::string_view text(reply, size);
    if (text.find('\0') != std::string_view::npos)
        return false;

    std::set<std::string_view> seen;
    bool haveId = false;
    long id = 0, show = 0, delay = 0, force = 0, width = 600, height = 400;
    std::string_view url;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0)
            return false;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (!seen.insert(key).second)
            return false;
        bool ok = true;
        if (key == "id") {
            ok = parseNumber(value, -32768, 32767, id);
            haveId = ok;
        } else if (key == "show") {
            ok = parseNumber(value, 0, 1, show);
        } else if (key == "delay") {
            ok = parseNumber(value, 0, 86400, delay);
        } else if (key == "force") {
            ok = parseNumber(value, 0, 1, force);
        } else if (key == "width") {
            ok = parseNumber(value, 100, 4096, width);
        } else if (key == "height") {
            ok = parseNumber(value, 100, 4096, height);
        } else if (key == "url") {
            ok = isPageAddress(value);
            url = value;
        }
        if (!ok)
            return false;
    }
    if (!haveId || (show != 0 && url.empty()))
        return false;

    record.newsId = static_cast<int16_t>(id);
    record.show = static_cast<int32_t>(show);
    record.closeDelaySecs = static_cast<int32_t>(delay);
    record.force = static_cast<int32_t>(force);
    record.width = static_cast<int32_t>(width);
    record.height = static_cast<int32_t>(height);
    copyText(record.url, sizeof record.url, url);
    return true;
}

} // namespace zd
