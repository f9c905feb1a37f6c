#include "devices/virtualprocamp.h"

#include <algorithm>
#include <cstring>

namespace zd::devices
{

VirtualProcAmp::VirtualProcAmp() : m_value(defaults()) {}

VIDEOAMPVALUE VirtualProcAmp::defaults()
{
    VIDEOAMPVALUE v;
    std::memset(&v, 0, sizeof v);
    auto item = [&](int index, int minimum, int maximum, int def) {
        v.items[index].minimum = minimum;
        v.items[index].maximum = maximum;
        v.items[index].defaultValue = def;
        v.items[index].value = def;
    };
    item(Brightness, -100, 100, 0);
    item(Contrast, 0, 200, 100);
    item(Hue, -180, 180, 0);
    item(Saturation, 0, 200, 100);
    // The other controls (sharpness, gamma, colour enable, white balance,
    // backlight, gain) have no meaning for a drawn picture: their range is
    // the single value 0.
    return v;
}

VIDEOAMPVALUE VirtualProcAmp::get() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_value;
}

void VirtualProcAmp::set(const VIDEOAMPVALUE& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // The record is packed: its fields are copied, never bound to references.
    for (int i = 0; i < 10; ++i) {
        VIDEOAMPITEM& mine = m_value.items[i];
        const int32_t asked = value.items[i].value;
        const int32_t low = mine.minimum, high = mine.maximum;
        mine.value = asked < low ? low : asked > high ? high : asked;
        mine.automatic = value.items[i].automatic ? 1 : 0;
    }
}

PictureAdjust VirtualProcAmp::adjust() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // A control in automatic mode is the camera's to choose: it keeps its
    // default.
    auto current = [&](int index) -> int {
        const int32_t value = m_value.items[index].value;
        const int32_t def = m_value.items[index].defaultValue;
        return m_value.items[index].automatic ? def : value;
    };
    PictureAdjust a;
    a.brightness = current(Brightness);
    a.contrastPct = current(Contrast);
    a.hueDegrees = current(Hue);
    a.saturationPct = current(Saturation);
    return a;
}

} // namespace zd::devices
