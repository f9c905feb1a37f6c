#include "liveinfo.h"

#include <QByteArray>
#include <cstring>

int LiveServerCount(void* handle)
{
    int n = 0;
    ZD_GetLiveInfo(handle, nullptr, &n);
    if (n < 1 || n > kMaxLiveServers)
        return 0;
    return n;
}

std::vector<RTMPSERVERPARAM> ReadLiveServers(void* handle, int capacity)
{
    if (capacity < 1 || capacity > kMaxLiveServers)
        return {};
    // Value-initialised: every record is zero when handed to the engine.
    std::vector<RTMPSERVERPARAM> servers(static_cast<size_t>(capacity));
    int n = capacity;
    if (ZD_GetLiveInfo(handle, servers.data(), &n) == 0 || n < 1)
        return {};
    servers.resize(size_t(qMin(n, capacity)));
    return servers;
}

std::vector<RTMPSERVERPARAM> ReadLiveServers(void* handle)
{
    return ReadLiveServers(handle, LiveServerCount(handle));
}

QString LiveServerName(const RTMPSERVERPARAM& server)
{
    const void* nul = std::memchr(server.name, 0, sizeof server.name);
    const qsizetype length =
        nul ? static_cast<const char*>(nul) - server.name : qsizetype(sizeof server.name);
    return QString::fromUtf8(server.name, length);
}
