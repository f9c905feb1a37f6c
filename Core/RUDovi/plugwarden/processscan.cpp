#include "processscan.h"

#include "zdrequestfolder.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

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
    char path[sizeof(dirent::d_name) + 16];
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
    char path[sizeof(dirent::d_name) + 16];
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
                const size_t length = valid ? strnlen(valid, size - 1) : 0;
                std::memcpy(tag, entry + keyLength, length);
                tag[length] = '\0';
            }
            kept = 0;
        }
    }
    ::close(fd);
}

// The name of a process from "pid (name) state ...", and whether it runs;
// the name ends at the last parenthesis.
bool nameAndState(const char* pid, char* name, size_t size, bool& running)
{
    char path[sizeof(dirent::d_name) + 16];
    std::snprintf(path, sizeof path, "/proc/%s/stat", pid);
    char stat[512];
    if (!readProcFile(path, stat, sizeof stat))
        return false; // gone meanwhile
    const char* open = std::strchr(stat, '(');
    const char* close = std::strrchr(stat, ')');
    if (!open || !close || close < open || close[1] != ' ')
        return false;
    running = close[2] != 'Z' && close[2] != 'X';
    const size_t length = static_cast<size_t>(close - open - 1);
    if (length >= size)
        return false;
    std::memcpy(name, open + 1, length);
    name[length] = '\0';
    return true;
}

} // namespace

size_t FindOwnProcesses(const char* name, const char* programPath, pid_t* pids, size_t capacity)
{
    struct stat program = {};
    if (::stat(programPath, &program) != 0)
        return 0;
    const uid_t me = ::geteuid();
    const char* ownTag = zd_instance_tag();
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return 0;
    size_t count = 0;
    while (const dirent* entry = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        char found[64];
        bool running = false;
        if (!nameAndState(entry->d_name, found, sizeof found, running) || !running ||
            std::strcmp(found, name) != 0)
            continue;
        char path[sizeof entry->d_name + 16];
        std::snprintf(path, sizeof path, "/proc/%s/exe", entry->d_name);
        struct stat exe = {};
        if (::stat(path, &exe) != 0 || exe.st_dev != program.st_dev || exe.st_ino != program.st_ino)
            continue;
        uid_t owner = 0;
        if (!effectiveUser(entry->d_name, owner) || owner != me)
            continue;
        char tag[ZD_INSTANCE_TAG_MAX + 1];
        instanceTagOf(entry->d_name, tag, sizeof tag);
        if (std::strcmp(tag, ownTag ? ownTag : "") != 0)
            continue;
        if (pids && count < capacity)
            pids[count] = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
        ++count;
    }
    ::closedir(proc);
    return count;
}

bool ProcessRuns(pid_t pid)
{
    char id[32];
    std::snprintf(id, sizeof id, "%d", static_cast<int>(pid));
    char name[64];
    bool running = false;
    return nameAndState(id, name, sizeof name, running) && running;
}
