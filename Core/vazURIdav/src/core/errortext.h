// Texts of the engine's error codes (the lParam of 8975).
#pragma once

namespace zd
{

// The engine's error codes.
enum EngineError : int {
    kErrorOpenFailed = 1,
    kErrorDeviceBusy = 2,
    kErrorFormatRefused = 3,
    kErrorNoPicture = 4,
    kErrorNoMemory = 5,
    kErrorDeviceRemoved = 6,
    kErrorPreviewWindow = 7,
    kErrorDecoder = 8,
};

class ErrorText
{
public:
    // UTF-8 text of code, or null for a code the engine does not use.
    static const char* text(int code);
};

} // namespace zd
