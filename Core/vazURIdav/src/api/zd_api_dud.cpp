// The share server's addresses and the player of its live picture.
#include "api/apientry.h"
#include "share/streamplayer.h"

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

using namespace zd;
using namespace zd::api;

namespace
{

// The first IPv4 address of an interface that is up and not the loopback,
// which other machines of the network reach; the loopback address otherwise.
std::string networkAddress()
{
    std::string found = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return found;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP) ||
            (a->ifa_flags & IFF_LOOPBACK))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) {
            found = text;
            break;
        }
    }
    ::freeifaddrs(list);
    return found;
}

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
