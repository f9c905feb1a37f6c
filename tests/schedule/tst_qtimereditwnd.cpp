// The timer editor: a new timer's defaults, the checks of OK (duration, a
// start in the future, conflicts with the schedule's other timers but not
// with itself), the calendar date kept across time zones, the mode fields,
// and a name cut to its 64-byte field.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QtTest>

#include <cstring>

#include "msgboxdialog.h"
#include "qtimereditwnd.h"
#include "qtimerschedule.h"
#include "scheduleclock.h"
#include "stdafx.h"
#include "zdformchild.h"
#include "zdtestmain.h"

using zdtest::child;

namespace
{

quint32 local(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return quint32(QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch());
}

// Puts the schedule clock at a local wall-clock time of the current zone.
void setLocalNow(quint32 localSecs)
{
    qint64 utc = localSecs;
    for (int i = 0; i < 2; ++i)
        utc = qint64(localSecs) - ScheduleClock::localOffsetAt(utc);
    ScheduleClock::setUtcSource([utc] { return utc; });
}

EVTIMER timer(uint32_t id, const char* name, uint32_t repeat, uint32_t startTime, uint32_t duration)
{
    EVTIMER t;
    std::memset(&t, 0, sizeof t);
    t.id = id;
    std::strncpy(t.name, name, sizeof t.name);
    t.enabled = 1;
    t.repeat = repeat;
    t.startTime = startTime;
    t.duration = duration;
    return t;
}

} // namespace

class TestQTimerEditWnd : public QObject
{
    Q_OBJECT

    QStringList m_boxes;

private slots:
    void initTestCase()
    {
        MsgBoxDialog::setTestHook([this](const QString& text, int) {
            m_boxes << text;
            return 1;
        });
    }
    void init()
    {
        qputenv("TZ", "UTC");
        m_boxes.clear();
        setLocalNow(local(2030, 5, 6, 9, 0));
    }
    void cleanupTestCase()
    {
        ScheduleClock::setUtcSource(nullptr);
        MsgBoxDialog::setTestHook({});
    }

    void newTimerDefaults()
    {
        EVTIMER t;
        std::memset(&t, 0, sizeof t);
        t.id = 7;
        std::strcpy(t.name, "Untilte-1");
        QTimerEditWnd w(nullptr);
        w.InitValues(t);
        QVERIFY(child<QRadioButton>(&w, "radio1")->isChecked());
        QCOMPARE(child<QDateEdit>(&w, "dateEdit")->date(), QDate(2030, 5, 6));
        QCOMPARE(child<QTimeEdit>(&w, "timeEdit_rec")->time(), QTime(0, 0));
        QCOMPARE(child<QTimeEdit>(&w, "timeEdit_start")->time(), QTime(0, 0));
        QVERIFY(!child<QCheckBox>(&w, "chk_enabled")->isChecked());
        QVERIFY(!child<QTimeEdit>(&w, "timeEdit_rec")->isEnabled());
        QVERIFY(!child<QRadioButton>(&w, "radio3")->isEnabled());
        QVERIFY(child<QLineEdit>(&w, "edit_name")->isEnabled());
        w.onOKClick();
        QCOMPARE(w.result(), 1);
        const EVTIMER back = w.GetValues();
        QCOMPARE(back.id, 7u);
        QCOMPARE(back.enabled, 0);
        QCOMPARE(back.repeat, uint32_t(TIMER_REPEAT_ONCE));
        QCOMPARE(back.date, local(2030, 5, 6));
        QVERIFY(m_boxes.isEmpty());
    }

    // The repeat buttons and the schedule text share three texts: the
    // buttons show them without the colon the schedule text starts with,
    // from the English file as without one.
    void repeatButtonsWithoutColon_data()
    {
        QTest::addColumn<QString>("langFile");
        QTest::newRow("English file") << QString(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
        QTest::newRow("no file") << QString();
    }
    void repeatButtonsWithoutColon()
    {
        QFETCH(QString, langFile);
        g_Global.langFile = langFile;
        QTimerEditWnd w(nullptr);
        QCOMPARE(child<QRadioButton>(&w, "radio2")->text(), QString("Every day"));
        QCOMPARE(child<QRadioButton>(&w, "radio3")->text(), QString("Every week"));
        QCOMPARE(child<QRadioButton>(&w, "radio4")->text(), QString("Every month"));
        EVTIMER t;
        std::memset(&t, 0, sizeof t);
        t.repeat = TIMER_REPEAT_DAILY;
        t.startTime = 3600;
        t.duration = 60;
        QVERIFY(QTimerSchedule::getTimerInfo(t).startsWith("Every day: 01:00:00"));
        g_Global.langFile.clear();
    }

    void okChecks_data()
    {
        QTest::addColumn<QTime>("duration");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QString>("message");
        QTest::newRow("5 s, a minute ahead") << QTime(0, 0, 5) << QTime(9, 1) << "";
        QTest::newRow("4 s") << QTime(0, 0, 4) << QTime(9, 1)
                             << "The record duration should be greater than 5 seconds";
        QTest::newRow("start passed today")
            << QTime(0, 10) << QTime(8, 0) << "The time settings is invalid";
        QTest::newRow("start is now")
            << QTime(0, 10) << QTime(9, 0) << "The time settings is invalid";
    }
    void okChecks()
    {
        QFETCH(QTime, duration);
        QFETCH(QTime, start);
        QFETCH(QString, message);
        QTimerEditWnd w(nullptr);
        w.InitValues(timer(1, "T", TIMER_REPEAT_ONCE, 0, 0));
        child<QCheckBox>(&w, "chk_enabled")->setChecked(true);
        w.onEnableClick();
        child<QTimeEdit>(&w, "timeEdit_rec")->setTime(duration);
        child<QTimeEdit>(&w, "timeEdit_start")->setTime(start);
        w.onOKClick();
        QCOMPARE(w.result(), message.isEmpty() ? 1 : 0);
        QCOMPARE(m_boxes, message.isEmpty() ? QStringList() : QStringList{message});
    }

    void conflicts()
    {
        QTimerSchedule schedule;
        schedule.timers << timer(1, "A", TIMER_REPEAT_DAILY, 10 * 3600, 3600)
                        << timer(2, "B", TIMER_REPEAT_DAILY, 10 * 3600 + 1800, 600);
        // B lies inside A: neither end of A falls within B, so B is fine.
        {
            QTimerEditWnd w(nullptr);
            w.schedule = &schedule;
            w.InitValues(schedule.timers.at(1));
            w.onOKClick();
            QCOMPARE(w.result(), 1);
        }
        // A holds B's start: a conflict with timer 2, shown and logged.
        {
            QTimerEditWnd w(nullptr);
            w.schedule = &schedule;
            w.InitValues(schedule.timers.at(0));
            w.onOKClick();
            QCOMPARE(w.result(), 0);
            QCOMPARE(m_boxes, QStringList{"The time settings is conflict with timer 2"});
        }
        // A timer of its own does not collide with its stored copy.
        QTimerSchedule alone;
        alone.timers << timer(1, "A", TIMER_REPEAT_DAILY, 10 * 3600, 3600);
        QTimerEditWnd w(nullptr);
        w.schedule = &alone;
        w.InitValues(alone.timers.at(0));
        w.onOKClick();
        QCOMPARE(w.result(), 1);
    }

    void calendarDateKeptInEveryZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("UTC") << QByteArray("UTC");
        QTest::newRow("+14") << QByteArray("Pacific/Kiritimati");
        QTest::newRow("-8/-7") << QByteArray("America/Los_Angeles");
    }
    void calendarDateKeptInEveryZone()
    {
        QFETCH(QByteArray, zone);
        qputenv("TZ", zone);
        EVTIMER t = timer(3, "Once", TIMER_REPEAT_ONCE, 20 * 3600, 600);
        t.date = local(2030, 12, 31);
        QTimerEditWnd w(nullptr);
        w.InitValues(t);
        QCOMPARE(child<QDateEdit>(&w, "dateEdit")->date(), QDate(2030, 12, 31));
        QCOMPARE(w.GetValues().date, local(2030, 12, 31));
        QCOMPARE(w.GetValues().startTime, 20u * 3600);
    }

    void modeFieldsResetAndOtherFieldsStay()
    {
        EVTIMER t = timer(4, "Weekly", TIMER_REPEAT_WEEKLY, 3600, 600);
        t.weekDay = 4;
        t.reserved[10] = 0x5A;
        QTimerEditWnd w(nullptr);
        w.InitValues(t);
        QCOMPARE(child<QComboBox>(&w, "cbx")->count(), 7);
        QCOMPARE(child<QComboBox>(&w, "cbx")->currentText(), QString("Fri."));
        child<QRadioButton>(&w, "radio4")->setChecked(true);
        w.onRadio4();
        QCOMPARE(child<QComboBox>(&w, "cbx")->count(), 31);
        QCOMPARE(child<QComboBox>(&w, "cbx")->itemText(0), QString("1th"));
        child<QComboBox>(&w, "cbx")->setCurrentIndex(30);
        EVTIMER back = w.GetValues();
        QCOMPARE(back.repeat, uint32_t(TIMER_REPEAT_MONTHLY));
        QCOMPARE(back.monthDay, 30u);
        QCOMPARE(back.weekDay, 4u);
        QCOMPARE(back.reserved[10], uint8_t(0x5A));
        child<QRadioButton>(&w, "radio3")->setChecked(true);
        w.onRadio3();
        QCOMPARE(child<QComboBox>(&w, "cbx")->currentIndex(), 0);
        QVERIFY(child<QDateEdit>(&w, "dateEdit")->isHidden());
        QVERIFY(!child<QComboBox>(&w, "cbx")->isHidden());
    }

    void longNameFillsTheField()
    {
        QTimerEditWnd w(nullptr);
        w.InitValues(timer(5, "x", TIMER_REPEAT_DAILY, 0, 60));
        child<QLineEdit>(&w, "edit_name")->setText(QString(70, 'n'));
        const EVTIMER back = w.GetValues();
        QCOMPARE(QByteArray(back.name, 64), QByteArray(64, 'n'));
        // A name of 64 bytes has no terminator and reads back whole.
        QTimerEditWnd again(nullptr);
        again.InitValues(back);
        QCOMPARE(child<QLineEdit>(&again, "edit_name")->text(), QString(64, 'n'));
    }
};

ZD_TEST_MAIN(TestQTimerEditWnd, QApplication)
#include "tst_qtimereditwnd.moc"
