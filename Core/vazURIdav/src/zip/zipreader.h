// Reader of zip archives held in memory. libarchive reads the format (the
// central directory, the headers, inflating, sizes and CRCs); this class
// decides what an archive may hold. Everything is bounded before it is used:
// the number of entries, each entry's size and the total against the limits
// below, counted as the data arrives rather than as the archive declares it.
// An archive is refused whole when any entry would land outside the folder
// it is unpacked into (absolute paths, "..", backslashes, drive letters, NUL
// bytes), is a symbolic or hard link or another special file, is encrypted,
// repeats a path, or names a path both as a file and as a folder; and an
// archive that yields no entry at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zd
{

enum ZipResult : int {
    kZipOk = 0,
    kZipBadArgument = -1,
    kZipCannotRead = -2,  // the archive file is missing or unreadable
    kZipBadArchive = -3,  // not a zip, or its records contradict each other
    kZipUnsafeEntry = -4, // an entry would leave the target folder or is a link
    kZipTooLarge = -5,    // beyond the limits below
    kZipUnsupported = -6, // encryption
    kZipCorrupt = -7,     // the data does not read back to its recorded size and CRC
    kZipWriteFailed = -8, // the target folder could not be written
};

struct ZipEntry {
    std::string name; // relative path, "/"-separated, no "." or "..", no trailing "/"
    bool isDirectory = false;
    bool executable = false;
    uint64_t bytes = 0; // as read, not as declared
};

class ZipReader
{
public:
    static constexpr size_t kMaxArchiveBytes = 256u * 1024u * 1024u;
    static constexpr size_t kMaxEntries = 20000;
    static constexpr uint64_t kMaxEntryBytes = 256u * 1024u * 1024u;
    static constexpr uint64_t kMaxTotalBytes = 1024u * 1024u * 1024u;
    static constexpr size_t kMaxPathDepth = 64;

    // Reads the whole archive in data (which must outlive the reader): every
    // entry is checked and every file's data read through to its end, so that
    // a damaged entry anywhere refuses the archive before anything is used.
    // kZipOk or the reason of refusal.
    int open(const uint8_t* data, size_t size);

    const std::vector<ZipEntry>& entries() const { return entries_; }

    // Reads the archive once more and hands each entry, with its bytes for a
    // file, to visit in order. Stops at the first non-zero answer of visit,
    // or the first failure of the archive, and returns it; else kZipOk.
    using Visitor = std::function<int(const ZipEntry& entry, const std::string& bytes)>;
    int forEach(const Visitor& visit) const;

    // The safe relative form of an entry's stored name, or false when the
    // name must be refused. A trailing "/" sets isDirectory.
    static bool normalizeName(std::string_view raw, std::string& out, bool& isDirectory);

private:
    // One pass over the archive; with keep, each file's bytes reach visit.
    int pass(std::vector<ZipEntry>& entries, bool keep, const Visitor& visit) const;

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    std::vector<ZipEntry> entries_;
};

} // namespace zd
