// The play-list files of movie and picture layers, as the application's layer
// editors write them and the engine plays them: one path per line, each
// ended by "\n", no header. One reader with one set of limits for both sides,
// so that the editor shows exactly the files the engine plays, at the
// positions the engine reports them by. Plain C++: the engine uses no Qt.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace zdplaylist
{

// A list plays at most this many files; the engine flags failed files by
// position in an array of this size.
constexpr size_t kMaxFiles = 256;
// A line holds at most this many bytes, its "\n" included.
constexpr size_t kMaxLineBytes = 1023;
// What a list of kMaxFiles full lines takes; nothing after this many bytes
// of a file is read.
constexpr size_t kMaxFileBytes = kMaxFiles * kMaxLineBytes;
// Readers hand parse up to this many bytes of a file, one more than it reads,
// so that it can tell a file cut at the bound from one that ends there.
constexpr size_t kReadBytes = kMaxFileBytes + 1;

struct Lines {
    // One entry per line, in order, so that an entry's index is its line's
    // position: an empty line, or one longer than kMaxLineBytes, gives an
    // empty entry. A "\r" before the line end is dropped.
    std::vector<std::string> entries;
    // The file holds text past the entries read (more than kMaxFiles lines,
    // or more than kMaxFileBytes bytes).
    bool more = false;
};

// The lines of a list file's bytes. Text after a NUL byte is not read; a
// file ending in "\n" has no empty last line.
inline Lines parse(const char* data, size_t size)
{
    Lines out;
    if (!data)
        return out;
    if (const void* nul = std::memchr(data, '\0', size))
        size = static_cast<size_t>(static_cast<const char*>(nul) - data);
    if (size > kMaxFileBytes) {
        // A line cut by the bound is not a path: it is left out whole.
        size_t keep = kMaxFileBytes;
        while (keep > 0 && data[keep - 1] != '\n')
            --keep;
        size = keep;
        out.more = true;
    }
    size_t at = 0;
    while (at < size) {
        if (out.entries.size() == kMaxFiles) {
            out.more = true;
            break;
        }
        const void* end = std::memchr(data + at, '\n', size - at);
        const size_t lineEnd =
            end ? static_cast<size_t>(static_cast<const char*>(end) - data) : size;
        const size_t withEnd = lineEnd - at + (end ? 1 : 0);
        std::string line;
        if (withEnd <= kMaxLineBytes) {
            line.assign(data + at, lineEnd - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
        }
        out.entries.push_back(std::move(line));
        at = lineEnd + 1;
    }
    return out;
}

} // namespace zdplaylist
