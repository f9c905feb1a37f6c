#include "live/listlayer.h"

#include "core/text.h"
#include "live/playlist.h"
#include "media/enginethread.h"
#include "vazURIdav_reports.h"

#include <algorithm>
#include <cstring>

namespace zd::live
{

ListLayer::~ListLayer()
{
    stop();
}

void ListLayer::startWorker()
{
    if (m_running || m_thread.joinable())
        return;
    m_running = true;
    m_thread = media::startEngineThread([this] { run(); });
}

void ListLayer::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ListLayer::reloadList(std::unique_lock<std::mutex>& lock, std::string path)
{
    lock.unlock();
    std::vector<std::string> files;
    const bool loaded = PlayList::load(path, files);
    lock.lock();
    const bool hadErrors = std::find(m_failed.begin(), m_failed.end(), 1u) != m_failed.end();
    m_files = std::move(files);
    m_failed.assign(m_files.size(), 0);
    if (hadErrors)
        report(ZD_MSG_OVERLAY_FILE_ERROR, -1);
    report(ZD_MSG_OVERLAY_OPEN_RESULT, loaded ? 0 : 1);
    if (!loaded) {
        m_picture.clear();
        m_current.clear();
    }
    return loaded;
}

void ListLayer::markFailed(int index)
{
    if (index >= 0 && index < static_cast<int>(m_failed.size()))
        m_failed[index] = 1;
    report(ZD_MSG_OVERLAY_FILE_ERROR, index);
}

void ListLayer::copyCurrent(char* field, size_t size) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    copyText(field, size, m_current);
}

void ListLayer::copyFlags(uint32_t (&flags)[ZD_LAYER_LIST_FILES]) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::memset(flags, 0, sizeof flags);
    for (size_t i = 0; i < m_failed.size() && i < ZD_LAYER_LIST_FILES; ++i)
        flags[i] = m_failed[i];
}

} // namespace zd::live
