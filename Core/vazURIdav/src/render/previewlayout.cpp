#include "render/previewlayout.h"

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace zd
{

PreviewRect PreviewLayout::fit(const PreviewRect& area, int pictureWidth, int pictureHeight,
                               AVRational sampleAspect, bool keepAspect)
{
    if (area.empty() || area.width > kMaxSide || area.height > kMaxSide || pictureWidth <= 0 ||
        pictureHeight <= 0)
        return PreviewRect{};
    if (!keepAspect)
        return area;
    // The picture's shape as num/den, pixel shape included.
    int64_t num = pictureWidth, den = pictureHeight;
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        num *= sampleAspect.num;
        den *= sampleAspect.den;
    }
    // Small enough that the products below cannot overflow.
    int n = 1, d = 1;
    av_reduce(&n, &d, num, den, 1 << 20);
    if (n <= 0 || d <= 0)
        return area;
    num = n;
    den = d;
    PreviewRect r;
    if (int64_t(area.width) * den <= int64_t(area.height) * num) {
        // Bars above and below.
        r.width = area.width;
        r.height = static_cast<int>((int64_t(area.width) * den + num / 2) / num);
    } else {
        r.height = area.height;
        r.width = static_cast<int>((int64_t(area.height) * num + den / 2) / den);
    }
    if (r.width > area.width)
        r.width = area.width;
    if (r.height > area.height)
        r.height = area.height;
    if (r.width < 1)
        r.width = 1;
    if (r.height < 1)
        r.height = 1;
    r.x = area.x + (area.width - r.width) / 2;
    r.y = area.y + (area.height - r.height) / 2;
    return r;
}

} // namespace zd
