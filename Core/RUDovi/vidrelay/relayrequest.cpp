#include "relayrequest.h"

#include "zdrequestfolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool parseRelayRequest(const uint8_t* data, size_t size, zdrelay::RequestRecord& out,
                       std::string& why)
{
    if (!data || size != sizeof(zdrelay::RequestRecord)) {
        why = "not a 72-byte record";
        return false;
    }
    std::memcpy(&out, data, sizeof out);
    if (!zdrelay::validPipeName(out.pipeName)) {
        why = "the pipe name is not \"pipe_\" and digits";
        return false;
    }
    if (out.command != zdrelay::kCommandStart && out.command != zdrelay::kCommandStop) {
        why = "unknown command " + std::to_string(out.command);
        return false;
    }
    if (out.kind != zdrelay::kKindVideo && out.kind != zdrelay::kKindAudio) {
        why = "unknown kind " + std::to_string(out.kind);
        return false;
    }
    return true;
}

RequestFile readRequestFile(const std::string& path, zdrelay::RequestRecord& out, uid_t& owner,
                            std::string& why)
{
    // Only a regular file with this one name, never through a link.
    const int fd = zd_open_own_file(path.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        if (errno == ENOENT)
            return RequestFile::None;
        why = errno == EMLINK   ? "a file with more than one name"
              : errno == EINVAL ? "not a regular file"
                                : std::string("cannot be opened: ") + std::strerror(errno);
        ::unlink(path.c_str());
        return RequestFile::Refused;
    }
    struct stat st = {};
    uint8_t bytes[sizeof(zdrelay::RequestRecord) + 1];
    size_t size = 0;
    // The file's owner is who asks: only when nobody else could have written
    // its bytes.
    const bool ownersAlone = ::fstat(fd, &st) == 0 && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    while (ownersAlone && size < sizeof bytes) {
        const ssize_t n = ::read(fd, bytes + size, sizeof bytes - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        size += static_cast<size_t>(n);
    }
    ::close(fd);
    // A request is served once.
    ::unlink(path.c_str());
    if (!ownersAlone) {
        why = "writable by other users than its owner";
        return RequestFile::Refused;
    }
    if (!parseRelayRequest(bytes, size, out, why))
        return RequestFile::Refused;
    owner = st.st_uid;
    return RequestFile::Read;
}
