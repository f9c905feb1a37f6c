// The news service's reply, as the engine reads it into the news record.
#include "service/newsreply.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    POPUP_AD_DATA record;
    if (zd::parseNewsReply(reinterpret_cast<const char*>(data), size, record)) {
        // The address field always ends inside itself.
        if (strnlen(record.url, sizeof record.url) >= sizeof record.url)
            __builtin_trap();
    }
    return 0;
}
