// The reading thread of an audio source, without libobs: it waits while no
// capture server runs, else plays the server's sound from a pipe, stamped by
// its place in the stream.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace veltranobox
{

class AudioSink
{
public:
    virtual ~AudioSink() = default;
    // Interleaved s16 stereo at 48 kHz; valid for the call only.
    virtual void outputAudio(const uint8_t* samples, uint32_t frames, uint64_t timestampNs) = 0;
};

class AudioSourceThread
{
public:
    static constexpr int kSilenceMs = 5000;
    static constexpr int kRetryMs = 1000;

    explicit AudioSourceThread(AudioSink& sink);
    ~AudioSourceThread();
    AudioSourceThread(const AudioSourceThread&) = delete;
    AudioSourceThread& operator=(const AudioSourceThread&) = delete;

    bool start();
    void stop();

private:
    void sinewave_thread();
    bool connect();
    void stream();

    AudioSink& m_sink;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    int m_fd = -1;
    std::string m_pipeName;
    std::vector<uint8_t> m_samples;
    uint64_t m_bytes = 0;
};

} // namespace veltranobox
