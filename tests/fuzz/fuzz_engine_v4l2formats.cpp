// A V4L2 driver answering anything: the format list, the node's description
// and the picture controls built from its answers stay bounded and sane.
#include "devices/v4l2controls.h"
#include "devices/v4l2deviceprovider.h"
#include "devices/v4l2formatlist.h"

#include <cstdint>
#include <cstring>

namespace
{

class Bytes
{
public:
    Bytes(const uint8_t* d, size_t n) : m_data(d), m_size(n) {}
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return v;
    }
    uint8_t byte() { return m_size ? (m_at++, m_size--, m_data[m_at - 1]) : 0; }
    bool flag() { return byte() & 1; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

const uint32_t kCodes[] = {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG,  V4L2_PIX_FMT_NV12,
                           V4L2_PIX_FMT_H264, V4L2_PIX_FMT_YVU420, V4L2_PIX_FMT_P010};

class Driver : public zd::V4l2Query
{
public:
    explicit Driver(Bytes& b) : m_b(b) {}
    bool querycap(v4l2_capability& c) override
    {
        for (auto* field : {c.driver, c.card, c.bus_info})
            for (size_t i = 0; i < 32; ++i)
                field[i] = m_b.byte();
        c.capabilities = m_b.u32();
        c.device_caps = m_b.u32();
        return true;
    }
    bool enumFormat(v4l2_fmtdesc& d) override
    {
        d.pixelformat = m_b.flag() ? kCodes[m_b.byte() % 6] : m_b.u32();
        return m_b.byte() != 0;
    }
    bool enumFrameSize(v4l2_frmsizeenum& s) override
    {
        s.type = m_b.byte() % 4;
        s.stepwise = {m_b.u32(), m_b.u32(), m_b.u32(), m_b.u32(), m_b.u32(), m_b.u32()};
        return m_b.byte() != 0;
    }
    bool enumFrameInterval(v4l2_frmivalenum& i) override
    {
        i.type = m_b.byte() % 4;
        i.stepwise.min = {m_b.u32(), m_b.u32()};
        i.stepwise.max = {m_b.u32(), m_b.u32()};
        return m_b.byte() != 0;
    }
    bool queryControl(v4l2_queryctrl& q) override
    {
        q.id = m_b.flag() ? q.id : m_b.u32();
        q.type = m_b.byte() % 10;
        q.minimum = static_cast<int32_t>(m_b.u32());
        q.maximum = static_cast<int32_t>(m_b.u32());
        q.step = static_cast<int32_t>(m_b.u32());
        q.default_value = static_cast<int32_t>(m_b.u32());
        q.flags = m_b.u32();
        return m_b.byte() != 0;
    }
    bool getControl(v4l2_control& c) override
    {
        c.value = static_cast<int32_t>(m_b.u32());
        return m_b.flag();
    }
    bool setControl(v4l2_control&) override { return m_b.flag(); }

private:
    Bytes& m_b;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes b(data, size);
    Driver driver(b);
    const std::vector<DEV_CAPACITY> list = zd::V4l2FormatList::build(driver);
    if (list.size() > ZD_MAX_CAPACITIES)
        __builtin_trap();
    for (const DEV_CAPACITY& c : list) {
        if (c.width <= 0 || c.height <= 0 || c.width > 16384 || c.height > 16384 || c.fps <= 0 ||
            c.fps > 1000 || !memchr(c.codecName, 0, sizeof c.codecName))
            __builtin_trap();
    }
    DEV_CAPACITY chosen{};
    zd::V4l2FormatList::preferred(list, chosen);

    zd::V4l2NodeInfo info;
    if (zd::V4l2DeviceProvider::describe(driver, info) &&
        (!memchr(info.name.name, 0, sizeof info.name.name) || info.formats.empty()))
        __builtin_trap();

    VIDEOAMPVALUE known{};
    if (zd::V4l2Controls::read(driver, known)) {
        for (const VIDEOAMPITEM& item : known.items) {
            if (item.maximum < item.minimum ||
                (item.maximum > item.minimum &&
                 (item.value < item.minimum || item.value > item.maximum)))
                __builtin_trap();
        }
    }
    VIDEOAMPVALUE wanted{};
    for (VIDEOAMPITEM& item : wanted.items) {
        item.value = static_cast<int32_t>(b.u32());
        item.automatic = b.byte();
    }
    zd::V4l2Controls::write(driver, wanted, b.flag() ? &known : nullptr);
    return 0;
}
