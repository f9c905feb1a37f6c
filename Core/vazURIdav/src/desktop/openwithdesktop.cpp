#include "desktop/openwithdesktop.h"

#include "core/log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zd::desktop
{

std::string findProgram(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* pathVar = std::getenv("PATH");
    std::string dirs = pathVar && *pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {
        };
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

namespace
{

// Children started without setsid are reaped here, at the next start, so
// that finished openers do not stay behind as zombies for long.
std::mutex g_pendingMutex;
std::vector<pid_t> g_pending;

void reapFinished()
{
    std::lock_guard<std::mutex> lock(g_pendingMutex);
    for (auto it = g_pending.begin(); it != g_pending.end();) {
        int status = 0;
        const pid_t r = waitpid(*it, &status, WNOHANG);
        if (r == *it || (r < 0 && errno == ECHILD))
            it = g_pending.erase(it);
        else
            ++it;
    }
}

} // namespace

// posix_spawn with the program's inherited descriptors (sockets, pipes,
// open media files) left behind: the child gets only 0, 1 and 2.
bool spawnProgram(const std::vector<std::string>& args, pid_t& pid)
{
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        Log::write(8, "Cannot start %s: %s", args[0].c_str(), strerror(rc));
        return false;
    }
    return true;
}

int runProgram(const std::vector<std::string>& args)
{
    pid_t pid = 0;
    if (!spawnProgram(args, pid))
        return -1;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    return r == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool openWithDesktop(const char* path) noexcept
{
    try {
        if (!path)
            return false;
        const size_t length = strnlen(path, kMaxOpenPathBytes + 1);
        if (length == 0 || length > kMaxOpenPathBytes) {
            Log::write(8, "Open with desktop: refused a path of %zu bytes", length);
            return false;
        }
        struct stat st {
        };
        if (path[0] != '/' || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
            Log::write(8, "Open with desktop: not a file: %s", path);
            return false;
        }
        const char* chosen = std::getenv(kOpenerVariable);
        const std::string opener = findProgram(chosen && *chosen ? chosen : "xdg-open");
        if (opener.empty()) {
            Log::write(8, "Open with desktop: no program to open files with (%s)",
                       chosen && *chosen ? chosen : "xdg-open");
            return false;
        }

        reapFinished();
        // setsid --fork starts the opener in a session of its own and returns
        // at once; the opener (which may wait for the player) then belongs to
        // init, so neither a zombie nor a waiting thread of ours is left.
        const std::string setsid = findProgram("setsid");
        if (!setsid.empty()) {
            if (runProgram({setsid, "--fork", opener, path}) != 0) {
                Log::write(8, "Open with desktop: %s could not start %s", setsid.c_str(),
                           opener.c_str());
                return false;
            }
            return true;
        }
        pid_t pid = 0;
        if (!spawnProgram({opener, path}, pid))
            return false;
        std::lock_guard<std::mutex> lock(g_pendingMutex);
        g_pending.push_back(pid);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace zd::desktop
