// The engine's log: one line per call appended to <application data>/Log.txt.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace zd
{

class Log
{
public:
    // Longest line written, timestamp and level included; longer text is cut.
    static constexpr size_t kMaxLineBytes = 2048;

    // Folder of Log.txt; empty selects the default folder.
    static void setFolder(const std::string& folder);
    static std::string folder();

    static void write(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
    static void writev(int level, const char* format, va_list args);
};

// Creates folder and its missing parents (mode 0755); true when it exists.
bool makeFolders(const std::string& folder);

} // namespace zd
