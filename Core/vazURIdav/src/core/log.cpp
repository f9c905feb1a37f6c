#include "core/log.h"

#include "core/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace zd
{

namespace
{

struct LogState {
    std::mutex mutex;
    std::string folder;
};

// Never destroyed, so that a line logged while the process exits still finds it.
LogState& state()
{
    static LogState* s = new LogState;
    return *s;
}

// The application's data folder as the application computes it, for lines
// written before ZD_Initalize named it.
std::string defaultFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/Veltrano Helper";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/Veltrano Helper";
    return {};
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool makeFolders(const std::string& folder)
{
    if (folder.empty())
        return false;
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos == folder.size() || folder[pos] == '/') {
            const std::string part = folder.substr(0, pos);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st = {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void Log::setFolder(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().folder = folder;
}

std::string Log::folder()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().folder.empty() ? defaultFolder() : state().folder;
}

void Log::write(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writev(level, format, args);
    va_end(args);
}

void Log::writev(int level, const char* format, va_list args)
{
    if (!format)
        return;
    char line[kMaxLineBytes];

    struct timeval tv = {};
    gettimeofday(&tv, nullptr);
    struct tm local = {};
    localtime_r(&tv.tv_sec, &local);
    int prefix =
        std::snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d:%02d.%03d [%d] ",
                      local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec, static_cast<int>(tv.tv_usec / 1000), level);
    if (prefix < 0 || static_cast<size_t>(prefix) >= sizeof line)
        prefix = 0;

    // Room for the text and the line feed; longer text is cut.
    const size_t room = sizeof line - static_cast<size_t>(prefix) - 1;
    char* text = line + prefix;
    const int wanted = std::vsnprintf(text, room, format, args);
    if (wanted < 0)
        return;
    const bool cut = static_cast<size_t>(wanted) >= room;
    const size_t length = cut ? utf8CompletePrefix(text, room - 1) : static_cast<size_t>(wanted);
    // One call is one line, whatever the text holds.
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n' || text[i] == '\r')
            text[i] = ' ';
    }
    text[length] = '\n';
    const size_t total = static_cast<size_t>(prefix) + length + 1;

    std::lock_guard<std::mutex> lock(state().mutex);
    const std::string folder = state().folder.empty() ? defaultFolder() : state().folder;
    if (folder.empty())
        return;
    const std::string path = folder + "/Log.txt";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0 && errno == ENOENT && makeFolders(folder))
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    // The whole line in one write: with O_APPEND lines of other processes
    // sharing the file never interleave with it.
    writeAll(fd, line, total);
    ::close(fd);
}

} // namespace zd
