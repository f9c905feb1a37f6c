#include "core/systeminfo.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace zd
{

namespace
{

struct CpuState {
    std::mutex mutex;
    std::string procRoot = "/proc";
    unsigned long long lastTotal = 0;
    unsigned long long lastIdle = 0;
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

} // namespace

void SystemInfo::setProcRoot(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(cpuState().mutex);
    cpuState().procRoot = folder.empty() ? "/proc" : folder;
    cpuState().lastTotal = 0;
    cpuState().lastIdle = 0;
}

bool SystemInfo::cpuPercent(double& percent)
{
    const std::string path = procRoot() + "/stat";
    FILE* f = std::fopen(path.c_str(), "re");
    if (!f)
        return false;
    char line[512];
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read || std::strncmp(line, "cpu ", 4) != 0)
        return false;

    // user nice system idle iowait irq softirq steal: idle and iowait are idle.
    unsigned long long v[8] = {};
    const int n = std::sscanf(line + 4, "%llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1],
                              &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
    if (n < 4)
        return false;
    unsigned long long total = 0;
    for (int i = 0; i < n; ++i)
        total += v[i];
    const unsigned long long idle = v[3] + (n > 4 ? v[4] : 0);

    std::lock_guard<std::mutex> lock(cpuState().mutex);
    CpuState& s = cpuState();
    const bool forward = total >= s.lastTotal && idle >= s.lastIdle;
    const unsigned long long dTotal = forward ? total - s.lastTotal : total;
    const unsigned long long dIdle = forward ? idle - s.lastIdle : idle;
    s.lastTotal = total;
    s.lastIdle = idle;
    if (dTotal == 0) {
        percent = 0.0;
        return true;
    }
    const double busy = static_cast<double>(dTotal - (dIdle > dTotal ? dTotal : dIdle));
    percent = 100.0 * busy / static_cast<double>(dTotal);
    return true;
}

bool SystemInfo::memoryFraction(double& fraction)
{
    const std::string path = procRoot() + "/meminfo";
    FILE* f = std::fopen(path.c_str(), "re");
    if (!f)
        return false;
    unsigned long long total = 0, available = 0, freeKb = 0, buffers = 0, cached = 0;
    bool haveAvailable = false;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long value = 0;
        char name[64] = {};
        if (std::sscanf(line, "%63[^:]: %llu", name, &value) != 2)
            continue;
        if (!std::strcmp(name, "MemTotal"))
            total = value;
        else if (!std::strcmp(name, "MemAvailable")) {
            available = value;
            haveAvailable = true;
        } else if (!std::strcmp(name, "MemFree"))
            freeKb = value;
        else if (!std::strcmp(name, "Buffers"))
            buffers = value;
        else if (!std::strcmp(name, "Cached"))
            cached = value;
    }
    std::fclose(f);
    if (total == 0)
        return false;
    if (!haveAvailable)
        available = freeKb + buffers + cached;
    if (available > total)
        available = total;
    fraction = static_cast<double>(total - available) / static_cast<double>(total);
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
