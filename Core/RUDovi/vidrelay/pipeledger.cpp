#include "pipeledger.h"

#include "relaylog.h"
#include "zdrelayprotocol.h"
#include "zdrequestfolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

bool readNumber(const char*& p, const char* end, uint64_t& out)
{
    if (p == end || *p < '0' || *p > '9')
        return false;
    out = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        const uint64_t digit = uint64_t(*p - '0');
        if (out > (UINT64_MAX - digit) / 10)
            return false;
        out = out * 10 + digit;
    }
    return true;
}

// "<path> <device> <inode>" exactly.
bool parseLine(const char* p, const char* end, PipeLedger::Entry& e)
{
    const char* space = static_cast<const char*>(std::memchr(p, ' ', size_t(end - p)));
    if (!space)
        return false;
    const std::string path(p, space);
    const size_t prefix = std::strlen(zdrelay::kPipePathPrefix);
    // The whole path is the pipe's: no NUL may end it early.
    if (path.size() <= prefix || path.find('\0') != std::string::npos ||
        path.compare(0, prefix, zdrelay::kPipePathPrefix) != 0 ||
        !zdrelay::validPipeName(path.c_str() + prefix, path.size() - prefix + 1))
        return false;
    p = space + 1;
    if (!readNumber(p, end, e.device) || p == end || *p != ' ')
        return false;
    ++p;
    if (!readNumber(p, end, e.inode) || p != end)
        return false;
    e.path = path;
    return true;
}

} // namespace

PipeLedger::PipeLedger(std::string file, RelayLog& log) : m_file(std::move(file)), m_log(log) {}

std::vector<PipeLedger::Entry> PipeLedger::parse(const char* text, size_t size)
{
    std::vector<Entry> entries;
    size_t start = 0;
    while (text && start < size && entries.size() < kMaxEntries) {
        const void* lf = std::memchr(text + start, '\n', size - start);
        if (!lf)
            break; // a line cut short
        const size_t end = size_t(static_cast<const char*>(lf) - text);
        Entry e;
        if (parseLine(text + start, text + end, e))
            entries.push_back(e);
        start = end + 1;
    }
    return entries;
}

void PipeLedger::removeLeftovers()
{
    // Only a ledger that this user wrote and nobody else could change names
    // pipes to remove.
    const int fd = zd_open_own_file(m_file.c_str(), O_RDONLY, 0);
    struct stat st = {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
        (st.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
        std::vector<char> text(kMaxFileBytes);
        size_t size = 0;
        ssize_t n;
        while (size < text.size() &&
               ((n = ::read(fd, text.data() + size, text.size() - size)) > 0 ||
                (n < 0 && errno == EINTR)))
            size += n > 0 ? size_t(n) : 0;
        for (const Entry& e : parse(text.data(), size)) {
            struct stat pipe = {};
            if (::lstat(e.path.c_str(), &pipe) == 0 && S_ISFIFO(pipe.st_mode) &&
                uint64_t(pipe.st_dev) == e.device && uint64_t(pipe.st_ino) == e.inode &&
                ::unlink(e.path.c_str()) == 0)
                m_log.line("removed the pipe %s that an earlier run left", e.path.c_str());
        }
    } else if (fd >= 0 || errno != ENOENT) {
        m_log.line("pipe ledger %s ignored: not this server's own file", m_file.c_str());
    }
    if (fd >= 0)
        ::close(fd);
    m_entries.clear();
    save();
}

void PipeLedger::add(const std::string& path, dev_t device, ino_t inode)
{
    if (m_entries.size() >= kMaxEntries)
        return;
    m_entries.push_back({path, uint64_t(device), uint64_t(inode)});
    save();
}

void PipeLedger::remove(const std::string& path)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->path == path) {
            m_entries.erase(it);
            save();
            return;
        }
    }
}

void PipeLedger::discard()
{
    m_entries.clear();
    save();
}

void PipeLedger::save()
{
    if (m_entries.empty()) {
        ::unlink(m_file.c_str());
        return;
    }
    std::string text;
    for (const Entry& e : m_entries)
        text += e.path + " " + std::to_string(e.device) + " " + std::to_string(e.inode) + "\n";
    // Written whole under a new name of its own, then put in place: others
    // may write in the folder, so nothing there is written through.
    std::string temp = m_file + ".XXXXXX";
    const int fd = ::mkostemp(&temp[0], O_CLOEXEC);
    bool written = fd >= 0;
    if (written) {
        written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
        written = ::close(fd) == 0 && written;
        written = written && ::rename(temp.c_str(), m_file.c_str()) == 0;
        if (!written)
            ::unlink(temp.c_str());
    }
    if (!written)
        m_log.line("cannot write the pipe ledger %s: %s", m_file.c_str(), std::strerror(errno));
}
