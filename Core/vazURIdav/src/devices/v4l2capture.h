// The capture thread of a V4L2 device: memory-mapped streaming, each filled
// buffer made into a picture for the receiver (V4l2Pictures), then given back
// to the driver.
#pragma once

#include "devices/framereceiver.h"
#include "devices/v4l2pictures.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace zd
{

class V4l2Capture
{
public:
    // Seconds without a picture after which the receiver hears of it.
    static constexpr int kNoPictureSeconds = 5;
    // Pictures in a row the decoder may refuse before the receiver hears of it.
    static constexpr int kMaxDecodeFailures = 30;

    // Takes over fd, whose format is already set.
    V4l2Capture(int fd, std::string name, const V4l2PixelFormat& format,
                const V4l2FrameLayout& layout);
    ~V4l2Capture();
    V4l2Capture(const V4l2Capture&) = delete;
    V4l2Capture& operator=(const V4l2Capture&) = delete;

    // Maps the buffers and starts streaming: 1, or a ZD_OPEN_* result.
    int prepare();
    // Starts the thread that feeds receiver (which outlives the capture).
    void start(FrameReceiver& receiver);
    // Ends the thread, stops streaming and closes the device.
    void stop();

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };

    void run(FrameReceiver* receiver);
    void releaseBuffers();

    int m_fd;
    const std::string m_name;
    int m_stopFd = -1;
    std::vector<Buffer> m_buffers;
    bool m_streaming = false;
    V4l2Pictures m_pictures;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};

} // namespace zd
