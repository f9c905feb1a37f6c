// The agent's request lines on arbitrary text: whatever the lines say, every
// setting stays terminated within its 256 bytes, the program is the agent's
// own server or the USB keyword, and the log stays in the request folder.
#include "launch.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

// The agent tells on standard output why it refuses a line, which here would
// be a line for nearly every input.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!std::freopen("/dev/null", "w", stdout))
        std::fclose(stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static AgentSettings start;
    static bool ready = InitAgentSettings(start, "/opt/zd/bin/plugwarden", "/var/cache/veltrano");
    if (!ready)
        __builtin_trap();
    AgentSettings s = start;
    ApplyRequestLines(s, reinterpret_cast<const char*>(data), size);
    for (const char* setting : {s.exepath, s.srvname, s.srvlog})
        if (!std::memchr(setting, '\0', kSettingBytes))
            __builtin_trap();
    if (std::strcmp(s.exepath, s.ownServer) != 0 && std::strcmp(s.exepath, kUsbKeyword) != 0)
        __builtin_trap();
    if (std::strncmp(s.srvlog, "/var/cache/veltrano/", 20) != 0 || std::strchr(s.srvlog + 20, '/'))
        __builtin_trap();
    return 0;
}
