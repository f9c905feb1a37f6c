// The clock behind every schedule rule. Tests replace the UTC source to walk
// the rules through chosen instants; the local offset always comes from the
// process's time zone (TZ) at that instant.
#pragma once

#include <QtGlobal>
#include <functional>

namespace ScheduleClock
{
// Seconds since the epoch, UTC. A null source restores the system clock.
void setUtcSource(std::function<qint64()> source);
qint64 utcNow();
// Offset of local time from UTC at the given instant, in seconds.
qint64 localOffsetAt(qint64 utcSecs);
} // namespace ScheduleClock

// The current local wall-clock time as seconds since 1970-01-01 00:00, as if
// the local clock were UTC.
qint64 time_now_loca();
// Start of the day of a local-seconds value.
quint32 TodayBeginTime(quint32 localSecs);
// "hh:mm:ss" of a number of seconds.
QString Time24HString(int secs);
