// A slide show on the canvas: the pictures of a list file, in list order or
// at random, each shown for the layer's delay (0 keeps the first). A picture
// that cannot be read is flagged, reported and skipped. Pictures are read on
// the layer's own thread, so a large one never holds up the canvas.
#pragma once

#include "live/listlayer.h"

#include <random>

namespace zd::live
{

class PictureLayer : public ListLayer
{
public:
    using ListLayer::ListLayer;
    ~PictureLayer() override;

    void apply(const Block& block, bool adding) override;
    Block block() const override;

private:
    void run() override;
    // The next list position to show after from, or -1 when none is left.
    int nextIndex(int from);

    bool m_reload = false;
    bool m_changed = false;
    PictureBlock m_settings;
    std::mt19937 m_random{std::random_device{}()};
};

} // namespace zd::live
