#include "share/streamplayer.h"

#include "desktop/openwithdesktop.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zd
{

namespace
{

// What xdg-mime names as the handler of the type: a desktop entry's file
// name, or empty. Its output is read for at most a few seconds.
std::string defaultDesktopEntry(const char* mimeType)
{
    const std::string xdgMime = desktop::findProgram("xdg-mime");
    if (xdgMime.empty())
        return {};
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {xdgMime.c_str(), "query", "default", mimeType, nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        return {};
    }
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{out[0], POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0 || text.size() > 4096)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    ::kill(pid, SIGKILL); // gone already, or too slow
    int status = 0;
    ::waitpid(pid, &status, 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.find('/') != std::string::npos || text.find("..") != std::string::npos)
        return {};
    return text;
}

std::vector<std::string> applicationDirs()
{
    std::vector<std::string> dirs;
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home && *home)
        dirs.push_back(std::string(home) + "/applications");
    else if (const char* h = std::getenv("HOME"))
        dirs.push_back(std::string(h) + "/.local/share/applications");
    const char* data = std::getenv("XDG_DATA_DIRS");
    std::string list = data && *data ? data : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            dirs.push_back(list.substr(start, end - start) + "/applications");
        start = end + 1;
    }
    return dirs;
}

std::string execLineOf(const std::string& desktopFile)
{
    std::ifstream in(desktopFile);
    std::string line;
    bool mainGroup = false;
    for (int lines = 0; lines < 2000 && std::getline(in, line); ++lines) {
        if (!line.empty() && line[0] == '[')
            mainGroup = line == "[Desktop Entry]";
        else if (mainGroup && line.rfind("Exec=", 0) == 0)
            return line.substr(5);
    }
    return {};
}

} // namespace

std::string programOfExecLine(const std::string& exec)
{
    size_t i = exec.find_first_not_of(" \t");
    if (i == std::string::npos)
        return {};
    std::string word;
    const char quote = exec[i] == '"' ? '"' : '\0';
    if (quote)
        ++i;
    for (; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quote ? c == quote : (c == ' ' || c == '\t'))
            break;
        if (quote && c == '\\' && i + 1 < exec.size())
            ++i;
        word += exec[i];
    }
    return word;
}

std::string findStreamPlayer()
{
    if (const char* forced = std::getenv(kPlayerVariable); forced && *forced)
        return forced;
    const std::string entry = defaultDesktopEntry("video/mp2t");
    if (!entry.empty()) {
        for (const std::string& dir : applicationDirs()) {
            const std::string exec = execLineOf(dir + "/" + entry);
            if (exec.empty())
                continue;
            const std::string program = desktop::findProgram(programOfExecLine(exec));
            if (!program.empty())
                return program;
            break;
        }
    }
    for (const char* name : {"vlc", "mpv", "ffplay", "celluloid", "totem", "smplayer", "mplayer"}) {
        const std::string program = desktop::findProgram(name);
        if (!program.empty())
            return program;
    }
    return {};
}

} // namespace zd
