// The engine's zip reader on arbitrary archives: the central directory, the
// entry names and kinds, and the inflating of each entry, in memory.
#include "zip/zipreader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zd::ZipReader reader;
    if (reader.open(data, size) != zd::kZipOk)
        return 0;
    std::string bytes;
    for (const zd::ZipEntry& entry : reader.entries()) {
        // Every name the reader lets through stays below the target folder.
        const std::string wrapped = "/" + entry.name + "/";
        if (entry.name.empty() || entry.name[0] == '/' ||
            wrapped.find("/../") != std::string::npos || wrapped.find("/./") != std::string::npos ||
            wrapped.find("//") != std::string::npos || entry.name.find('\\') != std::string::npos)
            __builtin_trap();
        // Large entries only cost time here; the limits are the reader's own.
        if (!entry.isDirectory && entry.bytes <= (1u << 20))
            reader.read(entry, bytes);
    }
    std::string name;
    bool folder = false;
    zd::ZipReader::normalizeName(
        std::string_view(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096), name,
        folder);
    return 0;
}
