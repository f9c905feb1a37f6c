// The engine's zip reader on arbitrary archives: libarchive's reading of the
// format under the reader's own checks of names, kinds, sizes and limits, in
// memory.
#include "zip/zipreader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace
{

// Every name the reader lets through stays below the target folder.
void checkName(const std::string& name)
{
    const std::string wrapped = "/" + name + "/";
    if (name.empty() || name[0] == '/' || wrapped.find("/../") != std::string::npos ||
        wrapped.find("/./") != std::string::npos || wrapped.find("//") != std::string::npos ||
        name.find('\\') != std::string::npos || name.find('\0') != std::string::npos)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zd::ZipReader reader;
    if (reader.open(data, size) != zd::kZipOk)
        return 0;
    for (const zd::ZipEntry& entry : reader.entries())
        checkName(entry.name);
    // The second reading hands over the same entries with their bytes.
    size_t index = 0;
    reader.forEach([&](const zd::ZipEntry& entry, const std::string& bytes) {
        const zd::ZipEntry& listed = reader.entries().at(index++);
        if (entry.name != listed.name || entry.isDirectory != listed.isDirectory ||
            bytes.size() != entry.bytes)
            __builtin_trap();
        return 0;
    });
    std::string name;
    bool folder = false;
    zd::ZipReader::normalizeName(
        std::string_view(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096), name,
        folder);
    return 0;
}
