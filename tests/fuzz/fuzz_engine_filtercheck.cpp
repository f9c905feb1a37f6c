// The engine's check of filter strings (which come from .filter files and
// from what the user types) on arbitrary text.
#include "filters/filtercheck.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    // The chains hand the engine at most one cmd field's worth of text.
    const std::string text(reinterpret_cast<const char*>(data), size < 511 ? size : 511);
    std::string why;
    zd::checkVideoFilter(text.c_str(), why);
    zd::isEmptyFilter(text);
    return 0;
}
