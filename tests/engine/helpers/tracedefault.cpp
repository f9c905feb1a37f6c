// Calls the engine as the program does, with no test control before, and
// prints the length of the call trace then (the program keeps none), and the
// trace of one call made after reading it turned the trace on.
#include "vazURIdav_test.h"

#include <cstdio>
#include <string>

int main()
{
    GA_TrackClick("before");
    double cpu = 0, memory = 0;
    ZD_GetCpuUsageAndMemory(&cpu, &memory);
    std::printf("%d\n", ZDT_ReadTrace(nullptr, 0));
    GA_TrackClick("after");
    std::string trace(size_t(ZDT_ReadTrace(nullptr, 0)) + 1, '\0');
    ZDT_ReadTrace(trace.data(), int(trace.size()));
    std::printf("%s", trace.c_str());
    return 0;
}
