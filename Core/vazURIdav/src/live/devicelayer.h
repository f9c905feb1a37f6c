// A capture device on the canvas (video, with its own sound when asked) or a
// sound device alone. The device runs its own capture threads; pictures go
// through the layer's filter chain, sound to the mixer.
#pragma once

#include "devices/capturedevice.h"
#include "devices/framereceiver.h"
#include "live/layer.h"

#include <memory>
#include <mutex>
#include <set>

namespace zd::media
{
class SourcePipeline;
}

namespace zd::live
{

class DeviceLayer : public Layer, private FrameReceiver
{
public:
    DeviceLayer(LayerHost& host, std::string key, unsigned long number, int kind);
    ~DeviceLayer() override;

    void apply(const Block& block, bool adding) override;
    void stop() override;
    media::AVFramePtr picture(uint64_t& serial) const override;
    void setFilters(const std::vector<media::FilterSpec>& filters) override;
    int frameRate() const override;
    bool lostBy(const DeviceNotification& n) const override;
    bool usesDevice(const std::string& path) const override;

private:
    void videoFrame(const AVFrame* frame) override;
    void audioFrame(const AVFrame* frame) override;
    void captureFailed(int code) override;

    // Opens what the block names; the open result as 67853 reads it.
    int open(const DeviceBlock& block);
    void close();

    mutable std::mutex m_mutex; // the devices and the pipeline
    std::shared_ptr<CaptureDevice> m_video;
    std::shared_ptr<CaptureDevice> m_sound;
    std::shared_ptr<media::SourcePipeline> m_pipeline;
    std::vector<media::FilterSpec> m_filters;
    std::mutex m_failMutex;
    std::set<int> m_told;
};

} // namespace zd::live
