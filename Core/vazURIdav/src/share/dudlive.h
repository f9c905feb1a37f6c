// The share server's live picture: the open device's frames encoded as
// H.264/AAC in MPEG-TS at the share settings, by the recorder the engine
// records with, into a pipe whose bytes feed the broadcast that /preview
// clients follow.
#pragma once

#include "core/enginecomponent.h"

#include <memory>
#include <mutex>
#include <thread>

namespace zd
{

class Engine;
class TsBroadcast;

namespace media
{
class Recorder;
class SourcePipeline;
} // namespace media

class DudLive : public EngineComponent
{
public:
    explicit DudLive(Engine& engine);
    ~DudLive() override;

    // 1 on success; 0 without an open device or with bad arguments; a
    // negative recorder start code when the encoder cannot start. A running
    // live picture is restarted with the new settings.
    int start(int width, int height, int fps, int kbps);
    // 1 when a live picture was stopped; logged when asked for by the
    // program (not when the handle is released, after its last log line).
    int stopLive(bool logged = true);
    // Ends the live picture for good (the handle is released).
    void stop() override;

    // The running broadcast, or null.
    std::shared_ptr<TsBroadcast> broadcast() const;

private:
    void pump(int readFd, std::shared_ptr<TsBroadcast> broadcast);

    Engine& m_engine;
    mutable std::mutex m_mutex;
    bool m_stopped = false;
    std::shared_ptr<media::Recorder> m_recorder;
    std::weak_ptr<media::SourcePipeline> m_source;
    std::shared_ptr<TsBroadcast> m_broadcast;
    std::thread m_pump;
};

} // namespace zd
