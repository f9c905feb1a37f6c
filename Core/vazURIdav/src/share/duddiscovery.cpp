#include "share/duddiscovery.h"

#include "core/engine.h"
#include "core/log.h"
#include "media/enginethread.h"
#include "share/networkaddress.h"
#include "vazURIdav_reports.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/thread-watch.h>

#include <chrono>
#include <cstring>
#include <unistd.h>

namespace zd
{

namespace
{

std::string itemName(const std::string& name)
{
    std::string out;
    for (char c : name)
        out += (c == '<' || c == '>' || c == '\0') ? ' ' : c;
    return out;
}

// The machine's name and the port: service names must be unique on the
// network, and one machine may run several servers.
std::string serviceName(int port)
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !host[0])
        std::strcpy(host, "Vudaz Iveravovi Vuvev");
    return std::string(host) + " " + std::to_string(port);
}

// What one search collects, on its own poll thread.
struct SearchState {
    AvahiSimplePoll* poll = nullptr;
    int ownPort = 0; // this engine's server, named apart
    std::vector<DudFoundServer> servers;
    int resolving = 0;
    bool allForNow = false;
    bool failed = false;
};

void resolved(AvahiServiceResolver* r, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
              const char* name, const char*, const char*, const char*, const AvahiAddress* address,
              uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags flags, void* user)
{
    auto* state = static_cast<SearchState*>(user);
    const bool own = (flags & AVAHI_LOOKUP_RESULT_LOCAL) && port == state->ownPort;
    if (event == AVAHI_RESOLVER_FOUND && address && !own) {
        char text[AVAHI_ADDRESS_STR_MAX] = {};
        avahi_address_snprint(text, sizeof text, address);
        DudFoundServer server;
        server.address = std::string(text) + ":" + std::to_string(port);
        server.name = name ? name : "";
        server.live = avahi_string_list_find(txt, "live=1") != nullptr;
        bool known = false;
        for (const DudFoundServer& s : state->servers)
            known = known || s.address == server.address;
        if (!known)
            state->servers.push_back(std::move(server));
    }
    --state->resolving;
    avahi_service_resolver_free(r);
}

void browsed(AvahiServiceBrowser* b, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags flags, void* user)
{
    auto* state = static_cast<SearchState*>(user);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        // This engine's own server is left out once resolved (by its port
        // on this machine).
        (void)flags;
        if (avahi_service_resolver_new(avahi_service_browser_get_client(b), interface, protocol,
                                       name, type, domain, AVAHI_PROTO_INET,
                                       static_cast<AvahiLookupFlags>(0), &resolved, state))
            ++state->resolving;
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
        state->allForNow = true;
        break;
    case AVAHI_BROWSER_FAILURE:
        state->failed = true;
        break;
    default:
        break;
    }
}

void groupChanged(AvahiEntryGroup*, AvahiEntryGroupState state, void*)
{
    if (state == AVAHI_ENTRY_GROUP_COLLISION || state == AVAHI_ENTRY_GROUP_FAILURE)
        Log::write(8, "Share server: its announcement failed");
}

void clientChanged(AvahiClient*, AvahiClientState, void*) {}

} // namespace

std::string dudSearchReply(const std::vector<DudFoundServer>& servers)
{
    if (servers.empty())
        return {};
    std::string reply = "<DUD>" + itemName(servers.front().address) + "</DUD>";
    for (const DudFoundServer& s : servers)
        if (s.live)
            reply += "<DUD-LIVE>" + itemName(s.address) + "|" + itemName(s.name) + "</DUD-LIVE>";
    return reply;
}

DudDiscovery::DudDiscovery(Engine& engine) : m_engine(engine) {}

DudDiscovery::~DudDiscovery()
{
    stop();
}

void DudDiscovery::stop()
{
    std::vector<Search> searches;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        m_stopping = true;
        searches = std::move(m_searches);
        withdrawLocked();
    }
    for (Search& s : searches)
        if (s.thread.joinable())
            s.thread.join();
}

bool DudDiscovery::announce(int port, bool live)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped)
        return false;
    withdrawLocked();
    m_poll = avahi_threaded_poll_new();
    if (!m_poll)
        return false;
    int error = 0;
    m_client = avahi_client_new(avahi_threaded_poll_get(m_poll), static_cast<AvahiClientFlags>(0),
                                &clientChanged, nullptr, &error);
    if (!m_client) {
        Log::write(2, "Share server: not announced, no mDNS daemon (%s)", avahi_strerror(error));
        withdrawLocked();
        return false;
    }
    m_group = avahi_entry_group_new(m_client, &groupChanged, nullptr);
    AvahiStringList* txt =
        avahi_string_list_add(avahi_string_list_add(nullptr, "path=/"), live ? "live=1" : "live=0");
    const bool added = m_group &&
                       avahi_entry_group_add_service_strlst(
                           m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                           static_cast<AvahiPublishFlags>(0), serviceName(port).c_str(),
                           kServiceType, nullptr, nullptr, static_cast<uint16_t>(port), txt) == 0 &&
                       avahi_entry_group_commit(m_group) == 0;
    avahi_string_list_free(txt);
    if (!added || avahi_threaded_poll_start(m_poll) != 0) {
        Log::write(8, "Share server: the announcement was refused");
        withdrawLocked();
        return false;
    }
    return true;
}

void DudDiscovery::withdraw()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    withdrawLocked();
}

void DudDiscovery::withdrawLocked()
{
    if (m_poll)
        avahi_threaded_poll_stop(m_poll); // a poll never started returns at once
    if (m_client)
        avahi_client_free(m_client); // frees the group with it
    if (m_poll)
        avahi_threaded_poll_free(m_poll);
    m_group = nullptr;
    m_client = nullptr;
    m_poll = nullptr;
}

bool DudDiscovery::search(void* target, int ownPort)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopped)
        return false;
    // Searches that ended are joined here.
    for (auto it = m_searches.begin(); it != m_searches.end();) {
        if (*it->done) {
            it->thread.join();
            it = m_searches.erase(it);
        } else {
            ++it;
        }
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    Search s;
    s.done = done;
    s.thread = media::startEngineThread(
        [this, target, ownPort, done] { runSearch(target, ownPort, done); });
    m_searches.push_back(std::move(s));
    return true;
}

void DudDiscovery::runSearch(void* target, int ownPort, std::shared_ptr<std::atomic<bool>> done)
{
    SearchState state;
    state.ownPort = ownPort;
    state.poll = avahi_simple_poll_new();
    int error = 0;
    AvahiClient* client = state.poll ? avahi_client_new(avahi_simple_poll_get(state.poll),
                                                        static_cast<AvahiClientFlags>(0),
                                                        &clientChanged, nullptr, &error)
                                     : nullptr;
    AvahiServiceBrowser* browser =
        client
            ? avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, kServiceType,
                                        nullptr, static_cast<AvahiLookupFlags>(0), &browsed, &state)
            : nullptr;
    if (!client)
        Log::write(2, "Share server search: no mDNS daemon (%s)", avahi_strerror(error));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSearchMs);
    while (browser && !m_stopping && !state.failed && std::chrono::steady_clock::now() < deadline) {
        // Every answer cached and every resolution done: nothing more comes
        // soon, so the user is not kept waiting.
        if (state.allForNow && state.resolving == 0)
            break;
        if (avahi_simple_poll_iterate(state.poll, 100) < 0)
            break;
    }
    if (browser)
        avahi_service_browser_free(browser);
    if (client)
        avahi_client_free(client); // frees resolvers still running
    if (state.poll)
        avahi_simple_poll_free(state.poll);
    if (!m_stopping) {
        // The server of this machine comes first, found or not: it is the
        // address the user opens on a phone, and without an mDNS daemon
        // nothing else would name it.
        if (ownPort > 0) {
            DudFoundServer own;
            own.address = networkAddress() + ":" + std::to_string(ownPort);
            own.name = serviceName(ownPort);
            state.servers.insert(state.servers.begin(), std::move(own));
        }
        const std::string reply = dudSearchReply(state.servers);
        m_engine.postText(target, ZD_MSG_DUD_SEARCH_DONE, state.servers.empty() ? 0 : 1, reply,
                          Engine::TextInLParam);
    }
    *done = true;
}

} // namespace zd
