// Reader of zip archives held in memory: the central directory, the names
// and kinds of the entries, and each entry's bytes (stored or deflated, CRC
// checked). Everything the archive says about itself is bounded before it is
// used: offsets and sizes against the archive, counts and sizes against the
// limits below. An archive is refused whole when any entry would land
// outside the folder it is unpacked into (absolute paths, "..", backslashes,
// drive letters, NUL bytes), is a symbolic link or another special file, is
// encrypted, uses ZIP64 or a compression other than stored and deflate, or
// repeats a path.
#pragma once

#include <cstddef>
#include <cstdint>
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
    kZipUnsupported = -6, // encryption, ZIP64, an unknown compression
    kZipCorrupt = -7,     // the data does not inflate to the recorded size and CRC
    kZipWriteFailed = -8, // the target folder could not be written
};

struct ZipEntry {
    std::string name; // relative path, "/"-separated, no "." or "..", no trailing "/"
    bool isDirectory = false;
    bool executable = false;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compressedBytes = 0;
    uint64_t bytes = 0;
    uint64_t dataOffset = 0; // of the entry's data in the archive
};

class ZipReader
{
public:
    static constexpr size_t kMaxArchiveBytes = 256u * 1024u * 1024u;
    static constexpr size_t kMaxEntries = 20000;
    static constexpr uint64_t kMaxEntryBytes = 256u * 1024u * 1024u;
    static constexpr uint64_t kMaxTotalBytes = 1024u * 1024u * 1024u;
    static constexpr size_t kMaxPathDepth = 64;

    // Reads the central directory of the archive in data (which must outlive
    // the reader) and checks every entry. kZipOk or the reason of refusal.
    int open(const uint8_t* data, size_t size);

    const std::vector<ZipEntry>& entries() const { return entries_; }

    // The entry's bytes, inflated and checked against its size and CRC.
    int read(const ZipEntry& entry, std::string& out) const;

    // The safe relative form of an entry's stored name, or false when the
    // name must be refused. A trailing "/" sets isDirectory.
    static bool normalizeName(std::string_view raw, std::string& out, bool& isDirectory);

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    std::vector<ZipEntry> entries_;
};

} // namespace zd
