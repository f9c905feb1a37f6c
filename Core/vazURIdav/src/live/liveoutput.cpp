#include "live/liveoutput.h"

#include "core/engine.h"
#include "core/log.h"
#include "core/text.h"
#include "devices/devicesession.h"
#include "live/liveencoder.h"
#include "live/serversender.h"
#include "media/sourcepipeline.h"
#include "vazURIdav_reports.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavutil/error.h>
}

namespace zd::live
{

namespace
{

// An AVERROR as the system's error number, for the application's text.
long long systemError(int averror)
{
    const int e = AVUNERROR(averror);
    return e > 0 && e < 4096 ? e : EIO;
}

} // namespace

void LiveOutput::ReportGate::settle(Engine& engine, size_t index)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!settled[index]) {
        settled[index] = true;
        --unsettled;
    }
    // The receiver reads the server's state when the report comes, so one
    // report of it says all that happened while it was held.
    if (std::find(held.begin(), held.end(), index) == held.end())
        held.push_back(index);
    if (unsettled > 0)
        return;
    for (size_t i : held)
        engine.post(reports[i].owner, ZD_MSG_LIVE_SERVER_STATUS, reports[i].serverId, 1);
    held.clear();
}

LiveOutput::LiveOutput(Engine& engine) : m_engine(engine) {}

LiveOutput::~LiveOutput()
{
    stop();
}

void LiveOutput::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    stopLocked();
}

void LiveOutput::addFlags(EngineFlags& flags) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running)
        flags.living = 1;
}

bool LiveOutput::acceptedUrl(const std::string& url)
{
    const bool plain = startsWithNoCase(url, "rtmp://"), secure = startsWithNoCase(url, "rtmps://");
    if (!plain && !secure)
        return false;
    const std::string rest = url.substr(plain ? 7 : 8);
    // A host is named, and nothing in the address could be read as another
    // option by the protocol (it splits on spaces).
    if (rest.empty() || rest[0] == '/')
        return false;
    return std::none_of(url.begin(), url.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; });
}

int LiveOutput::start(RTMPSERVERPARAM* servers, int count, int width, int height, int fps,
                      int bitrate, const std::string& flvPath)
{
    if (!servers || count <= 0 || count > kMaxServers)
        return 0;
    if (width < 16 || width > 7680 || height < 16 || height > 4320 || fps < 1 || fps > 240 ||
        bitrate < 10000)
        return 0;
    std::vector<RTMPSERVERPARAM> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::memcpy(&records[i], &servers[i], sizeof(RTMPSERVERPARAM));
        const std::string url = boundedText(records[i].url, sizeof records[i].url);
        if (!acceptedUrl(url)) {
            Log::write(2, "vazURIdav: live: server address refused: %s",
                       boundedText(records[i].name, sizeof records[i].name).c_str());
            return 0;
        }
    }
    std::shared_ptr<media::SourcePipeline> source = m_engine.session().pipeline();
    void* target = m_engine.session().target();
    if (!source)
        return 0;

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running || m_engine.stopping())
        return 0;
    Engine* engine = &m_engine;
    auto encoder = std::make_shared<LiveEncoder>(
        [engine, target](int code) { engine->post(target, ZD_MSG_LIVE_FAILED, 0, code); });

    // Reports of the servers' first attempts are held until every server
    // has settled: a receiver that counts the servers not connected would
    // otherwise take one still connecting for a failed one.
    auto gate = std::make_shared<ReportGate>();
    gate->unsettled = static_cast<int>(records.size());
    gate->settled.assign(records.size(), false);
    std::vector<Server> started;
    std::vector<std::shared_ptr<ServerSender>> destinations;
    for (size_t i = 0; i < records.size(); ++i) {
        Server s;
        s.record = records[i];
        s.record.serverId = m_nextServerId++;
        const unsigned long id = static_cast<unsigned long>(s.record.serverId);
        void* owner = reinterpret_cast<void*>(static_cast<uintptr_t>(records[i].owner));
        gate->reports.push_back({owner, id});
        s.sender = std::make_shared<ServerSender>(
            boundedText(records[i].url, sizeof records[i].url), false,
            [engine, gate, i](bool, int) { gate->settle(*engine, i); });
        destinations.push_back(s.sender);
        started.push_back(std::move(s));
    }
    std::shared_ptr<ServerSender> file;
    if (!flvPath.empty()) {
        void* owner = reinterpret_cast<void*>(static_cast<uintptr_t>(records[0].owner));
        file = std::make_shared<ServerSender>(flvPath, true, [engine, owner](bool up, int error) {
            if (!up)
                engine->post(owner, ZD_MSG_LIVE_FLV_FAILED, 0, systemError(error));
        });
        destinations.push_back(file);
    }
    m_encoder = encoder;
    m_servers = std::move(started);
    m_file = file;
    m_source = source;
    m_running = true;
    // Each destination connects on its own thread once the encoder is open,
    // and reports when it has settled: a server that does not answer holds
    // nobody up. Sizes the encoder takes are even.
    encoder->start(width & ~1, height & ~1, fps, bitrate, destinations);
    source->attach(encoder);
    return count;
}

void LiveOutput::stopLocked()
{
    if (!m_running)
        return;
    if (m_source && m_encoder)
        m_source->detach(m_encoder.get());
    if (m_encoder) {
        m_encoder->stop();
        m_encoderDropped = m_encoder->droppedFrames();
    }
    for (Server& s : m_servers)
        s.sender->stop();
    if (m_file)
        m_file->stop();
    m_running = false;
    m_source.reset();
    m_file.reset();
    m_encoder.reset();
    // The records stay, so the last figures can still be read.
}

int LiveOutput::stopLive()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool was = m_running;
    stopLocked();
    return was ? 1 : 0;
}

int LiveOutput::info(RTMPSERVERPARAM* servers, int* count) const
{
    if (!count)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    const int n = m_running ? static_cast<int>(m_servers.size()) : 0;
    if (!servers) {
        *count = n;
        return 1;
    }
    const int filled = std::clamp(*count, 0, n);
    for (int i = 0; i < filled; ++i) {
        RTMPSERVERPARAM r = m_servers[i].record;
        const ServerSender::Stats st = m_servers[i].sender->stats();
        r.connected = st.connected;
        r.speed = st.speed;
        r.dropped = st.dropped;
        r.frames = st.frames;
        r.bytes = st.bytes;
        std::memcpy(&servers[i], &r, sizeof r);
    }
    *count = filled;
    return 1;
}

long long LiveOutput::encoderDropped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_encoder ? m_encoder->droppedFrames() : m_encoderDropped;
}

long long LiveOutput::packetsSent(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_servers.size()))
        return -1;
    return m_servers[index].sender->stats().packets;
}

} // namespace zd::live
