// Finding share servers on the local network by DNS-SD over multicast DNS,
// through the Avahi daemon: the running server is announced as a service of
// type kServiceType (its TXT record says whether the live picture runs), and
// a search browses for the others for a bounded time and reports them with
// 36970, after this machine's own running server. Without a reachable daemon
// nothing is announced and a search reports at once: this machine's server
// alone, or an empty answer.
#pragma once

#include "core/enginecomponent.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AvahiThreadedPoll;
struct AvahiClient;
struct AvahiEntryGroup;

namespace zd
{

class Engine;

struct DudFoundServer {
    std::string address; // host:port
    std::string name;
    bool live = false;
};

// The search reply: "<DUD>" + the first server's address + "</DUD>", then
// "<DUD-LIVE>" + address + "|" + name + "</DUD-LIVE>" for each server
// sharing its live picture; names lose the characters "<" and ">" that would
// end an item early.
std::string dudSearchReply(const std::vector<DudFoundServer>& servers);

class DudDiscovery : public EngineComponent
{
public:
    static constexpr const char* kServiceType = "_vudaz-dud._tcp";
    // How long a search listens for answers.
    static constexpr int kSearchMs = 2500;

    explicit DudDiscovery(Engine& engine);
    ~DudDiscovery() override;
    void stop() override;

    // Announces the server on port (again, with the live flag changed);
    // false when no daemon is reachable.
    bool announce(int port, bool live);
    void withdraw();

    // Starts a search whose result goes to target as 36970. The server of
    // this machine on ownPort (0: none) is named first, at its network
    // address, and is not among the live shares of others.
    bool search(void* target, int ownPort);

private:
    struct Search {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void runSearch(void* target, int ownPort, std::shared_ptr<std::atomic<bool>> done);
    void withdrawLocked();

    Engine& m_engine;
    std::mutex m_mutex;
    bool m_stopped = false;
    std::atomic<bool> m_stopping{false};
    std::vector<Search> m_searches;
    AvahiThreadedPoll* m_poll = nullptr;
    AvahiClient* m_client = nullptr;
    AvahiEntryGroup* m_group = nullptr;
};

} // namespace zd
