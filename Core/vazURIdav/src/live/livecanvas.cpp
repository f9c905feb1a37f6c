#include "live/livecanvas.h"

#include "core/engine.h"
#include "devices/virtualcameracapture.h"
#include "filters/filterchains.h"
#include "live/devicelayer.h"
#include "live/movielayer.h"
#include "live/picturelayer.h"
#include "live/textlayer.h"
#include "media/enginethread.h"
#include "media/framepool.h"
#include "vazURIdav_reports.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <unordered_map>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

namespace zd::live
{

namespace
{

constexpr int kMixBlock = AudioInput::kSampleRate / 50; // 20 ms
constexpr int kLevelBlocks = 5;                         // a level report every 100 ms
constexpr int64_t kMixLatencyUs = 60000;

bool hasAlpha(int format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    return d && (d->flags & AV_PIX_FMT_FLAG_ALPHA);
}

int evenDown(int v)
{
    return v & ~1;
}

void fillBlack(AVFrame* f)
{
    for (int y = 0; y < f->height; ++y)
        std::memset(f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0], 16, f->width);
    for (int p = 1; p <= 2; ++p) {
        for (int y = 0; y < f->height / 2; ++y)
            std::memset(f->data[p] + static_cast<ptrdiff_t>(y) * f->linesize[p], 128, f->width / 2);
    }
}

// Mixes src over dst (weight 0..256) for one row.
inline void blendRow(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int alphaStep, int n,
                     int layerWeight)
{
    for (int i = 0; i < n; ++i) {
        const int a = alpha ? (alpha[i * alphaStep] * layerWeight + 127) / 255 : layerWeight;
        dst[i] = static_cast<uint8_t>(dst[i] + (((src[i] - dst[i]) * a) >> 8));
    }
}

} // namespace

struct LiveCanvas::Cache {
    uint64_t serial = 0;
    bool valid = false;
    int srcW = 0, srcH = 0, srcFormat = -1;
    int vx = 0, vy = 0, vw = 0, vh = 0;
    media::SwsContextPtr sws;
    media::AVFramePtr scaled;
    bool alpha = false;
};

LiveCanvas::LiveCanvas(Engine& engine) : m_engine(engine) {}

LiveCanvas::~LiveCanvas()
{
    stop();
}

void LiveCanvas::stop()
{
    std::vector<std::shared_ptr<Layer>> layers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        layers.swap(m_layers);
    }
    stopComposing();
    for (auto& layer : layers)
        layer->stop();
}

std::shared_ptr<Layer> LiveCanvas::find(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& layer : m_layers) {
        if (layer->key() == key)
            return layer;
    }
    return nullptr;
}

std::vector<std::shared_ptr<Layer>> LiveCanvas::snapshot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_layers;
}

int LiveCanvas::add(const char* key, int kind, const LIVEPIP_PARAMTERS* params)
{
    std::string k;
    unsigned long number = 0;
    if (!params || !parseLayerKey(key, k, number) || kind < KindVideoDevice || kind > KindText)
        return 0;
    LIVEPIP_PARAMTERS record;
    std::memcpy(&record, params, sizeof record);
    Placement placement;
    Layer::Block block;
    std::memcpy(block.data(), record.kindBlock, block.size());
    if (!readPlacement(record, -1, placement) || !checkKindBlock(kind, block.data(), block.size()))
        return 0;
    std::shared_ptr<Layer> layer;
    LayerHost& host = *this;
    switch (kind) {
    case KindVideoDevice:
    case KindAudioDevice:
        layer = std::make_shared<DeviceLayer>(host, k, number, kind);
        break;
    case KindPictures:
        layer = std::make_shared<PictureLayer>(host, k, number, kind);
        break;
    case KindMovie:
        layer = std::make_shared<MovieLayer>(host, k, number, kind);
        break;
    default:
        layer = std::make_shared<TextLayer>(host, k, number, kind);
        break;
    }
    layer->setPlacement(placement);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopped)
            return 0;
        // A key names one layer: reports and filters find it by that key.
        for (const auto& l : m_layers) {
            if (l->key() == k)
                return 0;
        }
        m_layers.push_back(layer);
    }
    if (FilterChains* filters = m_engine.component<FilterChains>())
        layer->setFilters(filters->specs(k));
    layer->apply(block, true);
    return 1;
}

int LiveCanvas::edit(const char* key, int mask, const LIVEPIP_PARAMTERS* params)
{
    std::string k;
    unsigned long number = 0;
    if (!params || !parseLayerKey(key, k, number))
        return 0;
    std::shared_ptr<Layer> layer = find(k);
    if (!layer)
        return 0;
    LIVEPIP_PARAMTERS record;
    std::memcpy(&record, params, sizeof record);
    Placement in = layer->placement();
    if (!readPlacement(record, mask, in))
        return 0;
    Layer::Block block;
    if (mask & MaskKindBlock) {
        std::memcpy(block.data(), record.kindBlock, block.size());
        if (!checkKindBlock(layer->kind(), block.data(), block.size()))
            return 0;
    }
    layer->setPlacement(mergePlacement(layer->placement(), in, mask));
    if (mask & MaskKindBlock)
        layer->apply(block, false);
    return 1;
}

int LiveCanvas::remove(const char* key)
{
    std::string k;
    unsigned long number = 0;
    if (!parseLayerKey(key, k, number))
        return 0;
    std::shared_ptr<Layer> layer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = std::find_if(m_layers.begin(), m_layers.end(),
                               [&](const std::shared_ptr<Layer>& l) { return l->key() == k; });
        if (it == m_layers.end())
            return 0;
        layer = *it;
        m_layers.erase(it);
    }
    layer->stop();
    return 1;
}

int LiveCanvas::privateData(const char* key, void* buffer, int* size) const
{
    std::string k;
    unsigned long number = 0;
    if (!buffer || !size || *size <= 0 || !parseLayerKey(key, k, number))
        return 0;
    std::shared_ptr<Layer> layer = find(k);
    if (!layer)
        return 0;
    const Layer::Block block = layer->block();
    const size_t n = std::min(static_cast<size_t>(*size), block.size());
    std::memcpy(buffer, block.data(), n);
    *size = static_cast<int>(n);
    return 1;
}

int LiveCanvas::queryLost(const std::string& key, const DeviceNotification& n, int* lost) const
{
    std::shared_ptr<Layer> layer = find(key);
    if (!layer || !lost)
        return 0;
    *lost = layer->lostBy(n) ? 1 : 0;
    return 1;
}

int LiveCanvas::frameRate(const std::string& key) const
{
    std::shared_ptr<Layer> layer = find(key);
    return layer ? layer->frameRate() : 0;
}

void LiveCanvas::setFilters(const std::string& key, const std::vector<media::FilterSpec>& filters)
{
    if (std::shared_ptr<Layer> layer = find(key))
        layer->setFilters(filters);
}

bool LiveCanvas::composedRect(const std::string& key, int out[4]) const
{
    std::shared_ptr<Layer> layer = find(key);
    return layer && layer->composedRect(out);
}

void LiveCanvas::report(unsigned int msg, unsigned long key, long long lParam)
{
    m_engine.post(m_target.load(), msg, key, lParam);
}

DeviceManager& LiveCanvas::devices()
{
    return m_engine.devices();
}

bool LiveCanvas::deviceInUse(const std::string& path, const Layer* except) const
{
    for (const auto& layer : snapshot()) {
        if (layer.get() != except && layer->usesDevice(path))
            return true;
    }
    return false;
}

bool LiveCanvas::startComposing(const DEV_CAPACITY& inUse, FrameReceiver& receiver, void* target)
{
    stopComposing();
    std::lock_guard<std::mutex> lock(m_composeMutex);
    {
        std::lock_guard<std::mutex> layers(m_mutex);
        if (m_stopped)
            return false;
    }
    m_target = target;
    m_receiver = &receiver;
    m_compositor = std::make_unique<devices::VirtualCameraCapture>(
        [this](int64_t, int64_t, int64_t) { return compose(); }, inUse.width, inUse.height,
        inUse.fps > 0 ? inUse.fps : 30,
        [this](media::AVFramePtr frame) { m_receiver->videoFrame(frame.get()); });
    m_width = m_compositor->width();
    m_height = m_compositor->height();
    m_compositor->start();
    m_mixing = true;
    m_mixer = media::startEngineThread([this] { mixLoop(); });
    return true;
}

void LiveCanvas::stopComposing()
{
    std::lock_guard<std::mutex> lock(m_composeMutex);
    if (m_compositor)
        m_compositor->stop();
    m_compositor.reset();
    m_mixing = false;
    if (m_mixer.joinable())
        m_mixer.join();
    m_caches.clear();
    m_cacheOwners.clear();
    m_receiver = nullptr;
}

media::AVFramePtr LiveCanvas::compose()
{
    static thread_local media::FramePool pool;
    media::AVFramePtr canvas = pool.get(m_width, m_height, AV_PIX_FMT_YUV420P);
    if (!canvas)
        return nullptr;
    fillBlack(canvas.get());
    std::vector<std::shared_ptr<Layer>> layers = snapshot();
    // The GUI thread moves layers while this runs: each placement is read
    // once, and the frame is sorted and drawn from that copy, as a sort
    // whose keys change under it may step outside the list.
    struct Placed {
        Layer* layer;
        Placement placement;
    };
    std::vector<Placed> placed;
    placed.reserve(layers.size());
    for (const auto& layer : layers)
        placed.push_back({layer.get(), layer->placement()});
    // The lowest z first; equal z in the order the layers were added.
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.placement.z < b.placement.z;
    });
    std::map<const Layer*, std::unique_ptr<Cache>> kept;
    for (const Placed& p : placed) {
        auto it = m_caches.find(p.layer);
        std::unique_ptr<Cache> cache;
        if (it != m_caches.end() && it->second) {
            cache = std::move(it->second);
        } else {
            cache = std::make_unique<Cache>();
        }
        drawLayer(canvas.get(), *p.layer, p.placement, *cache);
        kept[p.layer] = std::move(cache);
    }
    // Caches of removed layers go; the layer list holds the layers of the
    // kept ones, so no address is reused while its cache lives.
    m_caches.swap(kept);
    m_cacheOwners = std::move(layers);
    return canvas;
}

void LiveCanvas::drawLayer(AVFrame* canvas, Layer& layer, const Placement& p, Cache& cache)
{
    if (!p.enabled || p.alpha <= 0)
        return;
    const int x = evenDown(p.x), y = evenDown(p.y);
    const int w = evenDown(p.width), h = evenDown(p.height);
    if (w <= 0 || h <= 0)
        return;
    const int vx = std::max(x, 0), vy = std::max(y, 0);
    const int vr = std::min(x + w, canvas->width), vb = std::min(y + h, canvas->height);
    if (vr - vx < 2 || vb - vy < 2)
        return;
    const int vw = evenDown(vr - vx), vh = evenDown(vb - vy);
    uint64_t serial = 0;
    media::AVFramePtr picture = layer.picture(serial);
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return;
    const bool stale = !cache.valid || cache.serial != serial || cache.srcW != picture->width ||
                       cache.srcH != picture->height || cache.srcFormat != picture->format ||
                       cache.vx != vx || cache.vy != vy || cache.vw != vw || cache.vh != vh;
    if (stale) {
        cache.valid = false;
        // Only the part of the picture that lands on the canvas is scaled.
        media::AVFramePtr part = media::refFrame(picture.get());
        if (!part)
            return;
        const int64_t srcW = picture->width, srcH = picture->height;
        part->crop_left = static_cast<size_t>((vx - x) * srcW / w);
        part->crop_top = static_cast<size_t>((vy - y) * srcH / h);
        const int64_t keepW = std::max<int64_t>(1, vw * srcW / w),
                      keepH = std::max<int64_t>(1, vh * srcH / h);
        part->crop_right =
            static_cast<size_t>(std::max<int64_t>(0, srcW - int64_t(part->crop_left) - keepW));
        part->crop_bottom =
            static_cast<size_t>(std::max<int64_t>(0, srcH - int64_t(part->crop_top) - keepH));
        if (av_frame_apply_cropping(part.get(), AV_FRAME_CROP_UNALIGNED) < 0)
            return;
        cache.alpha = hasAlpha(picture->format);
        const AVPixelFormat out = cache.alpha ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P;
        cache.sws.reset(sws_getCachedContext(cache.sws.release(), part->width, part->height,
                                             static_cast<AVPixelFormat>(part->format), vw, vh, out,
                                             SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!cache.sws)
            return;
        if (!cache.scaled || cache.scaled->width != vw || cache.scaled->height != vh ||
            cache.scaled->format != out || !av_frame_is_writable(cache.scaled.get())) {
            cache.scaled = media::makeFrame();
            if (!cache.scaled)
                return;
            cache.scaled->width = vw;
            cache.scaled->height = vh;
            cache.scaled->format = out;
            if (av_frame_get_buffer(cache.scaled.get(), 0) < 0) {
                cache.scaled.reset();
                return;
            }
        }
        if (sws_scale(cache.sws.get(), part->data, part->linesize, 0, part->height,
                      cache.scaled->data, cache.scaled->linesize) <= 0)
            return;
        cache.serial = serial;
        cache.srcW = picture->width;
        cache.srcH = picture->height;
        cache.srcFormat = picture->format;
        cache.vx = vx;
        cache.vy = vy;
        cache.vw = vw;
        cache.vh = vh;
        cache.valid = true;
    }
    layer.setComposedRect(vx, vy, vw, vh);
    const AVFrame* s = cache.scaled.get();
    const int weight = p.alpha * 256 / 100;
    const bool opaque = !cache.alpha && p.alpha >= 100;
    for (int row = 0; row < vh; ++row) {
        uint8_t* dst =
            canvas->data[0] + static_cast<ptrdiff_t>(vy + row) * canvas->linesize[0] + vx;
        const uint8_t* src = s->data[0] + static_cast<ptrdiff_t>(row) * s->linesize[0];
        if (opaque)
            std::memcpy(dst, src, vw);
        else
            blendRow(dst, src,
                     cache.alpha ? s->data[3] + static_cast<ptrdiff_t>(row) * s->linesize[3]
                                 : nullptr,
                     1, vw, weight);
    }
    for (int plane = 1; plane <= 2; ++plane) {
        for (int row = 0; row < vh / 2; ++row) {
            uint8_t* dst = canvas->data[plane] +
                           static_cast<ptrdiff_t>(vy / 2 + row) * canvas->linesize[plane] + vx / 2;
            const uint8_t* src = s->data[plane] + static_cast<ptrdiff_t>(row) * s->linesize[plane];
            if (opaque)
                std::memcpy(dst, src, vw / 2);
            else
                blendRow(dst, src,
                         cache.alpha ? s->data[3] + static_cast<ptrdiff_t>(2 * row) * s->linesize[3]
                                     : nullptr,
                         2, vw / 2, weight);
        }
    }
}

void LiveCanvas::mixLoop()
{
    // Each block is mixed this long after its time, when the sound of every
    // layer for it is in: capture devices hand theirs in a frame after its
    // first sample. The block keeps the time it mixes, so the delay is the
    // mixer's alone and never reaches the recording or the stream.
    const int64_t latencySamples = AudioInput::sampleAt(kMixLatencyUs);
    int64_t produced = AudioInput::sampleAt(av_gettime_relative()) - latencySamples;
    int blocks = 0;
    std::vector<float> mix(kMixBlock * 2), scratch(kMixBlock * 2);
    std::unordered_map<uint64_t, float> peaks;
    while (m_mixing) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const int64_t due = AudioInput::sampleAt(av_gettime_relative()) - latencySamples;
        // Far behind (a stalled machine): go on from now rather than catch up.
        if (due - produced > AudioInput::kSampleRate / 2)
            produced = due - kMixBlock;
        while (m_mixing && due - produced >= kMixBlock) {
            std::fill(mix.begin(), mix.end(), 0.0f);
            const std::vector<std::shared_ptr<Layer>> layers = snapshot();
            for (const auto& layer : layers) {
                AudioInput* audio = layer->audio();
                if (!audio)
                    continue;
                const Placement p = layer->placement();
                // A switched-off layer is not heard; its sound is still
                // taken, so that it does not come late when switched on.
                float peak;
                if (p.enabled) {
                    peak = audio->mixInto(mix.data(), kMixBlock, p.volume / 100.0f, produced);
                } else {
                    std::fill(scratch.begin(), scratch.end(), 0.0f);
                    audio->mixInto(scratch.data(), kMixBlock, 0.0f, produced);
                    peak = 0.0f;
                }
                float& kept = peaks[layer->id()];
                kept = std::max(kept, peak);
            }
            media::AVFramePtr frame = media::makeFrame();
            if (frame) {
                frame->format = AV_SAMPLE_FMT_FLTP;
                frame->sample_rate = AudioInput::kSampleRate;
                frame->nb_samples = kMixBlock;
                av_channel_layout_default(&frame->ch_layout, 2);
                if (av_frame_get_buffer(frame.get(), 0) == 0) {
                    auto* left = reinterpret_cast<float*>(frame->data[0]);
                    auto* right = reinterpret_cast<float*>(frame->data[1]);
                    for (int i = 0; i < kMixBlock; ++i) {
                        left[i] = std::clamp(mix[2 * i], -1.0f, 1.0f);
                        right[i] = std::clamp(mix[2 * i + 1], -1.0f, 1.0f);
                    }
                    frame->pts = AudioInput::timeOf(produced);
                    frame->time_base = AVRational{1, 1000000};
                    m_receiver->audioFrame(frame.get());
                }
            }
            produced += kMixBlock;
            if (++blocks % kLevelBlocks == 0) {
                for (const auto& layer : layers) {
                    if (!layer->audio())
                        continue;
                    const float peak = peaks[layer->id()];
                    report(ZD_MSG_OVERLAY_AUDIO_LEVEL, layer->number(),
                           std::lround(std::min(peak, 1.0f) * 300));
                }
                peaks.clear();
            }
        }
    }
}

} // namespace zd::live
