#include "live/canvasdeviceprovider.h"

#include "core/engine.h"
#include "devices/virtualcamera.h"
#include "live/livecanvas.h"

#include <mutex>

namespace zd::live
{

namespace
{

// Takes any sane format like the test-pattern camera, and composes instead
// of drawing a pattern.
class CanvasDevice : public VirtualCamera
{
public:
    explicit CanvasDevice(Engine& engine)
        : VirtualCamera(CanvasDeviceProvider::kName, CanvasDeviceProvider::kPath,
                        VirtualCamera::format(1920, 1080, 30, "YV12", 0, 0)),
          m_engine(engine)
    {
    }

    void reportTo(void* target) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_target = target;
    }
    bool carriesSound() const override { return true; }

    bool startCapture(const DEV_CAPACITY& inUse, FrameReceiver& receiver) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        LiveCanvas* canvas = m_engine.component<LiveCanvas>();
        if (!canvas || !canvas->startComposing(inUse, receiver, m_target))
            return false;
        m_composing = canvas;
        return true;
    }

    void stopCapture() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_composing)
            m_composing->stopComposing();
        m_composing = nullptr;
    }

private:
    Engine& m_engine;
    std::mutex m_mutex;
    void* m_target = nullptr;
    // Components live as long as the engine, so the canvas outlives this.
    LiveCanvas* m_composing = nullptr;
};

} // namespace

CanvasDeviceProvider::CanvasDeviceProvider(Engine& engine)
    : m_device(std::make_shared<CanvasDevice>(engine))
{
}

} // namespace zd::live
