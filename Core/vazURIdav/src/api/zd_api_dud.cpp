// The share server's addresses and the player of its live picture.
#include "api/apientry.h"
#include "share/networkaddress.h"
#include "share/streamplayer.h"

#include <cstring>

using namespace zd;
using namespace zd::api;

namespace
{

void copyText(char* out, const std::string& text)
{
    if (!out)
        return;
    // A text that does not fit whole is not handed over cut.
    if (text.size() >= ZD_TEXT_BUFFER_BYTES) {
        out[0] = '\0';
        return;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
}

} // namespace

extern "C" {

ZD_API int ZD_GetDUDLinks(char* link1, char* link2, int port, char* playerPath)
{
    ZD_TRACE("ZD_GetDUDLinks(port=%d)", port);
    return guarded("ZD_GetDUDLinks", 0, [&] {
        for (char* text : {link1, link2, playerPath}) {
            if (text)
                text[0] = '\0';
        }
        if (port <= 0 || port > 65535)
            return 0;
        const std::string base = "http://" + networkAddress() + ":" + std::to_string(port);
        copyText(link1, base + "/");
        copyText(link2, base + "/preview");
        copyText(playerPath, findStreamPlayer());
        return 1;
    });
}

} // extern "C"
