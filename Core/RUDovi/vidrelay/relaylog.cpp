#include "relaylog.h"

#include "zdrequestfolder.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RelayLog::~RelayLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RelayLog::open(const std::string& path)
{
    // Never through a link, soft or hard: root appends here.
    const int fd = zd_open_own_file(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0640);
    if (fd < 0)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fd = fd;
    return true;
}

void RelayLog::line(const char* format, ...)
{
    char text[1024];
    const time_t now = std::time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    int n =
        static_cast<int>(std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S vidrelay: ", &local));
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(text + n, sizeof text - n - 1, format, args);
    va_end(args);
    if (wanted < 0)
        return;
    n = std::min<int>(n + wanted, sizeof text - 2);
    text[n++] = '\n';
    std::lock_guard<std::mutex> lock(m_mutex);
    const int fd = m_fd >= 0 ? m_fd : STDERR_FILENO;
    // One write per line: lines of the threads never interleave.
    while (::write(fd, text, static_cast<size_t>(n)) < 0 && errno == EINTR) {
    }
}
