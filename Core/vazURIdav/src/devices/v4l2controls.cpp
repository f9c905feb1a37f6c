#include "devices/v4l2controls.h"

#include <cstdint>

namespace zd
{

namespace
{

struct Mapping {
    uint32_t control;
    uint32_t automatic;
};

// In the order of VIDEOAMPVALUE's items.
const Mapping kMappings[10] = {
    {V4L2_CID_BRIGHTNESS, V4L2_CID_AUTOBRIGHTNESS},
    {V4L2_CID_CONTRAST, 0},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO},
    {V4L2_CID_SATURATION, 0},
    {V4L2_CID_SHARPNESS, 0},
    {V4L2_CID_GAMMA, 0},
    {0, 0}, // colour enable
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE},
    {V4L2_CID_BACKLIGHT_COMPENSATION, 0},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN},
};

bool usable(const v4l2_queryctrl& q)
{
    if (q.flags & V4L2_CTRL_FLAG_DISABLED)
        return false;
    return q.type == V4L2_CTRL_TYPE_INTEGER || q.type == V4L2_CTRL_TYPE_BOOLEAN ||
           q.type == V4L2_CTRL_TYPE_MENU || q.type == V4L2_CTRL_TYPE_INTEGER_MENU;
}

bool query(V4l2Query& q, uint32_t id, v4l2_queryctrl& out)
{
    if (id == 0)
        return false;
    out = v4l2_queryctrl{};
    out.id = id;
    return q.queryControl(out) && out.id == id && usable(out) && out.maximum >= out.minimum;
}

int32_t held(int32_t value, const v4l2_queryctrl& q)
{
    int64_t v = value;
    if (v < q.minimum)
        v = q.minimum;
    if (v > q.maximum)
        v = q.maximum;
    if (q.step > 1) {
        const int64_t steps = (v - q.minimum + q.step / 2) / q.step;
        v = q.minimum + steps * q.step;
        if (v > q.maximum)
            v -= q.step;
    }
    return static_cast<int32_t>(v);
}

bool setControl(V4l2Query& q, uint32_t id, int32_t value)
{
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return q.setControl(c);
}

} // namespace

uint32_t V4l2Controls::controlOf(int item)
{
    return item >= 0 && item < 10 ? kMappings[item].control : 0;
}

uint32_t V4l2Controls::autoControlOf(int item)
{
    return item >= 0 && item < 10 ? kMappings[item].automatic : 0;
}

bool V4l2Controls::read(V4l2Query& q, VIDEOAMPVALUE& out)
{
    out = VIDEOAMPVALUE{};
    bool any = false;
    for (int i = 0; i < 10; ++i) {
        v4l2_queryctrl info;
        if (!query(q, kMappings[i].control, info))
            continue;
        VIDEOAMPITEM& item = out.items[i];
        item.minimum = info.minimum;
        item.maximum = info.maximum;
        item.defaultValue = held(info.default_value, info);
        v4l2_control c{};
        c.id = info.id;
        item.value = q.getControl(c) ? held(c.value, info) : item.defaultValue;
        v4l2_queryctrl autoInfo;
        if (query(q, kMappings[i].automatic, autoInfo)) {
            v4l2_control a{};
            a.id = autoInfo.id;
            item.automatic = q.getControl(a) && a.value != 0 ? 1 : 0;
        }
        any = true;
    }
    return any;
}

int V4l2Controls::write(V4l2Query& q, const VIDEOAMPVALUE& wanted, VIDEOAMPVALUE* known)
{
    int refused = 0;
    for (int i = 0; i < 10; ++i) {
        v4l2_queryctrl info;
        if (!query(q, kMappings[i].control, info))
            continue;
        const VIDEOAMPITEM& want = wanted.items[i];
        const bool wantAuto = want.automatic != 0;
        v4l2_queryctrl autoInfo;
        const bool hasAuto = query(q, kMappings[i].automatic, autoInfo) &&
                             !(autoInfo.flags & V4L2_CTRL_FLAG_READ_ONLY);
        // The automatic switch first: a manual value is refused while it is on.
        const bool autoSwitched =
            hasAuto && (!known || (known->items[i].automatic != 0) != wantAuto);
        if (autoSwitched) {
            if (!setControl(q, autoInfo.id, wantAuto ? 1 : 0))
                ++refused;
            else if (known)
                known->items[i].automatic = wantAuto ? 1 : 0;
        }
        if (hasAuto && wantAuto)
            continue;
        if (info.flags & V4L2_CTRL_FLAG_READ_ONLY)
            continue;
        const int32_t value = held(want.value, info);
        // After automatic mode the device's value is its own, whatever was kept.
        if (known && !autoSwitched && known->items[i].value == value)
            continue;
        if (!setControl(q, info.id, value))
            ++refused;
        else if (known)
            known->items[i].value = value;
    }
    return refused;
}

} // namespace zd
