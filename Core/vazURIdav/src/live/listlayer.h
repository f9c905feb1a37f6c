// What the two list-driven layers (movies, pictures) share: a worker thread,
// the entries of their list file with a failed flag each, and the engine's
// fields of the kind block (current file, per-file error flags).
#pragma once

#include "live/layer.h"
#include "media/latestframe.h"

#include <condition_variable>
#include <thread>

namespace zd::live
{

class ListLayer : public Layer
{
public:
    using Layer::Layer;
    ~ListLayer() override;

    void stop() override;
    media::AVFramePtr picture(uint64_t& serial) const override { return m_picture.get(serial); }

protected:
    // Starts the worker (run()) unless it runs; the caller holds m_mutex.
    void startWorker();
    virtual void run() = 0;
    // Reads the list at path with m_mutex released; replaces the entries,
    // clears every flag (reporting 12351 with -1 when some were set) and
    // reports the open result (67853). The caller holds lock on m_mutex.
    bool reloadList(std::unique_lock<std::mutex>& lock, std::string path);
    // Flags the entry and reports it (12351 with its index).
    void markFailed(int index);
    // Copies the current file's path and the error flags into a kind block
    // record whose fields lie where both kinds keep them.
    template <typename Record> void fillEngineFields(Record& r) const
    {
        copyCurrent(r.currentPath, sizeof r.currentPath);
        copyFlags(r.fileError);
    }

    media::LatestFrame m_picture;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;
    std::vector<std::string> m_files;
    std::vector<uint32_t> m_failed;
    std::string m_current;

private:
    void copyCurrent(char* field, size_t size) const;
    void copyFlags(uint32_t (&flags)[ZD_LAYER_LIST_FILES]) const;

    std::thread m_thread;
};

} // namespace zd::live
