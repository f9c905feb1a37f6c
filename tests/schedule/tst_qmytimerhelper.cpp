#include <QDateTime>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include "cpublic.h"
#include "qmytimerhelper.h"
#include "zdtestmain.h"

namespace
{

QByteArray i32(qint32 v)
{
    char raw[4];
    qToLittleEndian<qint32>(v, raw);
    return QByteArray(raw, 4);
}

QByteArray nameField(const QByteArray& name)
{
    QByteArray f(256, '\0');
    memcpy(f.data(), name.constData(), qMin<qsizetype>(name.size(), 256));
    return f;
}

EVTIMER timer(uint32_t id, uint32_t repeat, uint32_t startTime, uint32_t duration)
{
    EVTIMER t;
    memset(&t, 0, sizeof(t));
    t.id = id;
    t.enabled = 1;
    t.repeat = repeat;
    t.startTime = startTime;
    t.duration = duration;
    memcpy(t.name, "Untilte-1", 9);
    return t;
}

QByteArray raw(const EVTIMER& t)
{
    return QByteArray(reinterpret_cast<const char*>(&t), sizeof(t));
}

QByteArray schedule(qint32 enabled, const QByteArray& name, const QList<EVTIMER>& timers,
                    qint32 count = -1)
{
    QByteArray out = i32(enabled) + nameField(name) + i32(count < 0 ? timers.size() : count);
    for (const EVTIMER& t : timers)
        out += raw(t);
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 local(int y, int m, int d, int h = 0, int mi = 0)
{
    return quint32(QDateTime(QDate(y, m, d), QTime(h, mi), Qt::UTC).toSecsSinceEpoch());
}

} // namespace

class TestQMyTimerHelper : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ScheduleClock::setUtcSource(nullptr); }

    // Runs first: the name counter starts at 1 in every run and is shared.
    void newScheduleNamesShareOneCounter()
    {
        QMyTimerHelper record(nullptr, "RecordTimer");
        QMyTimerHelper live(nullptr, "LiveRecTimer");
        unsigned int start = 0, duration = 0;
        QCOMPARE(record.getNextTimerString(&start, &duration), QString());
        QCOMPARE(record.schedules.size(), 1);
        QCOMPARE(record.schedules.first()->name, QString("Untitled-1"));
        QVERIFY(record.schedules.first()->enabled);
        QCOMPARE(live.addNewSchedule()->name, QString("Untitled-2"));
        QVERIFY(!QFile::exists(record.filePath()));
    }

    void filePathIsInTheCacheFolder()
    {
        QMyTimerHelper store(nullptr, "RecordTimer");
        QVERIFY(store.filePath().endsWith("/CacheData/RecordTimer.dat"));
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("schedules");
        QTest::addColumn<int>("timersOfFirst");
        const EVTIMER t = timer(1, TIMER_REPEAT_DAILY, 3600, 60);
        const QByteArray two = schedule(1, "Two", {t, timer(2, 1, 7200, 60)});
        QTest::newRow("count 0") << i32(0) << true << 0 << 0;
        QTest::newRow("negative count") << i32(-3) + two << true << 0 << 0;
        QTest::newRow("huge count in a 4-byte file") << i32(0x7FFFFFFF) << false << 0 << 0;
        QTest::newRow("no count") << QByteArray("\x01\x00", 2) << false << 0 << 0;
        QTest::newRow("timer count 0, next read right after")
            << i32(2) + schedule(1, "Empty", {}) + two << true << 2 << 0;
        QTest::newRow("negative timer count")
            << i32(2) + schedule(0, "Neg", {}, -5) + two << true << 2 << 0;
        QTest::newRow("cut inside the third timer")
            << i32(1) + schedule(1, "Cut", {t, t, t}, 3).left(4 + 256 + 4 + 2 * 160 + 50) << false
            << 0 << 0;
        QTest::newRow("second schedule cut, first kept")
            << i32(2) + two + schedule(1, "Cut", {t}).left(100) << false << 1 << 2;
        QTest::newRow("timer count beyond the bytes")
            << i32(1) + schedule(1, "Liar", {t}, 0x7FFFFFFF) << false << 0 << 0;
        QTest::newRow("bytes after the last schedule") << i32(1) + two + "junk" << true << 1 << 2;
    }

    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(int, schedules);
        QFETCH(int, timersOfFirst);
        QMyTimerHelper store(nullptr, "RecordTimer");
        store.addNewSchedule(); // loading replaces what the store held
        writeFile(store.filePath(), bytes);
        QCOMPARE(store.loadSchedules(), ok);
        QCOMPARE(store.schedules.size(), schedules);
        if (schedules)
            QCOMPARE(store.schedules.first()->timers.size(), timersOfFirst);
    }

    void missingFileIsAnEmptyStore()
    {
        QMyTimerHelper store(nullptr, "NoSuchStore");
        store.addNewSchedule();
        QVERIFY(!store.loadSchedules());
        QVERIFY(store.schedules.isEmpty());
    }

    void sizesOfSavedFiles()
    {
        QMyTimerHelper store(nullptr, "Sizes");
        QVERIFY(store.saveSchedules());
        QCOMPARE(readFile(store.filePath()), i32(0));
        QTimerSchedule* s = store.addNewSchedule();
        s->timers.append(timer(1, TIMER_REPEAT_DAILY, 60, 60));
        s->timers.append(timer(2, TIMER_REPEAT_WEEKLY, 120, 60));
        QVERIFY(store.saveSchedules());
        QCOMPARE(readFile(store.filePath()).size(), 588);
    }

    void roundTripIsByteExact()
    {
        EVTIMER full = timer(7, TIMER_REPEAT_MONTHLY, 86399, 86399);
        memset(full.name, 'N', sizeof(full.name)); // a full name has no terminator
        full.monthDay = 30;
        full.weekDay = 4; // kept although the mode does not use it
        memset(full.reserved, 0xEE, sizeof(full.reserved));
        const QByteArray bytes =
            i32(3) + schedule(1, "\xC3\xA9t\xC3\xA9", {timer(1, 0, 5, 5), full}) +
            schedule(0, QByteArray(256, 'x'), {}) + schedule(1, "Third", {full});
        QMyTimerHelper store(nullptr, "RoundTrip");
        writeFile(store.filePath(), bytes);
        QVERIFY(store.loadSchedules());
        QCOMPARE(store.schedules.size(), 3);
        QCOMPARE(store.schedules.at(0)->name, QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
        QVERIFY(!store.schedules.at(1)->enabled);
        QCOMPARE(store.schedules.at(1)->name, QString(256, 'x'));
        QVERIFY(store.saveSchedules());
        QCOMPARE(readFile(store.filePath()), bytes);
    }

    void longNameIsCutToItsField()
    {
        QMyTimerHelper store(nullptr, "LongName");
        store.addNewSchedule()->name = QString(200, QChar(0x00E9)); // 400 bytes of UTF-8
        QVERIFY(store.saveSchedules());
        QVERIFY(store.loadSchedules());
        QCOMPARE(store.schedules.first()->name, QString(128, QChar(0x00E9)));
    }

    void repeatedTimerIdsAreMadeDistinct()
    {
        QMyTimerHelper store(nullptr, "OldIds");
        writeFile(store.filePath(), i32(1) + schedule(1, "Old",
                                                      {timer(0, 1, 10, 10), timer(0, 1, 20, 10),
                                                       timer(1, 1, 30, 10)}));
        QVERIFY(store.loadSchedules());
        const QList<EVTIMER>& timers = store.schedules.first()->timers;
        QCOMPARE(timers.at(0).id, 0u);
        QVERIFY(timers.at(1).id != 0u && timers.at(1).id != 1u);
        QCOMPARE(timers.at(2).id, 1u);
    }

    void failuresAreLoggedWithTheStoreName()
    {
        const QString logPath = CPublic::GetAppDatePath() + "/Log.txt";
        QMyTimerHelper store(nullptr, "RecordTimer");
        const EVTIMER t = timer(1, TIMER_REPEAT_DAILY, 3600, 60);
        writeFile(store.filePath(), i32(1) + schedule(1, "Cut", {t, t, t}).left(4 + 264 + 330));
        QVERIFY(!store.loadSchedules());
        QVERIFY(store.schedules.isEmpty());
        QVERIFY(readFile(logPath).contains("Read timer schedule data RecordTimer failed."));

        QMyTimerHelper blocked(nullptr, "Blocked");
        QVERIFY(QDir().mkpath(blocked.filePath()));
        QVERIFY(!blocked.saveSchedules());
        QVERIFY(readFile(logPath).contains("Save timer schedule Blocked failed."));
        QVERIFY(QFileInfo(blocked.filePath()).isDir());
    }

    void nextTimerString()
    {
        ScheduleClock::setUtcSource([] { return qint64(local(2024, 5, 7, 8)); });
        qputenv("TZ", "UTC");
        QMyTimerHelper store(nullptr, "Next");
        QTimerSchedule* s = store.addNewSchedule();
        EVTIMER off = timer(1, TIMER_REPEAT_DAILY, 9 * 3600, 10);
        off.enabled = 0;
        s->timers = {off, timer(2, TIMER_REPEAT_DAILY, 10 * 3600, 600),
                     timer(3, TIMER_REPEAT_DAILY, 10 * 3600, 1200),
                     timer(4, TIMER_REPEAT_ONCE, 9 * 3600, 10)}; // once on 1970: past
        unsigned int start = 0, duration = 0;
        QCOMPARE(store.getNextTimerString(&start, &duration),
                 QString("Next start time:\n\t2024-05-07 10:00:00\nRecord duration:\n\t00:10:00"));
        QCOMPARE(start, local(2024, 5, 7, 10));
        QCOMPARE(duration, 600u);
        QVERIFY(!store.getNextTimerString(nullptr, nullptr).isEmpty());

        s->timers = {off};
        start = duration = 5;
        QCOMPARE(store.getNextTimerString(&start, &duration), QString());
        QCOMPARE(start, 5u);
        QCOMPARE(duration, 5u);
    }
};

ZD_TEST_MAIN(TestQMyTimerHelper, QCoreApplication)
#include "tst_qmytimerhelper.moc"
