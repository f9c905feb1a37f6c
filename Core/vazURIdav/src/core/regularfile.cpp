#include "core/regularfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zd
{

RegularFileRead readRegularFile(const std::string& path, const RegularFileLimits& limits,
                                std::string& bytes)
{
    bytes.clear();
    if (path.empty())
        return RegularFileRead::CannotOpen;
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (limits.refuseLinks ? O_NOFOLLOW : 0);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return RegularFileRead::CannotOpen;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return RegularFileRead::NotRegular;
    }
    const size_t size = static_cast<size_t>(std::max<off_t>(st.st_size, 0));
    if (limits.refuseLonger && size > limits.maxBytes) {
        ::close(fd);
        return RegularFileRead::TooLarge;
    }
    // The size is a hint only: the file may grow or shrink while it is read.
    bytes.resize(std::min(size, limits.maxBytes));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::read(fd, &bytes[got], std::min<size_t>(bytes.size() - got, size_t(1) << 20));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return RegularFileRead::Ok;
}

} // namespace zd
