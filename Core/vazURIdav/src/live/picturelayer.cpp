#include "live/picturelayer.h"

#include "core/text.h"
#include "live/mediafile.h"
#include "live/playlist.h"
#include "media/enginethread.h"
#include "vazURIdav_reports.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace zd::live
{

PictureLayer::~PictureLayer()
{
    // The worker ends before the members it reads go.
    stop();
}

void PictureLayer::apply(const Block& block, bool adding)
{
    PictureBlock p;
    if (!readPictureBlock(block.data(), block.size(), p))
        return;
    storeBlock(block);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool listChanged = p.listPath != m_settings.listPath;
        m_settings = p;
        if (adding || listChanged || p.command == ZD_PICTURE_CMD_APPLY_RELOAD)
            m_reload = true;
        m_changed = true;
        startWorker();
    }
    m_wake.notify_all();
}

Layer::Block PictureLayer::block() const
{
    Block b = Layer::block();
    SCENE_PICTURE_PARAMS p;
    std::memcpy(&p, b.data(), sizeof p);
    fillEngineFields(p);
    std::memcpy(b.data(), &p, sizeof p);
    return b;
}

int PictureLayer::nextIndex(int from)
{
    const int n = static_cast<int>(m_files.size());
    std::vector<int> usable;
    for (int i = 0; i < n; ++i) {
        if (!m_files[i].empty() && !m_failed[i])
            usable.push_back(i);
    }
    if (usable.empty())
        return -1;
    if (m_settings.order == 1 && usable.size() > 1) {
        // Random, but never the same picture twice in a row.
        std::uniform_int_distribution<size_t> pick(0, usable.size() - 1);
        int i = from;
        while (i == from)
            i = usable[pick(m_random)];
        return i;
    }
    for (int step = 1; step <= n; ++step) {
        const int i = ((from < 0 ? -1 : from) + step) % n;
        if (!m_files[i].empty() && !m_failed[i])
            return i;
    }
    return -1;
}

void PictureLayer::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    int index = -1;
    int width = -1, height = -1;
    while (m_running) {
        if (m_reload) {
            m_reload = false;
            reloadList(lock, m_settings.listPath);
            index = -1;
        }
        m_changed = false;
        const int next = nextIndex(index);
        if (next < 0) {
            // Nothing to show: wait for new settings.
            m_wake.wait(lock, [this] { return !m_running || m_changed; });
            continue;
        }
        const std::string path = m_files[next];
        lock.unlock();
        media::AVFramePtr picture = decodePicture(path);
        lock.lock();
        if (!m_running)
            break;
        if (!picture) {
            markFailed(next);
            continue;
        }
        index = next;
        m_current = path;
        m_picture.put(picture.get());
        if (picture->width != width || picture->height != height) {
            width = picture->width;
            height = picture->height;
            report(ZD_MSG_DEVICE_OPENED,
                   (static_cast<long long>(width & 0xFFFF) << 16) | (height & 0xFFFF));
        }
        const int delay = m_settings.delaySecs;
        auto woken = [this] { return !m_running || m_changed; };
        if (delay <= 0)
            m_wake.wait(lock, woken);
        else
            m_wake.wait_for(lock, std::chrono::seconds(delay), woken);
        // New settings keep the picture on screen until the delay ends,
        // unless the list was reloaded.
    }
}

} // namespace zd::live
