#include "share/dudrequest.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace zd
{

namespace
{

bool isEntryId(const char* text)
{
    const size_t n = std::strlen(text);
    if (n < 8 || n > 16)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])) && (text[i] < 'a' || text[i] > 'f'))
            return false;
    return true;
}

const DudEntry* entryAfter(const char* path, const char* prefix, const DudEntries& entries)
{
    const size_t n = std::strlen(prefix);
    if (std::strncmp(path, prefix, n) != 0 || !isEntryId(path + n))
        return nullptr;
    return DudCatalogue::find(entries, path + n);
}

// Digits only, no sign, no overflow.
bool readNumber(const char*& p, uint64_t& out)
{
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    uint64_t v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (v > (UINT64_MAX - digit) / 10)
            return false;
        v = v * 10 + digit;
        ++p;
    }
    out = v;
    return true;
}

void skipSpaces(const char*& p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
}

std::string escapeHtml(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool endsWith(const std::string& text, const char* tail)
{
    const size_t n = std::strlen(tail);
    return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

} // namespace

DudRoute routeRequest(const char* method, const char* path, const DudEntries& entries)
{
    DudRoute route;
    if (!method || !path)
        return route;
    if (std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0) {
        route.kind = DudRoute::BadMethod;
        return route;
    }
    if (std::strcmp(path, "/") == 0 || std::strcmp(path, "/index.html") == 0) {
        route.kind = DudRoute::Page;
    } else if (std::strcmp(path, "/preview") == 0) {
        route.kind = DudRoute::Preview;
    } else if (const DudEntry* e = entryAfter(path, "/file/", entries)) {
        route.kind = DudRoute::File;
        route.entry = e;
    } else if (const DudEntry* t = entryAfter(path, "/thumb/", entries)) {
        route.kind = DudRoute::Thumb;
        route.entry = t;
    }
    return route;
}

DudByteRange parseRange(const char* header, uint64_t size)
{
    DudByteRange whole;
    whole.length = size;
    if (!header)
        return whole;
    const char* p = header;
    skipSpaces(p);
    if (strncasecmp(p, "bytes", 5) != 0)
        return whole;
    p += 5;
    skipSpaces(p);
    if (*p++ != '=')
        return whole;
    skipSpaces(p);
    uint64_t first = 0, last = 0;
    bool haveFirst = false, haveLast = false;
    if (*p != '-') {
        if (!readNumber(p, first))
            return whole;
        haveFirst = true;
    }
    skipSpaces(p);
    if (*p++ != '-')
        return whole;
    skipSpaces(p);
    if (std::isdigit(static_cast<unsigned char>(*p))) {
        if (!readNumber(p, last))
            return whole;
        haveLast = true;
    }
    skipSpaces(p);
    if (*p != '\0') // several ranges, or something else
        return whole;
    DudByteRange r;
    r.kind = DudByteRange::Partial;
    if (!haveFirst) {
        if (!haveLast)
            return whole;
        // The last n bytes.
        if (last == 0) {
            r.kind = DudByteRange::Unsatisfiable;
            return r;
        }
        const uint64_t n = last < size ? last : size;
        if (n == 0) {
            r.kind = DudByteRange::Unsatisfiable;
            return r;
        }
        r.start = size - n;
        r.length = n;
        return r;
    }
    if (haveLast && last < first)
        return whole; // not a valid range: ignored
    if (first >= size) {
        r.kind = DudByteRange::Unsatisfiable;
        return r;
    }
    const uint64_t end = haveLast && last < size - 1 ? last : size - 1;
    r.start = first;
    r.length = end - first + 1;
    return r;
}

const char* contentTypeOf(const std::string& path)
{
    if (endsWith(path, ".mp4"))
        return "video/mp4";
    if (endsWith(path, ".ts"))
        return "video/mp2t";
    if (endsWith(path, ".mov"))
        return "video/quicktime";
    if (endsWith(path, ".flv"))
        return "video/x-flv";
    if (endsWith(path, ".png"))
        return "image/png";
    if (endsWith(path, ".jpg") || endsWith(path, ".jpeg"))
        return "image/jpeg";
    if (endsWith(path, ".bmp"))
        return "image/bmp";
    if (endsWith(path, ".gif"))
        return "image/gif";
    return "application/octet-stream";
}

std::string pageHtml(const DudEntries& entries, bool live)
{
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Vudaz Iveravovi Vuvev</title><style>"
        "body{font-family:sans-serif;background:#202020;color:#e0e0e0;margin:8px}"
        "a{color:#8cc8ff}ul{list-style:none;padding:0}"
        "li{display:inline-block;vertical-align:top;width:320px;max-width:100%;margin:6px}"
        "video,img{width:100%;background:#000}</style></head><body>\n"
        "<h1>Vudaz Iveravovi Vuvev</h1>\n";
    if (live)
        html += "<p class=\"live\"><a href=\"/preview\">Live picture</a> (open the address in a "
                "media player)</p>\n";
    html += "<ul id=\"files\">\n";
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const std::string id = escapeHtml(it->id);
        const std::string name = escapeHtml(it->name);
        html += "<li class=\"entry\" data-id=\"" + id + "\">";
        if (it->video)
            html += "<video controls preload=\"metadata\" poster=\"/thumb/" + id +
                    "\" src=\"/file/" + id + "\"></video>";
        else
            html += "<a href=\"/file/" + id + "\"><img alt=\"" + name + "\" src=\"/thumb/" + id +
                    "\"></a>";
        html += "<br><a class=\"name\" href=\"/file/" + id + "\">" + name + "</a></li>\n";
    }
    html += "</ul>\n</body></html>\n";
    return html;
}

} // namespace zd
