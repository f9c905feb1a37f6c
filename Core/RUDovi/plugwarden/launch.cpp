#include "launch.h"

#include "enum_usb_device.h"
#include "vc6string.h"
#include "zdrequestfolder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

AgentSettings g_settings;

namespace
{

char g_requestFile[kSettingBytes + 32];
char g_defaultLog[kSettingBytes + 32];

bool setText(char* setting, const char* value, size_t length)
{
    if (length >= kSettingBytes)
        return false;
    std::memcpy(setting, value, length);
    setting[length] = '\0';
    return true;
}

bool fits(char* setting, const char* value)
{
    return setText(setting, value, std::strlen(value));
}

// A file directly inside the request folder: the agent writes the USB list
// into it as root, so a request must not point it anywhere else.
bool insideRequestFolder(const AgentSettings& s, const char* value, size_t length)
{
    const size_t folder = std::strlen(s.requestFolder);
    if (length <= folder + 1 || std::strncmp(value, s.requestFolder, folder) != 0 ||
        value[folder] != '/')
        return false;
    const char* name = value + folder + 1;
    const size_t nameLength = length - folder - 1;
    if (std::memchr(name, '/', nameLength))
        return false;
    return !(nameLength == 1 && name[0] == '.') &&
           !(nameLength == 2 && name[0] == '.' && name[1] == '.');
}

bool sameText(const char* value, size_t length, const char* text)
{
    return std::strlen(text) == length && std::memcmp(value, text, length) == 0;
}

void refuse(const char* key, const char* why)
{
    std::printf("request %s refused: %s\n", key, why);
}

void applyLine(AgentSettings& s, const char* line, size_t length)
{
    // The key is looked for anywhere in the line and its value taken after the
    // key's length, so only a key at the line's start gives a sensible value.
    if (length > kRequestBytes)
        return;
    char bounded[kRequestBytes + 1];
    std::memcpy(bounded, line, length);
    bounded[length] = '\0';
    const CString text(bounded);
    const char* value = nullptr;
    const char* key = nullptr;
    char* setting = nullptr;
    if (text.Find("path=") >= 0) {
        key = "path=";
        setting = s.exepath;
    } else if (text.Find("name=") >= 0) {
        key = "name=";
        setting = s.srvname;
    } else if (text.Find("log=") >= 0) {
        key = "log=";
        setting = s.srvlog;
    } else {
        return;
    }
    const size_t keyLength = std::strlen(key);
    value = line + keyLength;
    const size_t valueLength = length - keyLength;
    if (valueLength >= kSettingBytes) {
        refuse(key, "longer than 255 bytes");
        return;
    }
    if (setting == s.exepath && !sameText(value, valueLength, s.ownServer) &&
        !sameText(value, valueLength, kUsbKeyword)) {
        refuse(key, "only the capture server beside the agent is started");
        return;
    }
    if (setting == s.srvlog && !insideRequestFolder(s, value, valueLength)) {
        refuse(key, "the log must lie in the request folder");
        return;
    }
    setText(setting, value, valueLength);
}

void reapChildren(int)
{
    const int saved = errno;
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = saved;
}

} // namespace

bool InitAgentSettings(AgentSettings& s, const char* argv0, const char* requestFolder)
{
    std::memset(&s, 0, sizeof s);
    const char* self = argv0 ? argv0 : "";
    const char* slash = std::strrchr(self, '/');
    const size_t folder = slash ? static_cast<size_t>(slash - self) : 0;
    CString server = CString(self).Left(static_cast<int>(folder));
    server += "/vidrelay";
    return fits(s.ownServer, server.GetPtr()) && fits(s.requestFolder, requestFolder) &&
           ResetRequestSettings(s);
}

bool ResetRequestSettings(AgentSettings& s)
{
    CString log(s.requestFolder);
    log += "/";
    log += kLogFileName;
    return fits(s.exepath, s.ownServer) && fits(s.srvname, "12345") && fits(s.srvlog, log.GetPtr());
}

void ApplyRequestLines(AgentSettings& s, const char* text, size_t size)
{
    // Requests come from several users: what one asked never carries over
    // to the next.
    ResetRequestSettings(s);
    if (!text)
        return;
    // The text ends at its size or at a NUL, whichever comes first.
    const void* nul = std::memchr(text, '\0', size);
    if (nul)
        size = static_cast<size_t>(static_cast<const char*>(nul) - text);
    size_t start = 0;
    while (start < size) {
        const void* lf = std::memchr(text + start, '\n', size - start);
        const size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - text) : size;
        applyLine(s, text + start, end - start);
        start = end + 1;
    }
}

const char* RequestFilePath()
{
    std::snprintf(g_requestFile, sizeof g_requestFile, "%s/%s", g_settings.requestFolder,
                  kRequestFileName);
    return g_requestFile;
}

const char* DefaultLogPath()
{
    std::snprintf(g_defaultLog, sizeof g_defaultLog, "%s/%s", g_settings.requestFolder,
                  kLogFileName);
    return g_defaultLog;
}

bool Read_vidrelay_cfg()
{
    const char* path = RequestFilePath();
    // Other users write requests: only a regular file counts, never a link, a
    // pipe or a device, and it is opened without blocking on any of them.
    const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) {
            std::printf("request file refused: a link\n");
            ::unlink(path);
        }
        return false;
    }
    struct stat st = {};
    char text[kRequestBytes + 1];
    size_t size = 0;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= off_t(kRequestBytes);
    while (ok && size < sizeof text) {
        const ssize_t n = ::read(fd, text + size, sizeof text - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        size += static_cast<size_t>(n);
    }
    ::close(fd);
    // A file that grew past the limit while it was read is refused as well.
    if (size > kRequestBytes)
        ok = false;
    ::unlink(path);
    if (!ok) {
        std::printf("request file refused: not a regular file of at most %zu bytes\n",
                    kRequestBytes);
        return false;
    }
    ApplyRequestLines(g_settings, text, size);
    return true;
}

void start_vidrelay()
{
    if (!Read_vidrelay_cfg()) {
        std::fflush(stdout);
        return;
    }
    if (std::strcmp(g_settings.exepath, kUsbKeyword) == 0) {
        StartWatchUSBDeviceChange();
        dump_all_usb_device(g_settings.srvlog);
        std::fflush(stdout);
        return;
    }
    std::printf("start vidrelay program at %s\n", g_settings.exepath);
    std::printf("=========timestamp:%ld=========", static_cast<long>(std::time(nullptr)));
    // Nothing buffered may be written twice by the forked process.
    std::fflush(stdout);

    const pid_t launcher = ::fork();
    if (launcher != 0)
        return; // the agent itself, or a failed fork
    // Not counted as a second agent by an agent starting meanwhile.
    ::prctl(PR_SET_NAME, "pw-launcher", 0, 0, 0);
    char* argv[] = {g_settings.exepath, g_settings.srvname, g_settings.srvlog, nullptr};
    // An empty environment; only the request folder's override and the
    // instance tag travel, so that the server finds the agent's folder and
    // names its semaphore as the agent's requesters expect.
    char folderVariable[kSettingBytes + 32];
    char tagVariable[ZD_INSTANCE_TAG_MAX + 32];
    char* envp[3] = {nullptr, nullptr, nullptr};
    int count = 0;
    if (const char* moved = std::getenv(ZD_REQUEST_FOLDER_ENV)) {
        std::snprintf(folderVariable, sizeof folderVariable, "%s=%s", ZD_REQUEST_FOLDER_ENV, moved);
        envp[count++] = folderVariable;
    }
    if (const char* tag = zd_instance_tag()) {
        std::snprintf(tagVariable, sizeof tagVariable, "%s=%s", ZD_INSTANCE_TAG_ENV, tag);
        envp[count++] = tagVariable;
    }
    // The launcher takes the server's priority itself, so that the server
    // inherits it from its first instruction: set on the server after the
    // spawn, it ran its start at the ordinary priority.
    ::setpriority(PRIO_PROCESS, 0, -15);
    pid_t server = 0;
    ::posix_spawn(&server, g_settings.exepath, nullptr, nullptr, argv, envp);
    ::_exit(0);
}

void InstallChildReaper()
{
    struct sigaction sa = {};
    sa.sa_handler = reapChildren;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    ::sigaction(SIGCHLD, &sa, nullptr);
}
