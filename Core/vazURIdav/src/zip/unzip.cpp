#include "zip/unzip.h"

#include "core/log.h"
#include "zip/zipreader.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zd
{

namespace
{

class Fd
{
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

const char* ResultText(int result)
{
    switch (result) {
    case kZipBadArgument:
        return "bad argument";
    case kZipCannotRead:
        return "cannot read the archive";
    case kZipBadArchive:
        return "not a valid zip archive";
    case kZipUnsafeEntry:
        return "an entry would leave the target folder or is a link";
    case kZipTooLarge:
        return "archive too large";
    case kZipUnsupported:
        return "unsupported zip feature";
    case kZipCorrupt:
        return "damaged entry data";
    case kZipWriteFailed:
        return "cannot write the target folder";
    default:
        return "unknown";
    }
}

int ReadArchive(const std::string& path, std::vector<uint8_t>& bytes)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return kZipCannotRead;
    struct stat info {
    };
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return kZipCannotRead;
    if (info.st_size < 0 || uint64_t(info.st_size) > ZipReader::kMaxArchiveBytes)
        return kZipTooLarge;
    bytes.resize(size_t(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return kZipCannotRead;
        done += size_t(n);
    }
    return kZipOk;
}

// Opens (making when missing) the folders of path below root, one level at a
// time and never through a link, and returns the innermost; components is
// how many leading parts of path are folders.
Fd OpenFolders(int root, const std::vector<std::string>& parts, size_t components)
{
    Fd current(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (size_t i = 0; i < components && current.valid(); ++i) {
        const char* name = parts[i].c_str();
        if (::mkdirat(current.get(), name, 0777) != 0 && errno != EEXIST)
            return Fd();
        Fd next(::openat(current.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        current = std::move(next);
    }
    return current;
}

std::vector<std::string> SplitPath(const std::string& name)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        parts.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool WriteAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

bool WriteEntry(int folder, const std::string& fileName, const std::string& data, bool executable)
{
    static std::atomic<unsigned> counter{0};
    std::string part;
    Fd fd;
    for (int attempt = 0; attempt < 16 && !fd.valid(); ++attempt) {
        part = ".zd-unzip-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = Fd(::openat(folder, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         executable ? 0777 : 0666));
        if (!fd.valid() && errno != EEXIST)
            return false;
    }
    if (!fd.valid())
        return false;
    const bool written = WriteAll(fd.get(), data);
    const bool closed = ::close(fd.release()) == 0;
    // rename replaces a link of that name itself, never what it points to.
    if (!written || !closed || ::renameat(folder, part.c_str(), folder, fileName.c_str()) != 0) {
        ::unlinkat(folder, part.c_str(), 0);
        return false;
    }
    return true;
}

int Unpack(const std::string& zipPath, const std::string& folder)
{
    if (zipPath.empty() || folder.empty())
        return kZipBadArgument;
    std::vector<uint8_t> bytes;
    int result = ReadArchive(zipPath, bytes);
    if (result != kZipOk)
        return result;
    // Every entry is read through and checked before anything is written.
    ZipReader reader;
    result = reader.open(bytes.data(), bytes.size());
    if (result != kZipOk)
        return result;

    if (!makeFolders(folder))
        return kZipWriteFailed;
    Fd root(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.valid())
        return kZipWriteFailed;
    int unpacked = 0;
    result = reader.forEach([&](const ZipEntry& entry, const std::string& data) {
        const std::vector<std::string> parts = SplitPath(entry.name);
        const size_t folders = entry.isDirectory ? parts.size() : parts.size() - 1;
        Fd parent = OpenFolders(root.get(), parts, folders);
        if (!parent.valid())
            return int(kZipWriteFailed);
        if (!entry.isDirectory && !WriteEntry(parent.get(), parts.back(), data, entry.executable))
            return int(kZipWriteFailed);
        ++unpacked;
        return int(kZipOk);
    });
    return result == kZipOk ? unpacked : result;
}

} // namespace

int unzipArchive(const std::string& zipPath, const std::string& folder)
{
    const int result = Unpack(zipPath, folder);
    if (result < 0)
        Log::write(8, "UnZip %s failed: %s", zipPath.c_str(), ResultText(result));
    else
        Log::write(2, "UnZip %s: %d entries into %s", zipPath.c_str(), result, folder.c_str());
    return result;
}

} // namespace zd
