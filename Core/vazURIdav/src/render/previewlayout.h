// Where the picture goes in the preview rectangle: the whole rectangle, or,
// keeping the picture's shape, the largest rectangle of that shape centred in
// it (the rest shows black bars).
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

namespace zd
{

struct PreviewRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PreviewRect& o) const
    {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
    bool operator!=(const PreviewRect& o) const { return !(*this == o); }
};

class PreviewLayout
{
public:
    // Largest preview side the engine draws; larger rectangles are refused.
    static constexpr int kMaxSide = 16384;

    // The picture's place in area. sampleAspect is the pixels' own shape
    // (0/1 or 1/1 for square pixels). Empty for an empty area or picture.
    static PreviewRect fit(const PreviewRect& area, int pictureWidth, int pictureHeight,
                           AVRational sampleAspect, bool keepAspect);
};

} // namespace zd
