// The schedule file reader on arbitrary bytes, the rules run on every loaded
// timer, then the writer.
#include "fuzz_common_app.h"
#include "qmytimerhelper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    ScheduleClock::setUtcSource([] { return qint64(1715068800); });
    QMyTimerHelper store(nullptr, "RecordTimer");
    zdfuzz::writeFile(store.filePath(), data, size);
    store.loadSchedules();
    int walked = 0;
    for (const QTimerSchedule* schedule : store.schedules) {
        for (const EVTIMER& timer : schedule->timers) {
            unsigned int next = 0;
            int duration = 0;
            QTimerSchedule::getTimerNext(timer, next, duration, 0);
            QTimerSchedule::getTimerInfo(timer);
            // The conflict walk is costly; a few timers show its bounds.
            if (++walked <= 2 && schedule->timers.size() <= 4)
                schedule->isDateTimeConflict(timer, nullptr);
        }
    }
    unsigned int next = 0, duration = 0;
    store.getNextTimerString(&next, &duration);
    store.saveSchedules();
    return 0;
}
