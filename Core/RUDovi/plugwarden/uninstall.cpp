#include "uninstall.h"

#include "launch.h"
#include "processscan.h"
#include "zdrelayprotocol.h"
#include "zdrequestfolder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <semaphore.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

constexpr const char* kUnitName = "plugwarden.service";
constexpr size_t kMaxProcesses = 64;
constexpr int kTermGraceMs = 5000;
constexpr int kKillGraceMs = 2000;

void sleepMs(long ms)
{
    timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// The service's unit: stopped and disabled in one step, so systemd neither
// restarts the agent now nor starts it at the next boot. Only root's untagged
// agent is the service, and only a machine that runs systemd has one.
void disableService()
{
    if (zd_instance_tag() || ::geteuid() != 0 || ::access("/run/systemd/system", F_OK) != 0)
        return;
    const char* systemctl = nullptr;
    for (const char* candidate : {"/usr/bin/systemctl", "/bin/systemctl"})
        if (::access(candidate, X_OK) == 0) {
            systemctl = candidate;
            break;
        }
    if (!systemctl)
        return;
    char* argv[] = {const_cast<char*>(systemctl), const_cast<char*>("disable"),
                    const_cast<char*>("--now"), const_cast<char*>(kUnitName), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, systemctl, nullptr, nullptr, argv, environ) != 0)
        return;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // An install without the unit (run by hand) makes systemctl fail; the
    // processes are stopped below either way.
    std::printf("systemctl disable --now %s: status %d\n", kUnitName,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

// Asks every process named name that runs programPath to end, waits, then
// kills those that did not. False when one still runs.
bool stopAll(const char* name, const char* programPath)
{
    pid_t pids[kMaxProcesses];
    const size_t found = FindOwnProcesses(name, programPath, pids, kMaxProcesses);
    size_t count = found < kMaxProcesses ? found : kMaxProcesses;
    const pid_t self = ::getpid();
    for (size_t i = 0; i < count;) {
        if (pids[i] == self)
            pids[i] = pids[--count];
        else
            ++i;
    }
    auto waitGone = [&](int graceMs) {
        for (int waited = 0;; waited += 20) {
            bool any = false;
            for (size_t i = 0; i < count && !any; ++i)
                any = ProcessRuns(pids[i]);
            if (!any)
                return true;
            if (waited >= graceMs)
                return false;
            sleepMs(20);
        }
    };
    for (size_t i = 0; i < count; ++i)
        ::kill(pids[i], SIGTERM);
    if (waitGone(kTermGraceMs))
        return found <= kMaxProcesses;
    for (size_t i = 0; i < count; ++i)
        if (ProcessRuns(pids[i])) {
            std::printf("%s %d did not end; killed\n", name, static_cast<int>(pids[i]));
            ::kill(pids[i], SIGKILL);
        }
    if (waitGone(kKillGraceMs))
        return found <= kMaxProcesses;
    std::fprintf(stderr, "plugwarden: a %s still runs\n", name);
    return false;
}

// A named semaphore that this user made.
bool ownSemaphore(const char* name)
{
    char path[256];
    zd_semaphore_path(name, path, sizeof path);
    struct stat st = {};
    return ::lstat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

// Removes a file of the request folder when it is a plain file of this user;
// another user's file of that name is not ours to remove.
void removeOwnFile(const char* name)
{
    char path[kSettingBytes + 64];
    std::snprintf(path, sizeof path, "%s/%s", g_settings.requestFolder, name);
    struct stat st = {};
    if (::lstat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
        ::unlink(path);
}

} // namespace

bool StopAgentsAndServers(const char* agentSemaphore)
{
    disableService();
    // The agents first, so that none starts a server while the servers stop.
    bool stopped = stopAll("plugwarden", "/proc/self/exe");
    stopped = stopAll("vidrelay", g_settings.ownServer) && stopped;
    ::sem_unlink(agentSemaphore);
    // A server that had to be killed could not remove its semaphore, which
    // would tell the OBS sources that it still runs.
    const std::string server = zdrelay::serverSemaphoreName();
    if (stopped && ownSemaphore(server.c_str()))
        ::sem_unlink(server.c_str());
    std::fflush(stdout);
    return stopped;
}

void RemoveRequestFolderFiles()
{
    // Requests are written by the folder's group, and the agent deletes them
    // whoever wrote them; the name alone goes, never what a link points to.
    ::unlink(RequestFilePath());
    ::unlink(DefaultLogPath());
    removeOwnFile(zdrelay::kServerLockFileName);
    removeOwnFile(zdrelay::kPipeLedgerFileName);
}
