// Texts of the engine's error codes (the lParam of 8975).
#pragma once

namespace zd
{

class ErrorText
{
public:
    // UTF-8 text of code, or null for a code the engine does not use.
    static const char* text(int code);
};

} // namespace zd
