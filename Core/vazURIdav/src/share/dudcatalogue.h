// What the share server offers: the recorded-files list (files.dat of the
// application-data folder), read by the engine itself. A request names an
// entry by its id, never by a path, so nothing outside the list is served.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zd
{

struct DudEntry {
    std::string id;        // text form of the entry's two id words
    std::string name;      // UTF-8, as the files list shows it
    std::string path;      // the captured file
    std::string thumbPath; // its 160 x 90 thumbnail, which may be missing
    bool video = false;
    int64_t addedTime = 0;    // seconds since 1970, UTC
    int durationSeconds = -1; // a recording's, from its description; -1 unknown
    int64_t bytes = -1;       // the file's size when the list was read; -1 missing
};

using DudEntries = std::vector<DudEntry>;

class DudCatalogue
{
public:
    static constexpr size_t kRecordBytes = 464;
    // More entries than any user keeps; a larger file is read up to here.
    static constexpr size_t kMaxEntries = 100000;

    // The entries of files.dat bytes; a trailing piece shorter than a record
    // is ignored, as the files list does. Thumbnails lie in
    // appDataDir/Thumbs.
    static DudEntries parse(const uint8_t* data, size_t size, const std::string& appDataDir);
    // Reads appDataDir/files.dat when it is a regular file, with each
    // listed file's size; empty otherwise.
    static DudEntries load(const std::string& appDataDir);

    // The entry of id, or null.
    static const DudEntry* find(const DudEntries& entries, const std::string& id);
};

} // namespace zd
