// One layer of the live canvas: its place and look, which the GUI thread
// changes while the canvas composes (kept in atomics, so neither ever waits
// for the other), its kind block, and the source behind it: a picture the
// compositor reads and sound the mixer reads.
#pragma once

#include "devices/devicenotification.h"
#include "live/audioinput.h"
#include "live/layerparams.h"
#include "media/avholders.h"
#include "media/filterrunner.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zd
{
class DeviceManager;
}

namespace zd::live
{

class Layer;

// What a layer needs from the canvas that holds it.
class LayerHost
{
public:
    virtual ~LayerHost() = default;
    // Queues a report about the layer numbered key to the canvas's receiver.
    virtual void report(unsigned int msg, unsigned long key, long long lParam) = 0;
    virtual DeviceManager& devices() = 0;
    // Another layer than except has the device of that path open.
    virtual bool deviceInUse(const std::string& path, const Layer* except) const = 0;
};

class Layer
{
public:
    using Block = std::array<uint8_t, ZD_KIND_BLOCK_BYTES>;

    Layer(LayerHost& host, std::string key, unsigned long number, int kind);
    virtual ~Layer() = default;
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // Unique among all layers ever made by this process.
    uint64_t id() const { return m_id; }
    const std::string& key() const { return m_key; }
    unsigned long number() const { return m_number; }
    int kind() const { return m_kind; }

    // Takes a kind block that checkKindBlock accepted: at the add (adding)
    // or from an edit with the kind-block bit. Starts or changes the source.
    virtual void apply(const Block& block, bool adding) = 0;
    // Ends the source's threads; nothing is reported afterwards.
    virtual void stop() {}
    // The newest picture and its serial; null when the layer has none.
    virtual media::AVFramePtr picture(uint64_t& serial) const
    {
        (void)serial;
        return nullptr;
    }
    // The layer's sound, or null for a silent layer.
    AudioInput* audio() { return m_hasAudio.load() ? &m_audio : nullptr; }
    // The kind block as the engine sees it, engine fields filled in.
    virtual Block block() const;
    virtual void setFilters(const std::vector<media::FilterSpec>& filters) { (void)filters; }
    virtual int frameRate() const { return 0; }
    // Answers whether the removal notification took this layer's device.
    virtual bool lostBy(const DeviceNotification& n) const
    {
        (void)n;
        return false;
    }
    virtual bool usesDevice(const std::string& path) const
    {
        (void)path;
        return false;
    }

    Placement placement() const;
    void setPlacement(const Placement& p);
    // The rectangle the compositor last drew the layer into (x, y, w, h).
    void setComposedRect(int x, int y, int w, int h);
    bool composedRect(int out[4]) const;

protected:
    void storeBlock(const Block& block);
    void report(unsigned int msg, long long lParam) { m_host.report(msg, m_number, lParam); }

    LayerHost& m_host;
    const std::string m_key;
    const unsigned long m_number;
    const int m_kind;
    const uint64_t m_id;
    mutable std::mutex m_blockMutex;
    Block m_block{};
    AudioInput m_audio;
    std::atomic<bool> m_hasAudio{false};

private:
    std::atomic<uint64_t> m_rect{0};
    std::atomic<uint64_t> m_look{0};
    std::atomic<uint64_t> m_composed{0};
    std::atomic<bool> m_composedSet{false};
};

} // namespace zd::live
