#include "live/textlayer.h"

#include "live/textpicture.h"
#include "vazURIdav_reports.h"

namespace zd::live
{

void TextLayer::apply(const Block& block, bool adding)
{
    TextBlock t;
    if (!readTextBlock(block.data(), block.size(), t))
        return;
    storeBlock(block);
    media::AVFramePtr picture = renderTextPicture(t);
    if (picture)
        m_picture.put(picture.get());
    else
        m_picture.clear();
    const int w = picture ? picture->width : 0, h = picture ? picture->height : 0;
    if (adding)
        report(ZD_MSG_OVERLAY_OPEN_RESULT, 0);
    if (w != m_width || h != m_height) {
        m_width = w;
        m_height = h;
        report(ZD_MSG_DEVICE_OPENED, (static_cast<long long>(w & 0xFFFF) << 16) | (h & 0xFFFF));
    }
}

} // namespace zd::live
