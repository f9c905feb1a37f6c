#include "live/layer.h"

#include <cstring>

namespace zd::live
{

namespace
{

// Four 16-bit fields in one word; every value fits (coordinates are bounded
// by kMaxCoordinate).
uint64_t pack(int a, int b, int c, int d)
{
    return (uint64_t(uint16_t(int16_t(a))) << 48) | (uint64_t(uint16_t(int16_t(b))) << 32) |
           (uint64_t(uint16_t(int16_t(c))) << 16) | uint64_t(uint16_t(int16_t(d)));
}

int field(uint64_t word, int index)
{
    return int16_t(uint16_t(word >> (48 - 16 * index)));
}

} // namespace

Layer::Layer(LayerHost& host, std::string key, unsigned long number, int kind)
    : m_host(host), m_key(std::move(key)), m_number(number), m_kind(kind), m_id([] {
          static std::atomic<uint64_t> next{1};
          return next++;
      }())
{
    setPlacement(Placement{});
}

Layer::Block Layer::block() const
{
    std::lock_guard<std::mutex> lock(m_blockMutex);
    return m_block;
}

void Layer::storeBlock(const Block& block)
{
    std::lock_guard<std::mutex> lock(m_blockMutex);
    m_block = block;
}

Placement Layer::placement() const
{
    const uint64_t rect = m_rect.load();
    const uint64_t look = m_look.load();
    Placement p;
    p.x = field(rect, 0);
    p.y = field(rect, 1);
    p.width = field(rect, 2);
    p.height = field(rect, 3);
    p.alpha = int(look >> 56);
    p.enabled = ((look >> 48) & 1) != 0;
    p.volume = int((look >> 40) & 0xFF);
    p.z = int(look & 0xFFFFFFFFu);
    return p;
}

void Layer::setPlacement(const Placement& p)
{
    m_rect.store(pack(p.x, p.y, p.width, p.height));
    m_look.store((uint64_t(p.alpha & 0xFF) << 56) | (uint64_t(p.enabled ? 1 : 0) << 48) |
                 (uint64_t(p.volume & 0xFF) << 40) | uint64_t(uint32_t(p.z)));
}

void Layer::setComposedRect(int x, int y, int w, int h)
{
    m_composed.store(pack(x, y, w, h));
    m_composedSet.store(true);
}

bool Layer::composedRect(int out[4]) const
{
    if (!m_composedSet.load())
        return false;
    const uint64_t r = m_composed.load();
    for (int i = 0; i < 4; ++i)
        out[i] = field(r, i);
    return true;
}

} // namespace zd::live
