// The version service's reply, as the update check reads it.
#include "cnetwork.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reply arrives in a zeroed 1024-byte buffer, or not at all.
    char reply[1024];
    std::memset(reply, 0, sizeof reply);
    std::memcpy(reply, data, size < sizeof reply ? size : sizeof reply);
    QString version;
    int number = 0;
    int build = 0;
    ParseVersionReply(reply, int(sizeof reply), version, number, build);

    // Also straight from a buffer of exactly the reply's size, no terminator.
    std::vector<char> exact(data, data + size);
    ParseVersionReply(exact.data(), int(exact.size()), version, number, build);
    return 0;
}
