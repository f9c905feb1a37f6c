// The live stream of one engine: the canvas encoded once and sent to every
// server of the start call, each on its own connection, with an optional FLV
// copy on disk. Each server's connection changes are reported (83675) to the
// receiver its record names; a failing FLV copy (83676) to the receiver of
// the first record.
#pragma once

#include "core/enginecomponent.h"
#include "vazURIdav.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zd
{
class Engine;
namespace media
{
class SourcePipeline;
}
} // namespace zd

namespace zd::live
{

class LiveEncoder;
class ServerSender;

class LiveOutput : public EngineComponent
{
public:
    // Most servers one stream is sent to.
    static constexpr int kMaxServers = 32;

    explicit LiveOutput(Engine& engine);
    ~LiveOutput() override;

    void stop() override;
    void addFlags(EngineFlags& flags) const override;

    // The number of servers the stream goes to, or 0 when the call is
    // refused. Returns at once: the encoder opens on its own thread (a
    // failure is reported as 99664), then each server connects on its own,
    // reporting when it has settled.
    int start(RTMPSERVERPARAM* servers, int count, int width, int height, int fps, int bitrate,
              const std::string& flvPath);
    // Ends the stream; returns when every connection is closed. 1 when a
    // stream ran.
    int stopLive();
    int info(RTMPSERVERPARAM* servers, int* count) const;
    // Test control: packets sent to the server at index of the stream, -1
    // when there is none.
    long long packetsSent(int index) const;
    // Pictures the encoder lost because its queue was full, in this stream.
    long long encoderDropped() const;

    // An RTMP address the stream may go to: rtmp:// or rtmps://.
    static bool acceptedUrl(const std::string& url);

private:
    struct Server {
        RTMPSERVERPARAM record{};
        std::shared_ptr<ServerSender> sender;
    };
    // Holds the reports of the first attempts until all have settled.
    struct ReportGate {
        struct Receiver {
            void* owner = nullptr;
            unsigned long serverId = 0;
        };
        void settle(Engine& engine, size_t index);

        std::mutex mutex;
        std::vector<Receiver> reports;
        std::vector<bool> settled;
        std::vector<size_t> held;
        int unsettled = 0;
    };
    void stopLocked();

    Engine& m_engine;
    mutable std::mutex m_mutex;
    bool m_running = false;
    std::shared_ptr<LiveEncoder> m_encoder;
    std::shared_ptr<media::SourcePipeline> m_source;
    std::vector<Server> m_servers;
    std::shared_ptr<ServerSender> m_file;
    int m_nextServerId = 1;
    long long m_encoderDropped = 0;
};

} // namespace zd::live
