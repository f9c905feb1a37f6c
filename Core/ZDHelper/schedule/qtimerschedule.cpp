#include "qtimerschedule.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

#include "cpublic.h"
#include "stdafx.h"

QTimerSchedule::~QTimerSchedule() = default;

namespace
{

QDate localDate(quint32 localSecs)
{
    return QDate(1970, 1, 1).addDays(localSecs / 86400u);
}

QString localDateTimeText(quint32 localSecs)
{
    return QDateTime::fromSecsSinceEpoch(localSecs, Qt::UTC).toString("yyyy-MM-dd hh:mm:ss");
}

} // namespace

int QTimerSchedule::getTimerNext(const EVTIMER& timer, unsigned int& next, int& duration,
                                 unsigned int base)
{
    const quint32 now = base ? base : static_cast<quint32>(time_now_loca());
    if (timer.repeat == TIMER_REPEAT_ONCE) {
        next = timer.startTime + timer.date;
        duration = static_cast<int>(timer.duration);
        return next > now ? 1 : -1;
    }
    if (timer.repeat > TIMER_REPEAT_MONTHLY)
        return 0;

    const quint32 today = TodayBeginTime(now);
    for (quint32 k = 0; k < 31; ++k) {
        const quint32 candidate = today + k * 86400u + timer.startTime;
        // A start less than a minute ahead is left for a later day.
        if (candidate <= now + 60u)
            continue;
        bool match = false;
        switch (timer.repeat) {
        case TIMER_REPEAT_DAILY:
            match = true;
            break;
        case TIMER_REPEAT_WEEKLY:
            match = localDate(candidate).dayOfWeek() == int(timer.weekDay) + 1;
            break;
        case TIMER_REPEAT_MONTHLY:
            match = localDate(candidate).day() == int(timer.monthDay) + 1;
            break;
        }
        if (match) {
            next = candidate;
            duration = static_cast<int>(timer.duration);
            return 1;
        }
    }
    return 0;
}

bool QTimerSchedule::isDateTimeConflict(const EVTIMER& timer, int* index) const
{
    const quint32 now = static_cast<quint32>(time_now_loca());
    for (quint32 r = 0; r < 365; ++r) {
        const quint32 base = now + r * 86400u;
        unsigned int start = 0;
        int duration = 0;
        if (getTimerNext(timer, start, duration, base) != 1)
            return false;
        const quint32 end = start + static_cast<quint32>(duration);
        for (int i = 0; i < timers.size(); ++i) {
            const EVTIMER& other = timers.at(i);
            if (other.enabled == 0 || other.id == timer.id)
                continue;
            unsigned int otherStart = 0;
            int otherDuration = 0;
            if (getTimerNext(other, otherStart, otherDuration, base) != 1)
                continue;
            const quint32 otherEnd = otherStart + static_cast<quint32>(otherDuration);
            const bool startInside = otherStart >= start && otherStart <= end;
            const bool endInside = otherEnd >= start && otherEnd <= end;
            if (startInside || endInside) {
                if (index)
                    *index = i;
                return true;
            }
        }
    }
    return false;
}

QString QTimerSchedule::getTimerInfo(const EVTIMER& timer)
{
    const QString dur = getLang(12113, "Record dur:");
    const QString hmsDuration = Time24HString(static_cast<int>(timer.duration));
    const QString hmsStart = Time24HString(static_cast<int>(timer.startTime));
    switch (timer.repeat) {
    case TIMER_REPEAT_ONCE: {
        const quint32 start = timer.startTime + timer.date;
        const QString when = localDateTimeText(start);
        if (qint64(start) >= time_now_loca())
            return when + ", " + dur + " " + hmsDuration;
        return when + ", " + getLang(12112, "Expired");
    }
    case TIMER_REPEAT_DAILY:
        return getLang(12106, "Every day:") + " " + hmsStart + ", " + dur + " " + hmsDuration;
    case TIMER_REPEAT_WEEKLY: {
        const QStringList days = getLang(12114, "Mon.|Tue.|Wed.|Thu.|Fri.|Sat.|Sun.").split('|');
        // A day the translated list lacks (or a damaged file's day) is shown
        // by its number rather than left blank.
        const QString day = timer.weekDay < quint32(days.size())
                                ? days.at(int(timer.weekDay))
                                : QString::number(quint64(timer.weekDay) + 1);
        return getLang(12107, "Every week:") + " " + day + " " + hmsStart + ", " + dur + " " +
               hmsDuration;
    }
    case TIMER_REPEAT_MONTHLY:
        return getLang(12108, "Every month:") + " " +
               QString::asprintf("%uth", timer.monthDay + 1) + " " + hmsStart + ", " + dur + " " +
               hmsDuration;
    default:
        return QString();
    }
}
