// The schedule strip on the schedule clock: a due timer starts a recording
// with its duration as the automatic stop, only while the strip is shown,
// never while a recording runs (it waits for it to end), and a refused start
// leaves no stop behind; a monthly timer out of reach is looked for again.
#include <QDateTime>
#include <QLabel>
#include <QtTest>

#include <cstring>

#include "cpublic.h"
#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qmypushbutton.h"
#include "qmytimerbar.h"
#include "qmytimerhelper.h"
#include "scheduleclock.h"
#include "stdafx.h"
#include "vazURIdav_test.h"
#include "zdhelpergui.h"
#include "zdtestmain.h"

namespace
{

quint32 local(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return quint32(QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch());
}

// The tests run in UTC, where local seconds are UTC seconds.
void setNow(quint32 localSecs)
{
    ScheduleClock::setUtcSource([localSecs] { return qint64(localSecs); });
}

EVTIMER timer(uint32_t id, uint32_t repeat, uint32_t startTime, uint32_t duration, uint32_t day = 0)
{
    EVTIMER t;
    std::memset(&t, 0, sizeof t);
    t.id = id;
    t.enabled = 1;
    t.repeat = repeat;
    t.startTime = startTime;
    t.duration = duration;
    t.monthDay = day;
    t.weekDay = day;
    return t;
}

QStringList startsTraced()
{
    const int n = ZDT_ReadTrace(nullptr, 0);
    QByteArray buffer(n + 1, '\0');
    ZDT_ReadTrace(buffer.data(), int(buffer.size()));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(buffer).split('\n')) {
        if (line.startsWith("ZD_StartRecord("))
            lines << line;
    }
    return lines;
}

QString logText()
{
    QFile f(CPublic::GetAppDatePath() + "/Log.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

} // namespace

class TestQMyTimerBar : public QObject
{
    Q_OBJECT

    ZDHelperGUI* m_main = nullptr;
    QMyTimerHelper* m_store = nullptr;
    QMyTimerBar* m_bar = nullptr;

    void makeBar(const QList<EVTIMER>& timers)
    {
        m_store->clearSchedules();
        QTimerSchedule* schedule = m_store->addNewSchedule();
        schedule->timers = timers;
        m_bar = new QMyTimerBar(m_main, m_store);
        m_bar->clock->stop(); // ticks are driven by the test
        m_bar->setGeometry(0, 0, 240, 90);
        m_main->show();
        m_bar->show();
        QTRY_VERIFY(m_bar->picturesSet);
    }

    // The box is shown (or hidden), and the arrow's picture and tip say
    // that a click hides (or shows) it.
    bool arrowTells(bool boxShown) const
    {
        return m_bar->infoBox->isHidden() == !boxShown &&
               m_bar->arrow->curState == (boxShown ? 0 : 1) &&
               m_bar->arrow->toolTip() == QString(boxShown ? "hide" : "show");
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        InitGlobalSettings();
        g_Global.isRecordInterface = 1;
        m_main = new ZDHelperGUI(nullptr);
        m_store = new QMyTimerHelper(nullptr, "TestTimer");
        MsgBoxDialog::setTestHook([](const QString&, int) { return 1; });
    }

    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        ScheduleClock::setUtcSource(nullptr);
        delete m_store;
        ReleaseGlobalSettings();
        delete m_main;
    }

    void init()
    {
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
        ZDT_ScriptResult("ZD_StartRecord", 1);
        g_Global.recSaveTo = CPublic::GetMyVideoPath();
        g_Global.recAutoStopSecs = 0;
        g_Global.isClosing = 0;
    }

    void cleanup()
    {
        m_main->StopRecord();
        delete m_bar;
        m_bar = nullptr;
        ZDT_ClearScript(nullptr);
    }

    void dueTimerStartsWithItsDuration()
    {
        setNow(local(2030, 5, 6, 9, 0));
        makeBar({timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 120)});
        QCOMPARE(m_bar->nextStart, local(2030, 5, 6, 10, 0));
        QCOMPARE(m_bar->duration, 120u);
        QVERIFY(m_bar->infoBox->text().contains("2030-05-06 10:00:00"));
        m_bar->showx(true);
        m_bar->timer1();
        QVERIFY(startsTraced().isEmpty());

        setNow(local(2030, 5, 6, 10, 0));
        m_bar->timer1();
        QCOMPARE(startsTraced().size(), 1);
        QCOMPARE(g_Global.recAutoStopSecs, 120);
        QCOMPARE(m_bar->lastStarted, local(2030, 5, 6, 10, 0));
        // The strip moves on to the following start.
        QCOMPARE(m_bar->nextStart, local(2030, 5, 7, 10, 0));
        QVERIFY(m_bar->infoBox->text().contains("2030-05-07 10:00:00"));
        m_bar->timer1();
        QCOMPARE(startsTraced().size(), 1);
    }

    void hiddenStripStartsNothingUntilShown()
    {
        setNow(local(2030, 5, 6, 9, 0));
        makeBar({timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 60)});
        setNow(local(2030, 5, 6, 10, 0, 30));
        m_bar->timer1();
        QVERIFY(startsTraced().isEmpty());
        m_bar->showx(false);
        m_bar->timer1();
        QVERIFY(startsTraced().isEmpty());
        // Shown again, the pending start runs at the next tick.
        m_bar->showx(true);
        m_bar->timer1();
        QCOMPARE(startsTraced().size(), 1);
    }

    void zeroDurationNeverStarts()
    {
        setNow(local(2030, 5, 6, 9, 0));
        makeBar({timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 0)});
        m_bar->showx(true);
        setNow(local(2030, 5, 6, 10, 0));
        m_bar->timer1();
        QVERIFY(startsTraced().isEmpty());
    }

    void dueDuringARecordingWaitsForItsEnd()
    {
        setNow(local(2030, 5, 6, 9, 0));
        makeBar({timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 300)});
        m_bar->showx(true);
        setNow(local(2030, 5, 6, 10, 0));
        ZDT_ScriptResult("ZD_CheckState.recording", 1);
        const QString before = logText();
        m_bar->timer1();
        m_bar->timer1();
        QVERIFY(startsTraced().isEmpty());
        QCOMPARE(logText()
                     .mid(before.size())
                     .count("MyTimerBar: ignore timer because the recording is running"),
                 2);
        QCOMPARE(g_Global.recAutoStopSecs, 0);
        // The recording ended: the timer starts, with its full duration.
        ZDT_ClearScript("ZD_CheckState.recording");
        setNow(local(2030, 5, 6, 10, 20));
        m_bar->timer1();
        QCOMPARE(startsTraced().size(), 1);
        QCOMPARE(g_Global.recAutoStopSecs, 300);
    }

    void refusedStartLeavesNoAutomaticStop()
    {
        setNow(local(2030, 5, 6, 9, 0));
        makeBar({timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 300)});
        m_bar->showx(true);
        setNow(local(2030, 5, 6, 10, 0));
        g_Global.isClosing = 1;
        const QString before = logText();
        m_bar->timer1();
        g_Global.isClosing = 0;
        QVERIFY(startsTraced().isEmpty());
        QCOMPARE(g_Global.recAutoStopSecs, 0);
        QVERIFY(logText()
                    .mid(before.size())
                    .contains("MyTimerBar: scheduled recording not "
                              "started"));
    }

    void monthlyTimerOutOfReachIsFoundLater()
    {
        // The 31st: none within the 31 days searched from 1 February.
        setNow(local(2024, 2, 1, 9, 0));
        makeBar({timer(1, TIMER_REPEAT_MONTHLY, 8 * 3600, 600, 30)});
        m_bar->showx(true);
        QCOMPARE(m_bar->nextStart, 0u);
        QVERIFY(m_bar->infoBox->isHidden());
        m_bar->timer1();
        QCOMPARE(m_bar->nextStart, 0u);
        // Weeks later, without a restart, the 31st of March comes in reach.
        setNow(local(2024, 3, 1, 9, 0));
        m_bar->timer1();
        QCOMPARE(m_bar->nextStart, local(2024, 3, 31, 8, 0));
        QVERIFY(!m_bar->infoBox->isHidden());
        setNow(local(2024, 3, 31, 8, 0));
        m_bar->timer1();
        QCOMPARE(startsTraced().size(), 1);
    }

    void noScheduleAndTheArrow()
    {
        setNow(local(2030, 5, 6, 9, 0));
        makeBar({});
        QCOMPARE(m_bar->infoBox->text(), QString("No schedules set"));
        QVERIFY(arrowTells(false));
        m_bar->btnDownClick();
        QVERIFY(arrowTells(true));
        m_bar->btnDownClick();
        QVERIFY(arrowTells(false));
    }

    // The panel lays its strip out before the main window is on screen: the
    // arrow must already tell what a click does to the box it shows.
    void arrowTipFollowsTheBoxBeforeTheWindowIsShown()
    {
        setNow(local(2030, 5, 6, 9, 0));
        m_store->clearSchedules();
        m_store->addNewSchedule()->timers = {timer(1, TIMER_REPEAT_DAILY, 10 * 3600, 120)};
        QWidget window;
        m_bar = new QMyTimerBar(&window, m_store);
        m_bar->clock->stop();
        m_bar->setGeometry(0, 0, 240, 90);
        // A hidden window's child is resized by the event alone.
        QResizeEvent resize(QSize(240, 90), QSize());
        QCoreApplication::sendEvent(m_bar, &resize);
        QVERIFY(!window.isVisible());
        QVERIFY(m_bar->picturesSet);
        QVERIFY(arrowTells(true));
        m_bar->btnDownClick();
        QVERIFY(arrowTells(false));
        m_bar->setParent(nullptr);
    }
};

ZD_TEST_MAIN(TestQMyTimerBar, QApplication)
#include "tst_qmytimerbar.moc"
