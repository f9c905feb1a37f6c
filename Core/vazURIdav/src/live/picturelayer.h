// A slide show on the canvas: the pictures of a list file, in list order or
// at random, each shown for the layer's delay (0 keeps the first). A picture
// that cannot be read is flagged, reported and skipped. Pictures are read on
// the layer's own thread, so a large one never holds up the canvas.
#pragma once

#include "live/layer.h"
#include "media/latestframe.h"

#include <condition_variable>
#include <random>
#include <thread>

namespace zd::live
{

class PictureLayer : public Layer
{
public:
    using Layer::Layer;
    ~PictureLayer() override;

    void apply(const Block& block, bool adding) override;
    void stop() override;
    media::AVFramePtr picture(uint64_t& serial) const override { return m_picture.get(serial); }
    Block block() const override;

private:
    void run();
    // The next list position to show after from, or -1 when none is left.
    int nextIndex(int from);

    media::LatestFrame m_picture;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_reload = false;
    bool m_changed = false;
    PictureBlock m_settings;
    std::vector<std::string> m_files;
    std::vector<uint32_t> m_failed;
    std::string m_current;
    std::mt19937 m_random{std::random_device{}()};
    std::thread m_thread;
};

} // namespace zd::live
