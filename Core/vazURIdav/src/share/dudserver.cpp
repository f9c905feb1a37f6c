#include "share/dudserver.h"

#include "core/engine.h"
#include "core/log.h"
#include "share/dudlive.h"
#include "share/dudrequest.h"
#include "share/fmp4stream.h"
#include "share/tsbroadcast.h"

#include <microhttpd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zd
{

namespace
{

MHD_Result handleRequest(void* cls, MHD_Connection* connection, const char* url, const char* method,
                         const char*, const char*, size_t* uploadDataSize, void** state)
{
    // The first call only announces the request; a body (none is expected)
    // is skipped.
    if (!*state) {
        *state = cls;
        return MHD_YES;
    }
    if (uploadDataSize && *uploadDataSize) {
        *uploadDataSize = 0;
        return MHD_YES;
    }
    return static_cast<DudServer*>(cls)->answer(connection, url, method) ? MHD_YES : MHD_NO;
}

// Paths stay as sent: no name of the server holds a "%", so an encoded path
// ("%2e%2e", "%2f", "%00") names nothing, and no decoding can turn a request
// into one for a listed entry by a second spelling.
size_t keepEscapes(void*, MHD_Connection*, char* text)
{
    return std::strlen(text);
}

bool queue(MHD_Connection* connection, unsigned int status, MHD_Response* response)
{
    if (!response)
        return false;
    const bool ok = MHD_queue_response(connection, status, response) == MHD_YES;
    MHD_destroy_response(response);
    return ok;
}

bool queueText(MHD_Connection* connection, unsigned int status, const std::string& text,
               const char* type)
{
    MHD_Response* response = MHD_create_response_from_buffer(
        text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (response)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    return queue(connection, status, response);
}

bool queueNotFound(MHD_Connection* connection)
{
    return queueText(connection, MHD_HTTP_NOT_FOUND, "Not found\n", "text/plain; charset=utf-8");
}

// A file the server hands out: a regular file at the path itself, a link in
// its place not followed. -1 otherwise.
int openServedFile(const std::string& path, struct stat& st)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A catalogued file, or the part of it the Range header asks for, sent from
// the descriptor (sendfile), so that even a large recording never sits in
// memory.
bool queueFile(MHD_Connection* connection, const std::string& path, const char* type)
{
    struct stat st;
    const int fd = openServedFile(path, st);
    if (fd < 0)
        return queueNotFound(connection);
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const DudByteRange range = parseRange(
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_RANGE), size);
    if (range.kind == DudByteRange::Unsatisfiable) {
        ::close(fd);
        MHD_Response* response =
            MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        if (response)
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE,
                                    ("bytes */" + std::to_string(size)).c_str());
        return queue(connection, MHD_HTTP_RANGE_NOT_SATISFIABLE, response);
    }
    // The library owns and closes the descriptor from here on.
    MHD_Response* response = MHD_create_response_from_fd_at_offset64(
        range.length, fd, static_cast<uint64_t>(range.start));
    if (!response) {
        ::close(fd);
        return false;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
    if (range.kind == DudByteRange::Partial) {
        const std::string contentRange = "bytes " + std::to_string(range.start) + "-" +
                                         std::to_string(range.start + range.length - 1) + "/" +
                                         std::to_string(size);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, contentRange.c_str());
        return queue(connection, MHD_HTTP_PARTIAL_CONTENT, response);
    }
    return queue(connection, MHD_HTTP_OK, response);
}

// One client of a stream: of the live picture, following the broadcast from
// a key frame on, as TS or remuxed into fragmented MP4 for browsers; or of a
// TS recording, remuxed from its file for a browser.
struct StreamReader {
    std::shared_ptr<TsBroadcast> broadcast;
    std::shared_ptr<const std::atomic<bool>> stopping;
    int64_t position = -1;
    std::unique_ptr<Fmp4Stream> mp4;
    int fd = -1;
    ~StreamReader()
    {
        mp4.reset();
        if (fd >= 0)
            ::close(fd);
    }
};

// Bytes of the file: their count, 0 at its end, -1 when reading failed.
long readFile(int fd, uint8_t* buffer, size_t max)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, max);
        if (n >= 0 || errno != EINTR)
            return n < 0 ? -1 : static_cast<long>(n);
    }
}

// TS bytes of the broadcast: their count, 0 at its end, -1 once the server
// stops.
long readBroadcast(StreamReader& reader, uint8_t* buffer, size_t max)
{
    for (;;) {
        // Waits in short steps: the stream's end (and the server's stop,
        // which ends it) is seen within one.
        const long n = reader.broadcast->read(buffer, max, &reader.position, 500);
        if (n < 0)
            return 0;
        if (*reader.stopping)
            return -1;
        if (n > 0)
            return n;
    }
}

ssize_t readStream(void* cls, uint64_t, char* buffer, size_t max)
{
    auto* reader = static_cast<StreamReader*>(cls);
    auto* out = reinterpret_cast<uint8_t*>(buffer);
    const long n = reader->mp4 ? reader->mp4->read(out, max) : readBroadcast(*reader, out, max);
    if (n > 0)
        return static_cast<ssize_t>(n);
    return n == 0 ? MHD_CONTENT_READER_END_OF_STREAM : MHD_CONTENT_READER_END_WITH_ERROR;
}

void freeStream(void* cls)
{
    delete static_cast<StreamReader*>(cls);
}

bool queueStream(MHD_Connection* connection, StreamReader* reader, bool mp4)
{
    MHD_Response* response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 64 * 1024,
                                                               &readStream, reader, &freeStream);
    if (!response) {
        delete reader;
        return false;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                            mp4 ? "video/mp4" : "video/mp2t");
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    return queue(connection, MHD_HTTP_OK, response);
}

bool queueLive(MHD_Connection* connection, std::shared_ptr<TsBroadcast> broadcast,
               std::shared_ptr<const std::atomic<bool>> stopping, bool mp4)
{
    if (!broadcast || broadcast->closed())
        return queueNotFound(connection);
    auto* reader = new StreamReader{std::move(broadcast), std::move(stopping), -1, nullptr};
    if (mp4)
        reader->mp4 = std::make_unique<Fmp4Stream>(
            [reader](uint8_t* buffer, size_t max) { return readBroadcast(*reader, buffer, max); });
    return queueStream(connection, reader, mp4);
}

// A TS recording as fragmented MP4, remuxed as it is sent: no length is
// known beforehand, so it plays from its start without seeking.
bool queueRemuxed(MHD_Connection* connection, const std::string& path)
{
    struct stat st;
    const int fd = openServedFile(path, st);
    if (fd < 0)
        return queueNotFound(connection);
    auto* reader = new StreamReader;
    reader->fd = fd;
    reader->mp4 = std::make_unique<Fmp4Stream>(
        [reader](uint8_t* buffer, size_t max) { return readFile(reader->fd, buffer, max); });
    return queueStream(connection, reader, true);
}

std::atomic<int> g_idleTimeoutSeconds{0};

} // namespace

// The library's accept loop tries again at once when accept() fails, and a
// pending connection keeps the listening socket readable: out of descriptors
// with no client yet, it would poll, fail and poll again without end. The
// library tells of a failed accept through its logger, on the listening
// thread, with accept's errno still set; holding that thread there for a
// while lets the rest of the process run, and the connection waits in the
// backlog until descriptors are free again. Only the accept messages count:
// the logger is called from connection threads too, whose errno may be left
// from a send, and those must not wait. Other messages are left out: the
// server's own log lines tell what the user needs.
void DudServer::libraryMessage(void* cls, const char* format, va_list)
{
    const int e = errno;
    if (e != EMFILE && e != ENFILE && e != ENOBUFS && e != ENOMEM)
        return;
    if (!format || (!std::strstr(format, "accept") && !std::strstr(format, "resource limit")))
        return;
    auto* server = static_cast<DudServer*>(cls);
    std::unique_lock<std::mutex> lock(server->m_backoffMutex);
    const auto now = std::chrono::steady_clock::now();
    // A failure soon after the last wait goes on backing off; a new one
    // starts short again.
    if (server->m_backoffMs && now - server->m_lastBackoff < std::chrono::seconds(2)) {
        server->m_backoffMs = std::min(server->m_backoffMs * 2, kLongestBackoffMs);
    } else {
        server->m_backoffMs = kFirstBackoffMs;
        Log::write(8, "Share server: cannot accept (%s); waiting", strerror(e));
    }
    server->m_backoffWake.wait_for(lock, std::chrono::milliseconds(server->m_backoffMs),
                                   [server] { return server->m_backoffStop; });
    server->m_lastBackoff = std::chrono::steady_clock::now();
}

void DudServer::setIdleTimeoutForTests(int seconds)
{
    g_idleTimeoutSeconds = seconds > 0 ? seconds : 0;
}

DudServer::DudServer(Engine& engine) : m_engine(engine) {}

DudServer::~DudServer()
{
    stop();
}

bool DudServer::running() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_listenFd >= 0;
}

int DudServer::port() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_listenFd >= 0 ? m_port : 0;
}

void DudServer::reloadCatalogue()
{
    auto entries =
        std::make_shared<const DudEntries>(DudCatalogue::load(m_engine.config().appDataDir));
    std::lock_guard<std::mutex> lock(m_catalogueMutex);
    m_catalogue = std::move(entries);
}

std::shared_ptr<const DudEntries> DudServer::catalogue() const
{
    std::lock_guard<std::mutex> lock(m_catalogueMutex);
    return m_catalogue ? m_catalogue : std::make_shared<const DudEntries>();
}

bool DudServer::liveRunning() const
{
    auto* live = m_engine.find<DudLive>();
    std::shared_ptr<TsBroadcast> broadcast = live ? live->broadcast() : nullptr;
    return broadcast && !broadcast->closed();
}

bool DudServer::answer(MHD_Connection* connection, const char* url, const char* method)
{
    std::shared_ptr<const DudEntries> entries = catalogue();
    const DudRoute route = routeRequest(method, url, *entries);
    switch (route.kind) {
    case DudRoute::Page:
        return queueText(connection, MHD_HTTP_OK, pageHtml(*entries, liveRunning()),
                         "text/html; charset=utf-8");
    case DudRoute::File:
        return queueFile(connection, route.entry->path, contentTypeOf(route.entry->path));
    case DudRoute::Play:
        return queueRemuxed(connection, route.entry->path);
    case DudRoute::Thumb:
        return queueFile(connection, route.entry->thumbPath, "image/png");
    case DudRoute::Preview:
    case DudRoute::PreviewMp4: {
        auto* live = m_engine.find<DudLive>();
        return queueLive(connection, live ? live->broadcast() : nullptr, m_stopping,
                         route.kind == DudRoute::PreviewMp4);
    }
    case DudRoute::BadMethod:
        return queueText(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Method not allowed\n",
                         "text/plain; charset=utf-8");
    case DudRoute::NotFound:
        break;
    }
    return queueNotFound(connection);
}

bool DudServer::start(int port)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (port <= 0 || port > 65535) {
        Log::write(8, "Share server: port %d is not a TCP port", port);
        return false;
    }
    if (m_listenFd >= 0) {
        if (m_port == port)
            return true;
        stopLocked();
    }

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        Log::write(8, "Share server: no socket (%s)", strerror(errno));
        return false;
    }
    // Lets a restart take the port while old connections linger in
    // TIME_WAIT; a port another socket listens on still fails.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 64) != 0) {
        Log::write(8, "Share server: port %d cannot be used (%s)", port, strerror(errno));
        ::close(fd);
        return false;
    }
    reloadCatalogue();
    {
        std::lock_guard<std::mutex> backoff(m_backoffMutex);
        m_backoffStop = false;
        m_backoffMs = 0;
    }
    // The options as one array: the form the engine's late loading of the
    // library passes on (core/lazylibraries.cpp). Callbacks take two
    // pointers, the function in the value and its argument in ptr_value.
    // The library accepts on the socket and holds the connection limit
    // itself: connections over it wait in the backlog until a place frees.
    MHD_OptionItem options[] = {
        {MHD_OPTION_EXTERNAL_LOGGER, reinterpret_cast<intptr_t>(&DudServer::libraryMessage), this},
        {MHD_OPTION_LISTEN_SOCKET, fd, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, kMaxConnections, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT,
         g_idleTimeoutSeconds ? g_idleTimeoutSeconds.load() : kIdleTimeoutSeconds, nullptr},
        {MHD_OPTION_UNESCAPE_CALLBACK, reinterpret_cast<intptr_t>(&keepEscapes), nullptr},
        {MHD_OPTION_END, 0, nullptr},
    };
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_THREAD_PER_CONNECTION | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL |
            MHD_USE_ITC | MHD_USE_ERROR_LOG,
        0, nullptr, nullptr, &handleRequest, this, MHD_OPTION_ARRAY, options, MHD_OPTION_END);
    if (!daemon) {
        Log::write(8, "Share server: the HTTP server did not start");
        ::close(fd);
        return false;
    }
    m_daemon = daemon;
    m_listenFd = fd;
    m_port = port;
    Log::write(2, "Share server listening on port %d", port);
    return true;
}

void DudServer::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    stopLocked();
}

void DudServer::stopAsked()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_listenFd < 0)
        return;
    stopLocked();
    Log::write(2, "Share server stopped");
}

void DudServer::stopLocked()
{
    if (m_listenFd < 0)
        return;
    {
        std::lock_guard<std::mutex> backoff(m_backoffMutex);
        m_backoffStop = true;
    }
    m_backoffWake.notify_all();
    // Live clients see the stop within their wait step; the library closes
    // the listening socket and every connection, and joins their threads.
    *m_stopping = true;
    MHD_stop_daemon(m_daemon);
    m_stopping = std::make_shared<std::atomic<bool>>(false);
    m_daemon = nullptr;
    m_listenFd = -1;
    m_port = 0;
}

} // namespace zd
