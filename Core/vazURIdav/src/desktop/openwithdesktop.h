// Opening a file with the desktop's default program (the player for a video,
// the viewer for a picture): the program is started with an argument vector,
// never through a shell, so no character of a file name is ever interpreted.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zd::desktop
{

// Longest path handed over, in bytes without the terminator.
constexpr size_t kMaxOpenPathBytes = 4095;

// Environment variable that names another program to start in place of
// xdg-open (tests point it at a script that records its arguments).
constexpr const char* kOpenerVariable = "VAZURIDAV_OPENER";

// Starts the opener with the path as its one argument. The path must be
// absolute and name an existing regular file: a relative text or a URL would
// let the opener reach something other than a file of ours. True when the
// program was started; the opener's own success is not waited for.
bool openWithDesktop(const char* path) noexcept;

// An executable file named by a path with "/", or found in $PATH; empty when
// there is none.
std::string findProgram(const std::string& name);

// Starts args[0] (a path) with the arguments that follow and the engine's
// environment, never through a shell; the child gets standard input from
// /dev/null and none of the engine's other descriptors. False, logged, when
// it could not be started.
bool spawnProgram(const std::vector<std::string>& args, pid_t& pid);

// The same, waiting for its end: the exit status, -1 when it did not start
// or did not end normally.
int runProgram(const std::vector<std::string>& args);

} // namespace zd::desktop
