// The live stream of one engine: the canvas encoded once and sent to every
// server of the start call, each on its own connection, with an optional FLV
// copy on disk. Each server's connection changes are reported (83675) to the
// receiver its record names.
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

    // The number of servers connected (> 0), or 0 when the stream could not
    // start or no server took it. Each server's first connection attempt is
    // settled before it returns.
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
