// A movie play list on the canvas: the files of a list file played one after
// another (or the current one again and again) with libavformat and
// libavcodec, on the layer's own thread at the files' own pace. Play, pause,
// seek and a jump to a list position come through the kind block; a file that
// cannot be played is flagged, reported and skipped. The current file, its
// position and duration and the play state are written back into the block.
#pragma once

#include "live/listlayer.h"

namespace zd::live
{

class MovieLayer : public ListLayer
{
public:
    using ListLayer::ListLayer;
    ~MovieLayer() override;

    void apply(const Block& block, bool adding) override;
    Block block() const override;

private:
    struct Pending {
        bool reload = false;
        int playAt = -1;
        int seekMs = -1;
        int pauseState = 0; // 1 play, 2 pause, 0 no change
    };
    enum class End { Finished, Failed, Interrupted, Stopped };

    void run() override;
    End play(int index, const std::string& path);
    int nextIndex(int from, bool wrap) const;
    // Waits until due (monotonic microseconds) or a command; false when a
    // command or the stop came first.
    bool waitUntil(std::unique_lock<std::mutex>& lock, int64_t dueUs);

    Pending m_pending;
    int m_loopMode = 0;
    std::string m_listPath;
    // What the block reports besides the current file and the flags.
    int m_currentIndex = 0;
    int m_positionMs = 0;
    int m_durationMs = 0;
    int m_playState = 1;
};

} // namespace zd::live
