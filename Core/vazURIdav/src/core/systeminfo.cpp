#include "core/systeminfo.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace zd
{

namespace
{

struct CpuState {
    std::mutex mutex;
    std::string procRoot = "/proc";
    bool started = false;
    unsigned long long lastProcessTicks = 0;
    unsigned long long lastTotalTicks = 0;
};

CpuState& cpuState()
{
    static CpuState* s = new CpuState;
    return *s;
}

std::string procRoot()
{
    std::lock_guard<std::mutex> lock(cpuState().mutex);
    return cpuState().procRoot;
}

// The first line of a small /proc file, or false.
bool readFirstLine(const std::string& path, char* line, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "re");
    if (!f)
        return false;
    const bool read = std::fgets(line, static_cast<int>(size), f) != nullptr;
    std::fclose(f);
    return read;
}

// Ticks of all processors together (the "cpu" line of <proc>/stat) and the
// number of processors (its "cpuN" lines).
bool machineTicks(const std::string& root, unsigned long long& total, int& processors)
{
    FILE* f = std::fopen((root + "/stat").c_str(), "re");
    if (!f)
        return false;
    char line[512];
    bool found = false;
    processors = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "cpu ", 4) == 0) {
            // user nice system idle iowait irq softirq steal.
            unsigned long long v[8] = {};
            const int n = std::sscanf(line + 4, "%llu %llu %llu %llu %llu %llu %llu %llu", &v[0],
                                      &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
            if (n < 4)
                break;
            total = 0;
            for (int i = 0; i < n; ++i)
                total += v[i];
            found = true;
        } else if (std::strncmp(line, "cpu", 3) == 0 &&
                   std::isdigit(static_cast<unsigned char>(line[3]))) {
            ++processors;
        } else if (found) {
            break;
        }
    }
    std::fclose(f);
    if (processors == 0)
        processors = 1;
    return found;
}

// This process's user and system ticks, and the tick after boot at which it
// started, from <proc>/self/stat.
bool processTicks(const std::string& root, unsigned long long& ticks, unsigned long long& startTick)
{
    char line[1024];
    if (!readFirstLine(root + "/self/stat", line, sizeof line))
        return false;
    // The command name in brackets may hold blanks and brackets: the fields
    // follow the last closing bracket, the state being field 3.
    const char* close = std::strrchr(line, ')');
    if (!close)
        return false;
    unsigned long long field[20] = {};
    int n = 0;
    const char* p = close + 1;
    while (n < 20) {
        while (*p == ' ')
            ++p;
        if (!*p || *p == '\n')
            break;
        char* end = nullptr;
        field[n++] = std::strtoull(p, &end, 10);
        if (end == p) { // the state letter
            while (*p && *p != ' ')
                ++p;
        } else {
            p = end;
        }
    }
    // Fields 14 (utime), 15 (stime) and 22 (starttime).
    if (n < 20)
        return false;
    ticks = field[11] + field[12];
    startTick = field[19];
    return true;
}

} // namespace

void SystemInfo::setProcRoot(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(cpuState().mutex);
    cpuState().procRoot = folder.empty() ? "/proc" : folder;
    cpuState().started = false;
    cpuState().lastProcessTicks = 0;
    cpuState().lastTotalTicks = 0;
}

bool SystemInfo::processCpuPercent(double& percent)
{
    const std::string root = procRoot();
    unsigned long long total = 0, ticks = 0, startTick = 0;
    int processors = 1;
    if (!machineTicks(root, total, processors) || !processTicks(root, ticks, startTick))
        return false;

    std::lock_guard<std::mutex> lock(cpuState().mutex);
    CpuState& s = cpuState();
    double busy = 0.0, all = 0.0;
    if (s.started && total >= s.lastTotalTicks && ticks >= s.lastProcessTicks) {
        busy = static_cast<double>(ticks - s.lastProcessTicks);
        all = static_cast<double>(total - s.lastTotalTicks);
    } else {
        // Since the process started: its ticks against every processor's
        // ticks from then until now.
        char line[128];
        double uptime = 0.0;
        if (!readFirstLine(root + "/uptime", line, sizeof line) ||
            std::sscanf(line, "%lf", &uptime) != 1)
            return false;
        const double hz = static_cast<double>(sysconf(_SC_CLK_TCK));
        const double lived = uptime * hz - static_cast<double>(startTick);
        busy = static_cast<double>(ticks);
        all = lived > 0 ? lived * processors : 0.0;
    }
    s.started = true;
    s.lastProcessTicks = ticks;
    s.lastTotalTicks = total;
    percent = all > 0 ? std::clamp(100.0 * busy / all, 0.0, 100.0) : 0.0;
    return true;
}

bool SystemInfo::processMemoryFraction(double& fraction)
{
    const std::string root = procRoot();
    unsigned long long total = 0, resident = 0;
    bool haveResident = false;
    char line[256];
    if (FILE* f = std::fopen((root + "/meminfo").c_str(), "re")) {
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "MemTotal: %llu", &total) == 1)
                break;
        }
        std::fclose(f);
    }
    if (FILE* f = std::fopen((root + "/self/status").c_str(), "re")) {
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "VmRSS: %llu", &resident) == 1) {
                haveResident = true;
                break;
            }
        }
        std::fclose(f);
    }
    if (total == 0 || !haveResident)
        return false;
    fraction = std::min(1.0, static_cast<double>(resident) / static_cast<double>(total));
    return true;
}

std::string SystemInfo::languageWord()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && value[0])
            return languageWord(std::string(value, strnlen(value, 256)));
    }
    return languageWord(std::string());
}

std::string SystemInfo::languageWord(const std::string& locale)
{
    // The language part: "zh_CN.UTF-8" -> "zh".
    std::string code;
    for (char c : locale) {
        if (!std::isalpha(static_cast<unsigned char>(c)))
            break;
        code += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    static const struct {
        const char* code;
        const char* word;
    } words[] = {{"zh", "chinese"},    {"en", "english"}, {"ja", "japanese"}, {"ko", "korean"},
                 {"de", "german"},     {"fr", "french"},  {"es", "spanish"},  {"it", "italian"},
                 {"pt", "portuguese"}, {"ru", "russian"}};
    for (const auto& w : words) {
        if (code == w.code)
            return w.word;
    }
    // C, POSIX, empty and every language without a word of its own.
    return "english";
}

} // namespace zd
