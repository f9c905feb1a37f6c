// Localised texts the application hands the engine (ZD_SetLocalString).
#pragma once

#include <string>

namespace zd
{

class LocalStrings
{
public:
    static constexpr size_t kMaxTextBytes = 4096;
    static constexpr int kMaxId = 1000;

    // False for an id outside 0..kMaxId.
    static bool set(int id, const std::string& text);
    static std::string get(int id);
};

} // namespace zd
