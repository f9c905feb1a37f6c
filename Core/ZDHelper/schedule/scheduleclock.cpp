#include "scheduleclock.h"

#include <QDateTime>
#include <QString>
#include <ctime>
#include <mutex>

namespace
{
std::mutex g_clockMutex;
std::function<qint64()> g_utcSource;
} // namespace

void ScheduleClock::setUtcSource(std::function<qint64()> source)
{
    std::lock_guard<std::mutex> lock(g_clockMutex);
    g_utcSource = std::move(source);
}

qint64 ScheduleClock::utcNow()
{
    std::function<qint64()> source;
    {
        std::lock_guard<std::mutex> lock(g_clockMutex);
        source = g_utcSource;
    }
    return source ? source() : QDateTime::currentSecsSinceEpoch();
}

qint64 ScheduleClock::localOffsetAt(qint64 utcSecs)
{
    // Read TZ afresh, so that a changed zone (tests, a user moving) applies.
    tzset();
    const time_t t = static_cast<time_t>(utcSecs);
    struct tm local {
    };
    if (!localtime_r(&t, &local))
        return 0;
    return local.tm_gmtoff;
}

qint64 time_now_loca()
{
    const qint64 utc = ScheduleClock::utcNow();
    return utc + ScheduleClock::localOffsetAt(utc);
}

quint32 TodayBeginTime(quint32 localSecs)
{
    return localSecs - localSecs % 86400u;
}

QString Time24HString(int secs)
{
    return QString::asprintf("%02d:%02d:%02d", secs / 3600, secs % 3600 / 60, secs % 60);
}
