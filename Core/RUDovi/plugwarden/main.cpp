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
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr const char* kAgentName = "plugwarden";

// Reads a small /proc file; the bytes read, 0 when there are none.
size_t readProcFile(const char* path, char* buffer, size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const ssize_t n = ::read(fd, buffer, size - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    buffer[n] = '\0';
    return static_cast<size_t>(n);
}

// The effective user of a process, from the "Uid:" line of its status.
bool effectiveUser(const char* pid, uid_t& uid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%s/status", pid);
    char status[4096];
    if (!readProcFile(path, status, sizeof status))
        return false;
    const char* line = std::strstr(status, "\nUid:");
    unsigned long real = 0, effective = 0;
    if (!line || std::sscanf(line + 5, "%lu %lu", &real, &effective) != 2)
        return false;
    uid = static_cast<uid_t>(effective);
    return true;
}

// The instance tag a process started with, or "" for none.
void instanceTagOf(const char* pid, char* tag, size_t size)
{
    tag[0] = '\0';
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%s/environ", pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Entries end with NUL; only the start of each is kept, enough for the
    // variable's name and the longest tag.
    const size_t keyLength = std::strlen(ZD_INSTANCE_TAG_ENV "=");
    char entry[64];
    size_t kept = 0;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\0') {
                if (kept < sizeof entry - 1)
                    entry[kept++] = buffer[i];
                continue;
            }
            entry[kept] = '\0';
            if (kept > keyLength && std::strncmp(entry, ZD_INSTANCE_TAG_ENV "=", keyLength) == 0) {
                const char* valid = zd_valid_instance_tag(entry + keyLength);
                std::snprintf(tag, size, "%s", valid ? valid : "");
            }
            kept = 0;
        }
    }
    ::close(fd);
}

// Running agents, this one included: processes named like the agent that run
// this very program file, for this user, under the same instance tag. A
// process of another user or another program that merely bears the name
// does not keep the agent from serving.
int CountRunningAgents()
{
    struct stat self = {};
    if (::stat("/proc/self/exe", &self) != 0)
        return 1;
    const uid_t me = ::geteuid();
    const char* ownTag = zd_instance_tag();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 1;
    int count = 0;
    while (const dirent* entry = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        char path[sizeof entry->d_name + 16];
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        // "pid (name) state ...": the name ends at the last parenthesis.
        char stat[512];
        if (!readProcFile(path, stat, sizeof stat))
            continue; // gone meanwhile
        const char* open = std::strchr(stat, '(');
        const char* close = std::strrchr(stat, ')');
        if (!open || !close || close < open || close[1] != ' ')
            continue;
        // An agent that has ended but was not yet reaped runs no more.
        if (close[2] == 'Z' || close[2] == 'X')
            continue;
        const size_t length = static_cast<size_t>(close - open - 1);
        if (length != std::strlen(kAgentName) || std::memcmp(open + 1, kAgentName, length) != 0)
            continue;
        std::snprintf(path, sizeof path, "/proc/%s/exe", entry->d_name);
        struct stat program = {};
        if (::stat(path, &program) != 0 || program.st_dev != self.st_dev ||
            program.st_ino != self.st_ino)
            continue;
        uid_t owner = 0;
        if (!effectiveUser(entry->d_name, owner) || owner != me)
            continue;
        char tag[ZD_INSTANCE_TAG_MAX + 1];
        instanceTagOf(entry->d_name, tag, sizeof tag);
        if (std::strcmp(tag, ownTag ? ownTag : "") != 0)
            continue;
        ++count;
    }
    ::closedir(proc);
    return count;
}

// The folder that requests come through: another user's, or one that
// everyone may write, would let others steer what root does there.
bool requestFolderTrusted(const char* folder)
{
    const char* why = nullptr;
    if (zd_request_folder_trusted(folder, &why))
        return true;
    std::fprintf(stderr,
                 "plugwarden: request folder %s refused: %s (it must belong to root and be "
                 "writable only by its owner and group)\n",
                 folder, why);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!InitAgentSettings(g_settings, argc > 0 ? argv[0] : nullptr, zd_request_folder())) {
        std::printf("the agent's path or the request folder is longer than 255 bytes\n");
        return -1;
    }
    InstallChildReaper();

    char semaphore[128];
    zd_ipc_name(kSemaphoreName, semaphore, sizeof semaphore);

    if (argc == 2 && std::strcmp(argv[1], "uninstall") == 0) {
        ::sem_unlink(semaphore);
        struct stat folder = {};
        if (::stat(g_settings.requestFolder, &folder) != 0)
            return 0; // no folder, nothing in it to remove
        if (!requestFolderTrusted(g_settings.requestFolder))
            return 1;
        ::unlink(RequestFilePath());
        ::unlink(DefaultLogPath());
        return 0;
    }
    if (!requestFolderTrusted(g_settings.requestFolder))
        return 1;
    if (argc == 2 && std::strcmp(argv[1], "uvc") == 0) {
        start_vidrelay();
        return 0;
    }

    const int running = CountRunningAgents();
    if (running >= 2) {
        std::printf("plugwarden is already running (%d)\n", running);
        return 0;
    }

    // A stale name from an earlier run goes; the new one is created
    // exclusively, so nobody can slip in one of their own between the two.
    ::sem_unlink(semaphore);
    sem_t* requests = ::sem_open(semaphore, O_CREAT | O_EXCL, 0660, 0);
    if (requests == SEM_FAILED) {
        std::perror("sem_open");
        return -1;
    }
    zd_share_semaphore(semaphore, g_settings.requestFolder);

    for (;;) {
        start_vidrelay();
        while (::sem_wait(requests) != 0 && errno == EINTR) {
        }
    }
}
