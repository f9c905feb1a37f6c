// Starting and stopping the peers the tests and benchmarks run (nginx,
// PulseAudio, parec): an argument vector, never a shell, and a stop by PID.
// Plain C++, so that the benchmarks without Qt use the same code.
#pragma once

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zdtest
{

// A program started with an argument vector, its output into outPath (empty:
// the caller's own), environment env on top of ours.
inline pid_t spawnProgram(const std::vector<std::string>& args, const std::string& outPath = {},
                          const std::vector<std::string>& env = {})
{
    std::vector<std::string> mutableArgs = args;
    std::vector<char*> argv;
    for (auto& a : mutableArgs)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = env;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e); // the first of a name wins
    std::vector<char*> envp;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outPath.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline void stopProgram(pid_t& pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// Whether name is an executable in one of PATH's folders.
inline bool onPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace zdtest
