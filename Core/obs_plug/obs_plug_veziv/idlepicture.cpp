#include "idlepicture.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltranobox
{

namespace
{

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr int32_t kMaxSide = 10000;
// The largest picture the checks let through, with room for its headers.
constexpr size_t kMaxFileBytes = 64u << 20;

uint32_t u32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t u16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

} // namespace

bool DecodeIdlePicture(const uint8_t* file, size_t size, std::vector<uint8_t>& out)
{
    if (!file || size < kFileHeaderBytes + kInfoHeaderBytes || file[0] != 'B' || file[1] != 'M')
        return false;
    const uint8_t* info = file + kFileHeaderBytes;
    const uint32_t pixelsAt = u32(file + 10);
    const uint32_t infoBytes = u32(info);
    const int32_t width = static_cast<int32_t>(u32(info + 4));
    const int32_t height = static_cast<int32_t>(u32(info + 8));
    const uint16_t planes = u16(info + 12);
    const uint16_t bits = u16(info + 14);
    const uint32_t compression = u32(info + 16);
    if (infoBytes < kInfoHeaderBytes || planes != 1 || bits != 24 || compression != 0)
        return false;
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        return false;
    if (pixelsAt < kFileHeaderBytes + infoBytes || pixelsAt > size)
        return false;
    // Rows are padded to whole 4-byte words.
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    if ((size - pixelsAt) / stride < size_t(height))
        return false;

    std::vector<uint8_t> frame(kIdleBytes, 0);
    const size_t rows = size_t(height) < kIdleHeight ? size_t(height) : kIdleHeight;
    const size_t columns = size_t(width) < kIdleWidth ? size_t(width) : kIdleWidth;
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* src = file + pixelsAt + y * stride;
        uint8_t* dst = frame.data() + y * kIdleWidth * 4;
        for (size_t x = 0; x < columns; ++x) {
            dst[x * 4 + 0] = src[x * 3 + 0];
            dst[x * 4 + 1] = src[x * 3 + 1];
            dst[x * 4 + 2] = src[x * 3 + 2];
        }
    }
    out.swap(frame);
    return true;
}

bool LoadIdlePicture(const std::string& path, std::vector<uint8_t>& out)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st = {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        size_t(st.st_size) > kMaxFileBytes) {
        close(fd);
        return false;
    }
    std::vector<uint8_t> bytes(size_t(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    close(fd);
    return DecodeIdlePicture(bytes.data(), done, out);
}

} // namespace veltranobox
