// The capture server's request record on arbitrary bytes: an accepted record
// always names a pipe "pipe_" and digits, with a known command and kind.
#include "relayrequest.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdrelay::RequestRecord r = {};
    std::string why;
    if (!parseRelayRequest(data, size, r, why))
        return 0;
    const size_t length = strnlen(r.pipeName, sizeof r.pipeName);
    if (length == sizeof r.pipeName || std::strncmp(r.pipeName, "pipe_", 5) != 0 ||
        std::strspn(r.pipeName + 5, "0123456789") != length - 5 || length < 6)
        __builtin_trap();
    if ((r.command != 1 && r.command != 2) || (r.kind != 0 && r.kind != 1))
        __builtin_trap();
    return 0;
}
