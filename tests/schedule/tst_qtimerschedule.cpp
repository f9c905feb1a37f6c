#include <QDateTime>
#include <QTimeZone>
#include <QtTest>

#include "qmytimerhelper.h"
#include "qtimerschedule.h"
#include "zdtestmain.h"

Q_DECLARE_METATYPE(EVTIMER)

namespace
{

// Local seconds of a wall-clock date and time.
quint32 local(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return quint32(QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch());
}

EVTIMER timer(uint32_t id, uint32_t repeat, uint32_t startTime, uint32_t duration, uint32_t day = 0)
{
    EVTIMER t;
    memset(&t, 0, sizeof(t));
    t.id = id;
    t.enabled = 1;
    t.repeat = repeat;
    t.startTime = startTime;
    t.duration = duration;
    if (repeat == TIMER_REPEAT_ONCE)
        t.date = day;
    else if (repeat == TIMER_REPEAT_WEEKLY)
        t.weekDay = day;
    else if (repeat == TIMER_REPEAT_MONTHLY)
        t.monthDay = day;
    return t;
}

void setZone(const QByteArray& tz)
{
    qputenv("TZ", tz);
}

// Puts the schedule clock at a UTC instant.
void setUtc(qint64 utc)
{
    ScheduleClock::setUtcSource([utc] { return utc; });
}

// Puts the schedule clock at a local wall-clock time of the current zone.
void setLocalNow(quint32 localSecs)
{
    // Start from the local value read as UTC and correct by the offset there;
    // a second pass settles instants near an offset change.
    qint64 utc = localSecs;
    for (int i = 0; i < 2; ++i)
        utc = qint64(localSecs) - ScheduleClock::localOffsetAt(utc);
    setUtc(utc);
}

} // namespace

class TestQTimerSchedule : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        ScheduleClock::setUtcSource(nullptr);
        setZone("UTC");
    }

    void next_data()
    {
        QTest::addColumn<EVTIMER>("t");
        QTest::addColumn<quint32>("base");
        QTest::addColumn<int>("result");
        QTest::addColumn<quint32>("next");

        const quint32 ten = 10 * 3600;
        QTest::newRow("daily, start within the minute: tomorrow")
            << timer(1, TIMER_REPEAT_DAILY, ten, 60) << local(2024, 5, 7, 9, 59, 30) << 1
            << local(2024, 5, 8, 10);
        QTest::newRow("daily, start 61 s ahead: today")
            << timer(1, TIMER_REPEAT_DAILY, ten, 60) << local(2024, 5, 7, 9, 58, 59) << 1
            << local(2024, 5, 7, 10);
        QTest::newRow("daily, start exactly 60 s ahead: tomorrow")
            << timer(1, TIMER_REPEAT_DAILY, ten, 60) << local(2024, 5, 7, 9, 59, 0) << 1
            << local(2024, 5, 8, 10);
        QTest::newRow("daily, across the year's end")
            << timer(1, TIMER_REPEAT_DAILY, 0, 60) << local(2023, 12, 31, 23) << 1
            << local(2024, 1, 1);
        QTest::newRow("once, one second ahead")
            << timer(1, TIMER_REPEAT_ONCE, ten, 5, local(2024, 5, 7))
            << local(2024, 5, 7, 9, 59, 59) << 1 << local(2024, 5, 7, 10);
        QTest::newRow("once, at this very second")
            << timer(1, TIMER_REPEAT_ONCE, ten, 5, local(2024, 5, 7)) << local(2024, 5, 7, 10) << -1
            << local(2024, 5, 7, 10);
        QTest::newRow("weekly Monday, asked Monday 00:00:30")
            << timer(1, TIMER_REPEAT_WEEKLY, 0, 5, 0) << local(2024, 5, 6, 0, 0, 30) << 1
            << local(2024, 5, 13);
        QTest::newRow("weekly Sunday 23:30")
            << timer(1, TIMER_REPEAT_WEEKLY, 23 * 3600 + 1800, 5, 6) << local(2024, 5, 7) << 1
            << local(2024, 5, 12, 23, 30);
        QTest::newRow("monthly 31st from 1 February")
            << timer(1, TIMER_REPEAT_MONTHLY, ten, 5, 30) << local(2023, 2, 1) << 0 << 0u;
        QTest::newRow("monthly 31st from 1 March")
            << timer(1, TIMER_REPEAT_MONTHLY, ten, 5, 30) << local(2023, 3, 1) << 1
            << local(2023, 3, 31, 10);
        QTest::newRow("monthly 29th, leap year")
            << timer(1, TIMER_REPEAT_MONTHLY, ten, 5, 28) << local(2024, 2, 1) << 1
            << local(2024, 2, 29, 10);
        QTest::newRow("monthly 29th, common year")
            << timer(1, TIMER_REPEAT_MONTHLY, ten, 5, 28) << local(2023, 2, 1) << 0 << 0u;
        QTest::newRow("monthly 30th over February")
            << timer(1, TIMER_REPEAT_MONTHLY, ten, 5, 29) << local(2024, 1, 31) << 0 << 0u;
        QTest::newRow("monthly 1st, next month")
            << timer(1, TIMER_REPEAT_MONTHLY, 9 * 3600, 5, 0) << local(2024, 1, 31, 10) << 1
            << local(2024, 2, 1, 9);
        QTest::newRow("leap day itself, daily")
            << timer(1, TIMER_REPEAT_DAILY, 12 * 3600, 5) << local(2024, 2, 28, 13) << 1
            << local(2024, 2, 29, 12);
        QTest::newRow("unknown repeat") << timer(1, 4, ten, 5) << local(2024, 5, 7) << 0 << 0u;
    }

    void next()
    {
        QFETCH(EVTIMER, t);
        QFETCH(quint32, base);
        QFETCH(int, result);
        QFETCH(quint32, next);
        unsigned int start = 0;
        int duration = -1;
        QCOMPARE(QTimerSchedule::getTimerNext(t, start, duration, base), result);
        QCOMPARE(start, next);
        if (result != 0)
            QCOMPARE(duration, int(t.duration));
        else
            QCOMPARE(duration, -1);
    }

    // The current time in local seconds follows the zone's offset at the
    // instant, and a weekly timer lands on the calendar day whatever it is.
    void weeklyAcrossDaylightSaving_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("utc");
        QTest::addColumn<quint32>("weekDay");
        QTest::addColumn<quint32>("startTime");
        const qint64 beforeEuSpring =
            QDateTime(QDate(2024, 3, 30), QTime(22, 45), Qt::UTC).toSecsSinceEpoch();
        const qint64 beforeUsFall =
            QDateTime(QDate(2024, 11, 2), QTime(23, 50), Qt::UTC).toSecsSinceEpoch();
        const qint64 beforeLordHowe =
            QDateTime(QDate(2024, 10, 5), QTime(14, 0), Qt::UTC).toSecsSinceEpoch();
        QTest::newRow("Berlin, spring forward, Sunday 02:30")
            << QByteArray("Europe/Berlin") << beforeEuSpring << 6u << quint32(2 * 3600 + 1800);
        QTest::newRow("Berlin, spring forward, Sunday 23:30")
            << QByteArray("Europe/Berlin") << beforeEuSpring << 6u << quint32(23 * 3600 + 1800);
        QTest::newRow("New York, fall back, Sunday 01:30")
            << QByteArray("America/New_York") << beforeUsFall << 6u << quint32(3600 + 1800);
        QTest::newRow("New York, fall back, Monday 00:10")
            << QByteArray("America/New_York") << beforeUsFall << 0u << quint32(600);
        QTest::newRow("Lord Howe, half-hour shift, Sunday 02:15")
            << QByteArray("Australia/Lord_Howe") << beforeLordHowe << 6u << quint32(2 * 3600 + 900);
        QTest::newRow("Kolkata, Saturday 23:59")
            << QByteArray("Asia/Kolkata") << beforeEuSpring << 5u << quint32(86399);
        QTest::newRow("Kiritimati, Sunday 00:00")
            << QByteArray("Pacific/Kiritimati") << beforeEuSpring << 6u << 0u;
        QTest::newRow("UTC, Sunday 23:30")
            << QByteArray("UTC") << beforeEuSpring << 6u << quint32(23 * 3600 + 1800);
    }

    void weeklyAcrossDaylightSaving()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, utc);
        QFETCH(quint32, weekDay);
        QFETCH(quint32, startTime);
        setZone(zone);
        setUtc(utc);
        // Independent reading of the zone through Qt's own tables.
        const QTimeZone tz(zone);
        QVERIFY(tz.isValid());
        const qint64 offset = tz.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utc, Qt::UTC));
        QCOMPARE(time_now_loca(), utc + offset);

        const quint32 now = quint32(utc + offset);
        QDate day = QDate(1970, 1, 1).addDays(now / 86400);
        quint32 expected = 0;
        for (int k = 0; k < 8 && !expected; ++k, day = day.addDays(1)) {
            const quint32 candidate = local(day.year(), day.month(), day.day()) + startTime;
            if (day.dayOfWeek() == int(weekDay) + 1 && candidate > now + 60)
                expected = candidate;
        }
        unsigned int start = 0;
        int duration = 0;
        const EVTIMER t = timer(1, TIMER_REPEAT_WEEKLY, startTime, 600, weekDay);
        QCOMPARE(QTimerSchedule::getTimerNext(t, start, duration, 0), 1);
        QCOMPARE(start, expected);
        QCOMPARE(QDate(1970, 1, 1).addDays(start / 86400).dayOfWeek(), int(weekDay) + 1);
        QCOMPARE(start % 86400, startTime);
    }

    void conflicts_data()
    {
        QTest::addColumn<QList<EVTIMER>>("timers");
        QTest::addColumn<EVTIMER>("tested");
        QTest::addColumn<bool>("conflict");
        QTest::addColumn<int>("index");
        const EVTIMER a = timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 3600);
        const EVTIMER b = timer(2, TIMER_REPEAT_DAILY, 10 * 3600 + 1800, 600);
        EVTIMER bOff = b;
        bOff.enabled = 0;
        const EVTIMER early = timer(3, TIMER_REPEAT_DAILY, 9 * 3600 + 1800, 2700);
        const EVTIMER touching = timer(4, TIMER_REPEAT_DAILY, 11 * 3600, 60);
        const EVTIMER later = timer(5, TIMER_REPEAT_DAILY, 11 * 3600 + 1, 60);
        const EVTIMER wednesday = timer(6, TIMER_REPEAT_WEEKLY, 10 * 3600 + 600, 60, 2);
        const EVTIMER pastOnce = timer(7, TIMER_REPEAT_ONCE, 10 * 3600, 3600, local(2024, 5, 1));
        const EVTIMER onceInAMonth =
            timer(8, TIMER_REPEAT_ONCE, 10 * 3600 + 900, 60, local(2024, 6, 7));

        QTest::newRow("inner timer sees no conflict") << QList<EVTIMER>{a, b} << b << false << -1;
        QTest::newRow("outer timer finds the inner one") << QList<EVTIMER>{a, b} << a << true << 1;
        QTest::newRow("switched-off timer never conflicts")
            << QList<EVTIMER>{a, bOff} << a << false << -1;
        QTest::newRow("own stored copy is skipped") << QList<EVTIMER>{a} << a << false << -1;
        QTest::newRow("end inside") << QList<EVTIMER>{a, early} << a << true << 1;
        QTest::newRow("start on the end, both ends count")
            << QList<EVTIMER>{touching} << a << true << 0;
        QTest::newRow("one second after the end") << QList<EVTIMER>{later} << a << false << -1;
        QTest::newRow("first conflicting in list order")
            << QList<EVTIMER>{early, b} << a << true << 0;
        QTest::newRow("weekly inside a daily") << QList<EVTIMER>{wednesday} << a << true << 0;
        QTest::newRow("past once timer never conflicts")
            << QList<EVTIMER>{b} << pastOnce << false << -1;
        QTest::newRow("a month ahead once timer") << QList<EVTIMER>{onceInAMonth} << a << true << 0;
    }

    void conflicts()
    {
        QFETCH(QList<EVTIMER>, timers);
        QFETCH(EVTIMER, tested);
        QFETCH(bool, conflict);
        QFETCH(int, index);
        setLocalNow(local(2024, 5, 7, 8)); // a Tuesday
        QTimerSchedule schedule;
        schedule.timers = timers;
        int found = -1;
        QCOMPARE(schedule.isDateTimeConflict(tested, &found), conflict);
        QCOMPARE(found, index);
        QCOMPARE(schedule.isDateTimeConflict(tested, nullptr), conflict);
    }

    void info_data()
    {
        QTest::addColumn<EVTIMER>("t");
        QTest::addColumn<QString>("text");
        QTest::newRow("once ahead")
            << timer(1, TIMER_REPEAT_ONCE, 13 * 3600 + 61, 90, local(2024, 5, 7))
            << "2024-05-07 13:01:01, Record dur: 00:01:30";
        QTest::newRow("once at this second")
            << timer(1, TIMER_REPEAT_ONCE, 12 * 3600, 90, local(2024, 5, 7))
            << "2024-05-07 12:00:00, Record dur: 00:01:30";
        QTest::newRow("once expired") << timer(1, TIMER_REPEAT_ONCE, 0, 90, local(2024, 5, 6))
                                      << "2024-05-06 00:00:00, Expired";
        QTest::newRow("daily") << timer(1, TIMER_REPEAT_DAILY, 86399, 86399)
                               << "Every day: 23:59:59, Record dur: 23:59:59";
        QTest::newRow("weekly") << timer(1, TIMER_REPEAT_WEEKLY, 600, 5, 6)
                                << "Every week: Sun. 00:10:00, Record dur: 00:00:05";
        QTest::newRow("weekly, day out of range")
            << timer(1, TIMER_REPEAT_WEEKLY, 600, 5, 9)
            << "Every week: 10 00:10:00, Record dur: 00:00:05";
        QTest::newRow("monthly first") << timer(1, TIMER_REPEAT_MONTHLY, 0, 60, 0)
                                       << "Every month: 1th 00:00:00, Record dur: 00:01:00";
        QTest::newRow("monthly 31st") << timer(1, TIMER_REPEAT_MONTHLY, 0, 60, 30)
                                      << "Every month: 31th 00:00:00, Record dur: 00:01:00";
        QTest::newRow("unknown repeat") << timer(1, 9, 0, 60) << QString();
    }

    void info()
    {
        QFETCH(EVTIMER, t);
        QFETCH(QString, text);
        setLocalNow(local(2024, 5, 7, 12));
        QCOMPARE(QTimerSchedule::getTimerInfo(t), text);
    }
};

ZD_TEST_MAIN(TestQTimerSchedule, QCoreApplication)
#include "tst_qtimerschedule.moc"
