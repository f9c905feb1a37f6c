// What the engine reports about the machine: processor and memory use, and
// the system language.
#pragma once

#include <string>

namespace zd
{

class SystemInfo
{
public:
    // System processor use in percent since the previous call (since boot at
    // the first), from <proc>/stat. False when it cannot be read.
    static bool cpuPercent(double& percent);
    // Memory in use as a fraction of 1, from <proc>/meminfo.
    static bool memoryFraction(double& fraction);
    // Folder read in place of /proc; empty restores /proc.
    static void setProcRoot(const std::string& folder);

    // The language of LC_ALL, LC_MESSAGES or LANG (the first one set) as a
    // lower-case English word.
    static std::string languageWord();
    static std::string languageWord(const std::string& locale);
};

} // namespace zd
