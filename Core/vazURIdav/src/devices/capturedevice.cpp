#include "devices/capturedevice.h"

#include "core/text.h"

namespace zd
{

std::string CaptureDevice::nameText() const
{
    return boundedText(name().name, sizeof name().name);
}

std::string CaptureDevice::pathText() const
{
    return boundedText(name().path, sizeof name().path);
}

namespace
{

bool offersRate(const DEV_CAPACITY& format, int fps)
{
    return fps == format.fps ||
           (fps > 0 && (fps == format.fpsChoices[0] || fps == format.fpsChoices[1]));
}

} // namespace

bool pickOfferedFormat(const std::vector<DEV_CAPACITY>& offered, const DEV_CAPACITY* asked,
                       DEV_CAPACITY& chosen)
{
    if (offered.empty())
        return false;
    if (asked && asked->width > 0 && asked->height > 0) {
        for (const DEV_CAPACITY& f : offered) {
            if (f.width != asked->width || f.height != asked->height)
                continue;
            if (asked->fourcc != 0 && asked->fourcc != f.fourcc)
                continue;
            if (asked->fps > 0 && !offersRate(f, asked->fps))
                continue;
            chosen = f;
            if (asked->fps > 0)
                chosen.fps = asked->fps;
            return true;
        }
    }
    chosen = offered.front();
    return true;
}

} // namespace zd
