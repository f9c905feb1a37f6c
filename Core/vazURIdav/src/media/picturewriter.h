// Still pictures of a source's newest frame: BMP, PNG or JPEG by the path's
// extension (BMP for any other). A picture file appears whole or not at all.
// Pictures asked for without waiting are written on the writer's own thread.
#pragma once

#include "media/avholders.h"
#include "media/boundedqueue.h"

#include <functional>
#include <string>
#include <thread>

namespace zd::media
{

class PictureWriter
{
public:
    using DoneHandler = std::function<void(const std::string& path, bool ok)>;

    PictureWriter();
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // Writes at once, on the caller's thread.
    static bool write(const AVFrame* frame, const std::string& path);
    // Queues the picture; done runs on the writer's thread after the file is
    // complete (or failed). False when the queue is full.
    bool writeLater(AVFramePtr frame, const std::string& path, DoneHandler done);

private:
    struct Job {
        AVFramePtr frame;
        std::string path;
        DoneHandler done;
    };
    void run();

    BoundedQueue<Job> m_jobs{16};
    std::thread m_thread;
};

} // namespace zd::media
