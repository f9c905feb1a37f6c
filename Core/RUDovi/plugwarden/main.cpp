// plugwarden: waits on its semaphore for start requests and starts the
// capture server beside it, or lists the USB devices, as each request asks.
#include "launch.h"
#include "zdrequestfolder.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>

namespace
{

constexpr const char* kAgentName = "plugwarden";

// Running processes named like the agent, this one included.
int CountRunningAgents()
{
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        char path[sizeof entry->d_name + 16];
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue; // gone meanwhile
        // "pid (name) state ...": the name ends at the last parenthesis.
        char stat[512] = {};
        const ssize_t n = ::read(fd, stat, sizeof stat - 1);
        ::close(fd);
        if (n <= 0)
            continue;
        const char* open = std::strchr(stat, '(');
        const char* close = std::strrchr(stat, ')');
        if (!open || !close || close < open || close[1] != ' ')
            continue;
        // An agent that has ended but was not yet reaped runs no more.
        if (close[2] == 'Z' || close[2] == 'X')
            continue;
        const size_t length = static_cast<size_t>(close - open - 1);
        if (length == std::strlen(kAgentName) && std::memcmp(open + 1, kAgentName, length) == 0)
            ++count;
    }
    ::closedir(proc);
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (!InitAgentSettings(g_settings, argc > 0 ? argv[0] : nullptr, zd_request_folder())) {
        std::printf("the agent's path or the request folder is longer than 255 bytes\n");
        return -1;
    }
    InstallChildReaper();

    if (argc == 2 && std::strcmp(argv[1], "uvc") == 0) {
        start_vidrelay();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "uninstall") == 0) {
        ::sem_unlink(kSemaphoreName);
        ::unlink(RequestFilePath());
        ::unlink(DefaultLogPath());
        return 0;
    }

    const int running = CountRunningAgents();
    if (running >= 2) {
        std::printf("plugwarden is already running (%d)\n", running);
        return 0;
    }

    // A stale name from an earlier run goes; the new one is created
    // exclusively, so nobody can slip in one of their own between the two.
    ::sem_unlink(kSemaphoreName);
    sem_t* requests = ::sem_open(kSemaphoreName, O_CREAT | O_EXCL, 0660, 0);
    if (requests == SEM_FAILED) {
        std::perror("sem_open");
        return -1;
    }
    zd_share_semaphore(kSemaphoreName, g_settings.requestFolder);

    for (;;) {
        start_vidrelay();
        while (::sem_wait(requests) != 0 && errno == EINTR) {
        }
    }
}
