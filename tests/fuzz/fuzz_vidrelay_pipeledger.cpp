// The capture server's pipe ledger on arbitrary text: whatever the file
// holds, the server only ever removes pipes at its own pipe paths under /tmp,
// and keeps a bounded number of them.
#include "pipeledger.h"
#include "zdrelayprotocol.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto entries = PipeLedger::parse(reinterpret_cast<const char*>(data), size);
    if (entries.size() > PipeLedger::kMaxEntries)
        __builtin_trap();
    const size_t prefix = std::strlen(zdrelay::kPipePathPrefix);
    for (const PipeLedger::Entry& e : entries) {
        const std::string& p = e.path;
        if (p.compare(0, prefix, zdrelay::kPipePathPrefix) != 0 ||
            !zdrelay::validPipeName(p.c_str() + prefix, p.size() - prefix + 1) ||
            p.find('/', prefix) != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
