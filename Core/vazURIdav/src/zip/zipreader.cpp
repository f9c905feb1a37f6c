#include "zip/zipreader.h"

#include <zlib.h>

#include <climits>
#include <cstring>
#include <set>

namespace zd
{

namespace
{

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndBytes = 22;
constexpr size_t kCentralBytes = 46;
constexpr size_t kLocalBytes = 30;
constexpr size_t kMaxCommentBytes = 65535;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr unsigned kHostUnix = 3;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixDirectory = 0040000;
constexpr uint32_t kUnixRegular = 0100000;
constexpr uint32_t kDosDirectory = 0x10;
// Deflate cannot expand more than about 1032:1; a size beyond that is a lie.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr size_t kMaxNameComponentBytes = 255;

uint16_t u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A drive prefix such as "C:" that some archivers leave in front of a name.
bool isDriveSpec(std::string_view component)
{
    if (component.size() < 2 || component[1] != ':')
        return false;
    const char c = component[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

bool ZipReader::normalizeName(std::string_view raw, std::string& out, bool& isDirectory)
{
    out.clear();
    isDirectory = false;
    if (raw.empty() || raw.front() == '/')
        return false;
    if (raw.find('\0') != std::string_view::npos || raw.find('\\') != std::string_view::npos)
        return false;
    isDirectory = raw.back() == '/';

    size_t depth = 0;
    size_t start = 0;
    while (start <= raw.size()) {
        size_t end = raw.find('/', start);
        if (end == std::string_view::npos)
            end = raw.size();
        const std::string_view component = raw.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component == ".." || component.size() > kMaxNameComponentBytes)
            return false;
        if (depth == 0 && isDriveSpec(component))
            return false;
        if (++depth > kMaxPathDepth)
            return false;
        if (!out.empty())
            out += '/';
        out.append(component.data(), component.size());
    }
    return !out.empty();
}

int ZipReader::open(const uint8_t* data, size_t size)
{
    data_ = nullptr;
    size_ = 0;
    entries_.clear();
    if (data == nullptr)
        return kZipBadArgument;
    if (size > kMaxArchiveBytes)
        return kZipTooLarge;
    if (size < kEndBytes)
        return kZipBadArchive;

    // The end record is the last one whose comment runs exactly to the end of
    // the archive; a signature inside a comment does not qualify.
    size_t endAt = SIZE_MAX;
    const size_t lowest =
        size - kEndBytes > kMaxCommentBytes ? size - kEndBytes - kMaxCommentBytes : 0;
    for (size_t pos = size - kEndBytes + 1; pos-- > lowest;) {
        if (u32(data + pos) == kEndSignature && pos + kEndBytes + u16(data + pos + 20) == size) {
            endAt = pos;
            break;
        }
    }
    if (endAt == SIZE_MAX)
        return kZipBadArchive;
    const uint8_t* end = data + endAt;
    const uint16_t thisDisk = u16(end + 4);
    const uint16_t centralDisk = u16(end + 6);
    const uint16_t entriesHere = u16(end + 8);
    const uint16_t entryCount = u16(end + 10);
    const uint32_t centralBytes = u32(end + 12);
    const uint32_t centralOffset = u32(end + 16);
    if (entryCount == 0xFFFF || centralBytes == 0xFFFFFFFFu || centralOffset == 0xFFFFFFFFu)
        return kZipUnsupported;
    if (thisDisk != 0 || centralDisk != 0 || entriesHere != entryCount)
        return kZipUnsupported;
    if (entryCount > kMaxEntries)
        return kZipTooLarge;
    if (uint64_t(centralOffset) + centralBytes > endAt)
        return kZipBadArchive;

    std::vector<ZipEntry> entries;
    entries.reserve(entryCount);
    std::set<std::string> files;
    std::set<std::string> folders; // named, and implied by deeper names
    uint64_t totalBytes = 0;
    size_t at = centralOffset;
    const size_t centralEnd = size_t(centralOffset) + centralBytes;
    for (unsigned i = 0; i < entryCount; ++i) {
        if (at + kCentralBytes > centralEnd)
            return kZipBadArchive;
        const uint8_t* c = data + at;
        if (u32(c) != kCentralSignature)
            return kZipBadArchive;
        const unsigned host = u16(c + 4) >> 8;
        const uint16_t flags = u16(c + 8);
        ZipEntry entry;
        entry.method = u16(c + 10);
        entry.crc = u32(c + 16);
        entry.compressedBytes = u32(c + 20);
        entry.bytes = u32(c + 24);
        const uint16_t nameBytes = u16(c + 28);
        const uint16_t extraBytes = u16(c + 30);
        const uint16_t commentBytes = u16(c + 32);
        const uint32_t external = u32(c + 38);
        const uint32_t localOffset = u32(c + 42);
        const size_t recordBytes = kCentralBytes + nameBytes + extraBytes + commentBytes;
        if (at + recordBytes > centralEnd)
            return kZipBadArchive;
        const std::string_view rawName(reinterpret_cast<const char*>(c + kCentralBytes), nameBytes);
        at += recordBytes;

        if (flags & (kFlagEncrypted | kFlagStrongEncryption))
            return kZipUnsupported;
        if (entry.compressedBytes == 0xFFFFFFFFu || entry.bytes == 0xFFFFFFFFu ||
            localOffset == 0xFFFFFFFFu)
            return kZipUnsupported;

        bool slashDirectory = false;
        if (!normalizeName(rawName, entry.name, slashDirectory))
            return kZipUnsafeEntry;
        entry.isDirectory = slashDirectory;
        if (host == kHostUnix) {
            const uint32_t mode = external >> 16;
            const uint32_t type = mode & kUnixTypeMask;
            // Links could point anywhere, and devices, pipes and sockets are
            // nothing an archive of ours holds.
            if (type == kUnixDirectory)
                entry.isDirectory = true;
            else if (type != 0 && type != kUnixRegular)
                return kZipUnsafeEntry;
            else if (type == kUnixRegular && slashDirectory)
                return kZipBadArchive;
            entry.executable = (mode & 0111) != 0;
        } else if (external & kDosDirectory) {
            entry.isDirectory = true;
        }

        if (entry.isDirectory) {
            if (files.count(entry.name))
                return kZipBadArchive;
            folders.insert(entry.name);
        } else {
            if (entry.method != kMethodStored && entry.method != kMethodDeflated)
                return kZipUnsupported;
            if (entry.bytes > kMaxEntryBytes)
                return kZipTooLarge;
            totalBytes += entry.bytes;
            if (totalBytes > kMaxTotalBytes)
                return kZipTooLarge;
            if (entry.method == kMethodStored && entry.compressedBytes != entry.bytes)
                return kZipBadArchive;
            if (entry.method == kMethodDeflated &&
                entry.bytes > entry.compressedBytes * kMaxDeflateRatio + 64)
                return kZipBadArchive;
            if (!files.insert(entry.name).second || folders.count(entry.name))
                return kZipBadArchive;
        }
        for (size_t slash = entry.name.find('/'); slash != std::string::npos;
             slash = entry.name.find('/', slash + 1)) {
            const std::string parent = entry.name.substr(0, slash);
            if (files.count(parent))
                return kZipBadArchive;
            folders.insert(parent);
        }

        if (!entry.isDirectory) {
            // The data follows the local header, whose name and extra field
            // may differ in length from the central record's.
            if (uint64_t(localOffset) + kLocalBytes > centralOffset)
                return kZipBadArchive;
            const uint8_t* local = data + localOffset;
            if (u32(local) != kLocalSignature)
                return kZipBadArchive;
            entry.dataOffset =
                uint64_t(localOffset) + kLocalBytes + u16(local + 26) + u16(local + 28);
            if (entry.dataOffset + entry.compressedBytes > centralOffset)
                return kZipBadArchive;
        }
        entries.push_back(std::move(entry));
    }

    data_ = data;
    size_ = size;
    entries_ = std::move(entries);
    return kZipOk;
}

int ZipReader::read(const ZipEntry& entry, std::string& out) const
{
    out.clear();
    if (data_ == nullptr || entry.isDirectory)
        return kZipBadArgument;
    if (entry.dataOffset + entry.compressedBytes > size_ || entry.bytes > kMaxEntryBytes)
        return kZipBadArchive;
    const uint8_t* in = data_ + entry.dataOffset;

    if (entry.method == kMethodStored) {
        out.assign(reinterpret_cast<const char*>(in), size_t(entry.bytes));
    } else if (entry.method == kMethodDeflated) {
        // One byte more than recorded, so that a stream that inflates to more
        // than its recorded size is seen rather than cut.
        out.resize(size_t(entry.bytes) + 1);
        z_stream stream;
        std::memset(&stream, 0, sizeof stream);
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return kZipCorrupt;
        stream.next_in = const_cast<Bytef*>(in);
        stream.avail_in = static_cast<uInt>(entry.compressedBytes);
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&stream, Z_FINISH);
        const uLong produced = stream.total_out;
        inflateEnd(&stream);
        if (rc != Z_STREAM_END || produced != entry.bytes) {
            out.clear();
            return kZipCorrupt;
        }
        out.resize(size_t(entry.bytes));
    } else {
        return kZipUnsupported;
    }

    const uLong crc = crc32_z(0L, reinterpret_cast<const Bytef*>(out.data()), out.size());
    if (static_cast<uint32_t>(crc) != entry.crc) {
        out.clear();
        return kZipCorrupt;
    }
    return kZipOk;
}

} // namespace zd
