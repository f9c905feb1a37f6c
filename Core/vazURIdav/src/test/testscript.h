// Results that tests script for named calls (ZDT_ScriptResult).
#pragma once

namespace zd
{

class TestScript
{
public:
    static void set(const char* call, long long value);
    // null clears every script.
    static void clear(const char* call);
    // The scripted result of call, if any.
    static bool lookup(const char* call, long long& value);
};

} // namespace zd
