// A text on the canvas, drawn again whenever its block changes.
#pragma once

#include "live/layer.h"
#include "media/latestframe.h"

namespace zd::live
{

class TextLayer : public Layer
{
public:
    using Layer::Layer;
    void apply(const Block& block, bool adding) override;
    media::AVFramePtr picture(uint64_t& serial) const override { return m_picture.get(serial); }

private:
    media::LatestFrame m_picture;
    int m_width = -1, m_height = -1;
};

} // namespace zd::live
