// The program that plays the share server's live picture here: the desktop's
// handler for MPEG-TS streams, else the first known player found, looked up
// without a shell.
#pragma once

#include <string>

namespace zd
{

// Environment variable naming the player to report in place of the desktop's
// (tests point it at a script that records its arguments).
constexpr const char* kPlayerVariable = "VAZURIDAV_PLAYER";

// The player's absolute path, or empty when none is installed.
std::string findStreamPlayer();

// The program of a desktop entry's Exec line: its first word, unquoted.
std::string programOfExecLine(const std::string& exec);

} // namespace zd
