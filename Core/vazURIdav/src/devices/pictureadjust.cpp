#include "devices/pictureadjust.h"

#include <algorithm>
#include <cmath>

namespace zd::devices
{

namespace
{

struct Item {
    int value, minimum, maximum, def;
    bool automatic;
};

// The record is packed: fields are copied out, never bound to references.
Item itemOf(const VIDEOAMPVALUE& v, int index)
{
    const int32_t value = v.items[index].value;
    const int32_t minimum = v.items[index].minimum;
    const int32_t maximum = v.items[index].maximum;
    const int32_t def = v.items[index].defaultValue;
    return Item{value, minimum, maximum, def, v.items[index].automatic != 0};
}

int current(const Item& i)
{
    return i.automatic ? i.def : i.value;
}

// Distance from the default as a fraction of the way to the range's end, on
// the side the value lies.
double offsetFraction(const Item& i)
{
    const int v = current(i);
    if (v > i.def && i.maximum > i.def)
        return double(v - i.def) / (i.maximum - i.def);
    if (v < i.def && i.minimum < i.def)
        return -double(i.def - v) / (i.def - i.minimum);
    return 0;
}

// The value as a percentage of the default: a default of 50 and a value of
// 100 doubles. Without a usable default, the middle of the range counts.
int percentOfDefault(const Item& i)
{
    const int v = current(i);
    const int base = i.def > 0 ? i.def : (i.minimum + i.maximum) / 2;
    if (base <= 0)
        return 100;
    return std::clamp(static_cast<int>(std::lround(100.0 * v / base)), 0, 200);
}

} // namespace

PictureAdjust PictureAdjust::fromAmpValues(const VIDEOAMPVALUE& value)
{
    PictureAdjust a;
    a.brightness = static_cast<int>(std::lround(100 * offsetFraction(itemOf(value, 0))));
    a.contrastPct = percentOfDefault(itemOf(value, 1));
    a.hueDegrees = std::clamp(current(itemOf(value, 2)), -180, 180);
    a.saturationPct = percentOfDefault(itemOf(value, 3));
    return a;
}

} // namespace zd::devices
