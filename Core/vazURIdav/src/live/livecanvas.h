// The live canvas: the layers of the scene, composed in z order into the
// pictures of the base device "NULL" at its size and rate, and their sound
// mixed. What the canvas gives goes the way of any open device's frames:
// preview, recording, pictures, the live stream. Layers live with the engine
// handle, whether the canvas is open or not; the compositor and the mixer run
// while it is open.
#pragma once

#include "core/enginecomponent.h"
#include "devices/framereceiver.h"
#include "live/layer.h"
#include "vazURIdav.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zd
{
class Engine;
namespace devices
{
class VirtualCameraCapture;
}
} // namespace zd

namespace zd::live
{

class LiveCanvas : public EngineComponent, private LayerHost
{
public:
    explicit LiveCanvas(Engine& engine);
    ~LiveCanvas() override;

    void stop() override;

    // The C calls, with their results.
    int add(const char* key, int kind, const LIVEPIP_PARAMTERS* params);
    int edit(const char* key, int mask, const LIVEPIP_PARAMTERS* params);
    int remove(const char* key);
    int privateData(const char* key, void* buffer, int* size) const;
    int queryLost(const std::string& key, const DeviceNotification& n, int* lost) const;
    int frameRate(const std::string& key) const;
    // A layer's filter chain (the filters of its key) changed.
    void setFilters(const std::string& key, const std::vector<media::FilterSpec>& filters);
    // Test control: the rectangle the layer was last composed into.
    bool composedRect(const std::string& key, int out[4]) const;

    // The base device: composes at inUse's size and rate into receiver
    // (pictures and sound) until stopComposing; reports go to target.
    bool startComposing(const DEV_CAPACITY& inUse, FrameReceiver& receiver, void* target);
    void stopComposing();

private:
    struct Cache;

    // LayerHost
    void report(unsigned int msg, unsigned long key, long long lParam) override;
    DeviceManager& devices() override;
    bool deviceInUse(const std::string& path, const Layer* except) const override;

    std::shared_ptr<Layer> find(const std::string& key) const;
    std::vector<std::shared_ptr<Layer>> snapshot() const;
    media::AVFramePtr compose();
    void drawLayer(AVFrame* canvas, Layer& layer, const Placement& p, Cache& cache);
    void mixLoop();

    Engine& m_engine;
    mutable std::mutex m_mutex; // the layer list
    std::vector<std::shared_ptr<Layer>> m_layers;
    bool m_stopped = false;

    std::mutex m_composeMutex; // start and stop of composing
    std::atomic<void*> m_target{nullptr};
    FrameReceiver* m_receiver = nullptr;
    int m_width = 0, m_height = 0;
    std::unique_ptr<devices::VirtualCameraCapture> m_compositor;
    std::map<const Layer*, std::unique_ptr<Cache>> m_caches; // the compositor's own
    std::vector<std::shared_ptr<Layer>> m_cacheOwners;       // keep cached addresses unique
    std::atomic<bool> m_mixing{false};
    std::thread m_mixer;
};

} // namespace zd::live
