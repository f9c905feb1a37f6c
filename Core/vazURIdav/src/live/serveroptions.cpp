#include "live/serveroptions.h"

#include "core/text.h"

#include <cstdlib>

namespace zd::live
{

std::string trustedCaFile()
{
    const char* chosen = std::getenv(kCaFileVariable);
    return chosen && *chosen ? std::string(chosen) : std::string(kSystemCaFile);
}

AVDictionary* serverOpenOptions(const std::string& url)
{
    if (!startsWithNoCase(url, "rtmps://"))
        return nullptr;
    // Without a CA file the OpenSSL build of the TLS layer would trust
    // nothing and the GnuTLS build the library's own default: naming it
    // keeps one store whichever FFmpeg is installed. A file that cannot be
    // read leaves no authority, so the server is refused, never trusted.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "tls_verify", "1", 0);
    av_dict_set(&options, "ca_file", trustedCaFile().c_str(), 0);
    return options;
}

} // namespace zd::live
