// One named recording schedule and the time rules of its timers. Every time
// here is in local seconds: local wall-clock time counted from 1970-01-01 as
// if it were UTC, so dates are read back with UTC calendar arithmetic.
#pragma once

#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "scheduleclock.h"

enum : uint32_t {
    TIMER_REPEAT_ONCE = 0,
    TIMER_REPEAT_DAILY = 1,
    TIMER_REPEAT_WEEKLY = 2,
    TIMER_REPEAT_MONTHLY = 3,
};

#pragma pack(push, 1)
struct EVTIMER {
    uint32_t id;   // unique within its schedule
    char name[64]; // local 8-bit, NUL-padded; a full field has no terminator
    int32_t enabled;
    uint32_t duration;  // seconds
    uint32_t startTime; // second of the day
    uint32_t repeat;    // TIMER_REPEAT_*
    uint32_t date;      // once: start of the day, local seconds
    uint32_t weekDay;   // weekly: 0 Monday .. 6 Sunday
    uint32_t monthDay;  // monthly: day of the month less one
    uint8_t reserved[64];
};
#pragma pack(pop)

static_assert(sizeof(EVTIMER) == 160, "EVTIMER is the schedule file record");
static_assert(offsetof(EVTIMER, name) == 4, "EVTIMER layout");
static_assert(offsetof(EVTIMER, enabled) == 68, "EVTIMER layout");
static_assert(offsetof(EVTIMER, duration) == 72, "EVTIMER layout");
static_assert(offsetof(EVTIMER, startTime) == 76, "EVTIMER layout");
static_assert(offsetof(EVTIMER, repeat) == 80, "EVTIMER layout");
static_assert(offsetof(EVTIMER, date) == 84, "EVTIMER layout");
static_assert(offsetof(EVTIMER, weekDay) == 88, "EVTIMER layout");
static_assert(offsetof(EVTIMER, monthDay) == 92, "EVTIMER layout");
static_assert(offsetof(EVTIMER, reserved) == 96, "EVTIMER layout");

class QTimerSchedule
{
public:
    QTimerSchedule() = default;
    virtual ~QTimerSchedule();

    // 1: next start found (next, duration set); -1: a once timer whose start
    // is not after the base (outputs set all the same); 0: no start within the
    // 31 days searched. A base of 0 means now.
    static int getTimerNext(const EVTIMER& timer, unsigned int& next, int& duration,
                            unsigned int base);
    // Whether the timer overlaps an enabled timer of this schedule within the
    // coming 365 days; index receives that timer's position.
    bool isDateTimeConflict(const EVTIMER& timer, int* index) const;
    static QString getTimerInfo(const EVTIMER& timer);

    QString name;
    bool enabled = false;
    QList<EVTIMER> timers;
};
