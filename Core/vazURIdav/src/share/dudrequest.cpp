#include "share/dudrequest.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
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

// Numbers for people, but formatted without the locale: a page is read on
// phones whatever language the program runs in.
std::string sizeText(int64_t bytes)
{
    if (bytes < 0)
        return "missing";
    static const char* const units[] = {"bytes", "KB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    int unit = 0;
    int64_t whole = bytes;
    int64_t scale = 1;
    while (whole >= 1024 && unit < 4) {
        whole /= 1024;
        scale *= 1024;
        ++unit;
    }
    // One decimal, rounded.
    const int64_t tenths = bytes / scale * 10 + ((bytes % scale) * 10 + scale / 2) / scale;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + units[unit];
}

std::string durationText(int seconds)
{
    char text[32];
    const int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", h, m, s);
    else
        std::snprintf(text, sizeof text, "%d:%02d", m, s);
    return text;
}

// A time in UTC, in a strftime format.
std::string utcText(int64_t secondsSince1970, const char* format)
{
    const time_t t = static_cast<time_t>(secondsSince1970);
    struct tm utc {
    };
    char text[32] = {};
    if (gmtime_r(&t, &utc))
        std::strftime(text, sizeof text, format, &utc);
    return text;
}

// Dates in the viewer's time zone; a duration the description did not give,
// from the recording itself; the thumbnail, at its own size, in place of a
// recording the browser cannot play.
const char* const kPageScript =
    "function two(n){return (n<10?'0':'')+n}\n"
    "function span(s){s=Math.round(s);var h=Math.floor(s/3600),m=Math.floor(s/60)%60;"
    "return (h?h+':'+two(m):m)+':'+two(s%60)}\n"
    "document.querySelectorAll('time[datetime]').forEach(function(t){"
    "var d=new Date(t.getAttribute('datetime'));"
    "if(!isNaN(d))t.textContent=d.toLocaleString([],{dateStyle:'medium',timeStyle:'short'})});\n"
    "document.querySelectorAll('.entry video').forEach(function(v){"
    "var e=v.closest('.entry');"
    "v.addEventListener('loadedmetadata',function(){"
    "var d=e.querySelector('.duration[data-unknown]');"
    "if(d&&isFinite(v.duration)){d.textContent=span(v.duration);d.removeAttribute('data-unknown')}}"
    ");"
    "v.addEventListener('error',function(){"
    "e.querySelector('.note').hidden=false;var i=new Image();i.className='thumb';i.alt='';"
    "i.onerror=function(){i.remove()};i.src='/thumb/'+e.dataset.id;v.replaceWith(i)})});\n";

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
    } else if (std::strcmp(path, "/preview.mp4") == 0) {
        route.kind = DudRoute::PreviewMp4;
    } else if (const DudEntry* e = entryAfter(path, "/file/", entries)) {
        route.kind = DudRoute::File;
        route.entry = e;
    } else if (const DudEntry* t = entryAfter(path, "/thumb/", entries)) {
        route.kind = DudRoute::Thumb;
        route.entry = t;
    } else if (const DudEntry* p = entryAfter(path, "/play/", entries); p && isTsRecording(*p)) {
        route.kind = DudRoute::Play;
        route.entry = p;
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

bool isTsRecording(const DudEntry& entry)
{
    return entry.video && endsWith(entry.path, ".ts");
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
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<meta name=\"color-scheme\" content=\"dark\">"
        "<title>Vudaz Iveravovi Vuvev</title><style>\n"
        "*{box-sizing:border-box}\n"
        "body{margin:0;font:15px/1.4 system-ui,sans-serif;background:#18191b;color:#e8e8e8;"
        "-webkit-text-size-adjust:100%}\n"
        "header{padding:14px 16px;background:#232528;border-bottom:1px solid #34363a}\n"
        "h1{margin:0;font-size:1.15rem;font-weight:600}\n"
        "h2{margin:0 0 8px;font-size:1rem;font-weight:600}\n"
        "main{max-width:1400px;margin:0 auto;padding:12px}\n"
        "a{color:#8cc8ff}\n"
        ".live,.entry{background:#232528;border-radius:10px;overflow:hidden;min-width:0}\n"
        ".live{margin:0 0 16px;padding:12px}\n"
        ".live .frame{max-width:960px;border-radius:6px}\n"
        "#files{list-style:none;margin:0;padding:0;display:grid;gap:12px;"
        "grid-template-columns:repeat(auto-fill,minmax(min(100%,320px),1fr))}\n"
        ".frame{background:#000;aspect-ratio:16/9;display:flex;align-items:center;"
        "justify-content:center;overflow:hidden}\n"
        ".frame>a{display:contents}\n"
        ".frame video,.frame .picture{display:block;width:100%;height:100%;object-fit:scale-down}\n"
        ".frame .thumb{display:block;max-width:100%;height:auto}\n"
        ".about{padding:8px 12px 12px}\n"
        ".name{display:block;font-weight:600;text-decoration:none;overflow-wrap:anywhere}\n"
        ".meta{list-style:none;margin:4px 0 0;padding:0;display:flex;flex-wrap:wrap;"
        "gap:2px 14px;color:#a9adb3;font-size:.85rem}\n"
        ".note,.empty{color:#a9adb3;font-size:.85rem;margin:8px 0 0}\n"
        "</style></head><body>\n"
        "<header><h1>Vudaz Iveravovi Vuvev</h1></header>\n<main>\n";
    if (live)
        html += "<section class=\"live\"><h2>Live picture</h2><div class=\"frame\">"
                "<video id=\"live\" autoplay muted playsinline controls "
                "src=\"/preview.mp4\"></video></div>"
                "<p class=\"note\">Turn the sound on in the player. Where this browser "
                "cannot play a live stream in the page (Safari on iPhone and iPad), "
                "open <a href=\"/preview\">the live stream</a> in a media player "
                "instead.</p></section>\n";
    html += "<ul id=\"files\">\n";
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const std::string id = escapeHtml(it->id);
        const std::string name = escapeHtml(it->name);
        html += "<li class=\"entry\" data-id=\"" + id + "\">";
        // The picture itself, and a recording's own first frame: both are
        // sharper than the small thumbnail, which stays, at its own size, for
        // recordings the browser cannot play. A TS recording is remuxed only
        // once asked to play (each remux holds one of the server's
        // connections): until then its thumbnail stands in.
        if (isTsRecording(*it))
            html += "<div class=\"frame\" style=\"background:#000 url('/thumb/" + id +
                    "') center no-repeat\"><video controls playsinline preload=\"none\" "
                    "src=\"/play/" +
                    id + "\"></video>";
        else if (it->video)
            html += "<div class=\"frame\"><video controls playsinline preload=\"metadata\" "
                    "src=\"/file/" +
                    id + "#t=0.1\"></video>";
        else
            html += "<div class=\"frame\"><a href=\"/file/" + id +
                    "\"><img class=\"picture\" alt=\"" + name + "\" loading=\"lazy\" src=\"/file/" +
                    id + "\"></a>";
        html += "</div><div class=\"about\"><a class=\"name\" href=\"/file/" + id + "\">" + name +
                "</a><ul class=\"meta\"><li class=\"date\"><time datetime=\"" +
                utcText(it->addedTime, "%Y-%m-%dT%H:%M:%SZ") + "\">" +
                // Until the page's script puts it in the viewer's time zone.
                utcText(it->addedTime, "%Y-%m-%d %H:%M UTC") + "</time></li><li class=\"size\">" +
                sizeText(it->bytes) + "</li>";
        if (it->video)
            html += it->durationSeconds >= 0
                        ? "<li class=\"duration\">" + durationText(it->durationSeconds) + "</li>"
                        : std::string("<li class=\"duration\" data-unknown>&ndash;</li>");
        html += "</ul>";
        if (it->video)
            html += "<p class=\"note\" hidden>This browser cannot play this recording in the "
                    "page: open or download it with the link above.</p>";
        html += "</div></li>\n";
    }
    html += "</ul>\n";
    if (entries.empty())
        html += "<p class=\"empty\">Nothing has been captured yet.</p>\n";
    html += "</main>\n<script>\n" + std::string(kPageScript) + "</script>\n</body></html>\n";
    return html;
}

} // namespace zd
