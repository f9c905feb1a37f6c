#include "zip/zipreader.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <set>

namespace zd
{

namespace
{

constexpr size_t kMaxNameComponentBytes = 255;
constexpr size_t kReadChunkBytes = 64 * 1024;

// A drive prefix such as "C:" that some archivers leave in front of a name.
bool isDriveSpec(std::string_view component)
{
    if (component.size() < 2 || component[1] != ':')
        return false;
    const char c = component[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

// The archive in memory as libarchive's zip reader that works from the
// central directory, as every unzip program does; no other format is
// recognised.
ArchivePtr openArchive(const uint8_t* data, size_t size)
{
    ArchivePtr a(archive_read_new());
    if (!a || archive_read_support_format_zip_seekable(a.get()) != ARCHIVE_OK ||
        archive_read_open_memory(a.get(), data, size) != ARCHIVE_OK)
        return nullptr;
    return a;
}

// The kind of an entry, or a refusal: only folders and plain files.
int entryKind(archive_entry* e, bool& isDirectory)
{
    if (archive_entry_symlink(e) != nullptr || archive_entry_hardlink(e) != nullptr)
        return kZipUnsafeEntry;
    switch (archive_entry_filetype(e)) {
    case AE_IFDIR:
        isDirectory = true;
        return kZipOk;
    case AE_IFREG:
        return kZipOk;
    default:
        // Links could point anywhere, and devices, pipes and sockets are
        // nothing an archive of ours holds.
        return kZipUnsafeEntry;
    }
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
    data_ = data;
    size_ = size;
    std::vector<ZipEntry> entries;
    const int result = pass(entries, false, {});
    if (result != kZipOk) {
        data_ = nullptr;
        size_ = 0;
        return result;
    }
    entries_ = std::move(entries);
    return kZipOk;
}

int ZipReader::forEach(const Visitor& visit) const
{
    if (data_ == nullptr)
        return kZipBadArgument;
    std::vector<ZipEntry> entries;
    return pass(entries, true, visit);
}

int ZipReader::pass(std::vector<ZipEntry>& entries, bool keep, const Visitor& visit) const
{
    ArchivePtr a = openArchive(data_, size_);
    if (!a)
        return kZipBadArchive;
    std::set<std::string> files;
    std::set<std::string> folders; // named, and implied by deeper names
    uint64_t totalBytes = 0;
    std::string bytes;
    std::vector<char> chunk(kReadChunkBytes);
    for (;;) {
        archive_entry* e = nullptr;
        const int header = archive_read_next_header(a.get(), &e);
        if (header == ARCHIVE_EOF)
            break;
        // A warning is a contradiction between the archive's own records
        // (sizes, CRCs, names that do not convert): nothing to unpack.
        if (header != ARCHIVE_OK || e == nullptr)
            return kZipBadArchive;
        if (entries.size() >= kMaxEntries)
            return kZipTooLarge;
        if (archive_entry_is_encrypted(e))
            return kZipUnsupported;

        ZipEntry entry;
        const char* raw = archive_entry_pathname(e);
        bool slashDirectory = false;
        if (raw == nullptr || !normalizeName(raw, entry.name, slashDirectory))
            return kZipUnsafeEntry;
        const int kind = entryKind(e, entry.isDirectory);
        if (kind != kZipOk)
            return kind;
        if (slashDirectory && !entry.isDirectory)
            return kZipBadArchive;
        entry.executable = !entry.isDirectory && (archive_entry_perm(e) & 0111) != 0;

        if (entry.isDirectory) {
            if (files.count(entry.name))
                return kZipBadArchive;
            folders.insert(entry.name);
        } else {
            if (archive_entry_size_is_set(e) && uint64_t(archive_entry_size(e)) > kMaxEntryBytes)
                return kZipTooLarge;
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

        // The data is read to its end, whatever the entry declares, so that
        // libarchive checks its size and CRC; the limits count what arrives.
        bytes.clear();
        if (!entry.isDirectory) {
            for (;;) {
                const la_ssize_t n = archive_read_data(a.get(), chunk.data(), chunk.size());
                if (n == 0)
                    break;
                if (n < 0)
                    return kZipCorrupt;
                entry.bytes += uint64_t(n);
                totalBytes += uint64_t(n);
                if (entry.bytes > kMaxEntryBytes || totalBytes > kMaxTotalBytes)
                    return kZipTooLarge;
                if (keep)
                    bytes.append(chunk.data(), size_t(n));
            }
            if (archive_entry_size_is_set(e) && uint64_t(archive_entry_size(e)) != entry.bytes)
                return kZipCorrupt;
        }
        if (keep && visit) {
            if (const int answer = visit(entry, bytes))
                return answer;
        }
        entries.push_back(std::move(entry));
    }
    // The reader ends quietly where a damaged central directory stops making
    // sense; an archive that yields nothing has nothing to install.
    return entries.empty() ? kZipBadArchive : kZipOk;
}

} // namespace zd
