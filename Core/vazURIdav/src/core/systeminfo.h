// What the engine reports about the program and the machine: the program's
// share of the processors and of the memory, and the system language.
#pragma once

#include <string>

namespace zd
{

class SystemInfo
{
public:
    // This process's share of all the machine's processors, in percent (100
    // = every processor busy with it), since the previous call (since the
    // process started at the first), from <proc>/self/stat and <proc>/stat.
    // False when it cannot be read.
    static bool processCpuPercent(double& percent);
    // This process's resident memory as a fraction of the machine's, from
    // <proc>/self/status and <proc>/meminfo.
    static bool processMemoryFraction(double& fraction);
    // Folder read in place of /proc; empty restores /proc.
    static void setProcRoot(const std::string& folder);

    // The language of LC_ALL, LC_MESSAGES or LANG (the first one set) as a
    // lower-case English word.
    static std::string languageWord();
    static std::string languageWord(const std::string& locale);
};

} // namespace zd
