// How the share server answers a request, apart from sending it: which
// resource a path names, which bytes a Range header asks for, and the page
// that lists the catalogue. Kept free of the HTTP library so that every
// request a browser or an attacker can send is easy to test and fuzz.
#pragma once

#include "share/dudcatalogue.h"

#include <cstdint>
#include <string>

namespace zd
{

struct DudRoute {
    enum Kind { Page, File, Play, Thumb, Preview, PreviewMp4, NotFound, BadMethod };
    Kind kind = NotFound;
    const DudEntry* entry = nullptr; // File, Play and Thumb
};

// The resource of a request. path is the decoded path the HTTP library hands
// over ("%2e%2e" has become ".."); only the exact forms "/", "/index.html",
// "/preview", "/preview.mp4", "/file/<id>", "/thumb/<id>" of a listed id and
// "/play/<id>" of a listed TS recording are answered.
DudRoute routeRequest(const char* method, const char* path, const DudEntries& entries);

struct DudByteRange {
    enum Kind { Whole, Partial, Unsatisfiable };
    Kind kind = Whole;
    uint64_t start = 0;
    uint64_t length = 0;
};

// The bytes a Range header asks of a file of size bytes. One range of the
// forms "bytes=a-b", "bytes=a-" and "bytes=-n" is honoured; a header that is
// missing, malformed or asks for several ranges gets the whole file, as a
// server may answer; a range that starts past the end is unsatisfiable.
DudByteRange parseRange(const char* header, uint64_t size);

// Whether a catalogued file is an MPEG-TS recording, which browsers play
// only remuxed into MP4.
bool isTsRecording(const DudEntry& entry);

// The MIME type of a catalogued file, by its extension.
const char* contentTypeOf(const std::string& path);

// The page for phones and desktop browsers: every entry, newest first, with
// its thumbnail; videos play in place.
std::string pageHtml(const DudEntries& entries, bool live);

} // namespace zd
