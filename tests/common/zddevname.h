// A device as the application names it to the engine, for the tests and the
// benchmarks alike. Plain C++ on the engine's contract.
#pragma once

#include "vazURIdav.h"

#include <cstdint>
#include <cstring>

inline DEV_NAME devName(const char* name, const char* path, uint32_t kind)
{
    DEV_NAME d{};
    std::strncpy(d.name, name, sizeof d.name - 1);
    std::strncpy(d.path, path, sizeof d.path - 1);
    d.kind = kind;
    return d;
}
