// The reading thread of a video source, without libobs: the idle picture
// while no capture server runs, else the server's frames through a pipe, with
// reconnection whenever the stream breaks or a connection fails.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace veltranobox
{

class VideoSink
{
public:
    virtual ~VideoSink() = default;
    // BGRX rows of width x 4 bytes, top first; the pixels stay valid for the
    // call only.
    virtual void outputVideo(const uint8_t* pixels, uint32_t width, uint32_t height,
                             uint64_t timestampNs) = 0;
};

class VideoSourceThread
{
public:
    // How long a connected server may stay silent before the stream counts
    // as broken, and how long after a failed connection the next one is tried.
    static constexpr int kSilenceMs = 5000;
    static constexpr int kRetryMs = 1000;

    VideoSourceThread(VideoSink& sink, std::string idlePicturePath);
    ~VideoSourceThread();
    VideoSourceThread(const VideoSourceThread&) = delete;
    VideoSourceThread& operator=(const VideoSourceThread&) = delete;

    bool start();
    // Clears the running flag and waits for the thread, which sends its stop
    // request on the way out.
    void stop();

private:
    void thread_main();
    bool connect();
    void stream();
    // A buffer of exactly bytes, the old one freed; false when there is no memory.
    bool resizeFrame(uint32_t bytes);
    void showIdle();
    void closePipe();

    VideoSink& m_sink;
    const std::string m_idlePath;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    int m_fd = -1;
    std::string m_pipeName;
    std::vector<uint8_t> m_idle;
    // The current picture's size: never more than the largest picture.
    std::vector<uint8_t> m_frame;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
};

} // namespace veltranobox
