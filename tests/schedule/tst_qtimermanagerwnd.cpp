// The schedule manager: the store's first schedule as rows, adding (named
// "Untilte-N", cancelled adds counted too), editing (saved even when
// cancelled), deleting exactly the chosen timer, and the rows' buttons and
// icons.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <functional>

#include "globalsettings.h"
#include "msgboxdialog.h"
#include "qmylistitem1.h"
#include "qmypushbutton.h"
#include "qmytimerhelper.h"
#include "qtimereditwnd.h"
#include "qtimermanagerwnd.h"
#include "scheduleclock.h"
#include "stdafx.h"
#include "zdtestmain.h"

namespace
{

quint32 local(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return quint32(QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch());
}

EVTIMER timer(uint32_t id, const char* name, uint32_t startTime)
{
    EVTIMER t;
    std::memset(&t, 0, sizeof t);
    t.id = id;
    std::strncpy(t.name, name, sizeof t.name);
    t.enabled = 1;
    t.repeat = TIMER_REPEAT_DAILY;
    t.startTime = startTime;
    t.duration = 60;
    return t;
}

// Runs `action` on the timer editor once it is up (modal), then ends it.
void whenEditorShown(std::function<void(QTimerEditWnd*)> action)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        auto* editor = qobject_cast<QTimerEditWnd*>(QApplication::activeModalWidget());
        if (!editor || !editor->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action(editor);
    });
    poll->start();
}

QList<QMyListItem1*> rows(QTimerManagerWnd& w)
{
    QList<QMyListItem1*> list;
    auto* listwd = w.findChild<QListWidget*>("listwd");
    for (int i = 0; i < listwd->count(); ++i)
        list << qobject_cast<QMyListItem1*>(listwd->itemWidget(listwd->item(i)));
    return list;
}

} // namespace

class TestQTimerManagerWnd : public QObject
{
    Q_OBJECT

    QMyTimerHelper* m_store = nullptr;
    int m_answer = 1;
    QStringList m_boxes;

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        ScheduleClock::setUtcSource([] { return qint64(local(2030, 5, 6, 9, 0)); });
        InitGlobalSettings();
        MsgBoxDialog::setTestHook([this](const QString& text, int) {
            m_boxes << text;
            return m_answer;
        });
    }
    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        ScheduleClock::setUtcSource(nullptr);
        ReleaseGlobalSettings();
    }
    void init()
    {
        m_store = new QMyTimerHelper(nullptr, "ManagerTest");
        QFile::remove(m_store->filePath());
        m_boxes.clear();
        m_answer = 1;
    }
    void cleanup()
    {
        delete m_store;
        m_store = nullptr;
    }

    void addingNamesAndSaves()
    {
        QTimerManagerWnd w(nullptr, m_store);
        QCOMPARE(m_store->schedules.size(), 1);
        QCOMPARE(rows(w).size(), 0);
        QVERIFY(!QFile::exists(m_store->filePath()));

        QString seenName;
        whenEditorShown([&](QTimerEditWnd* e) {
            seenName = e->findChild<QLineEdit*>("edit_name")->text();
            e->onCancelClick();
        });
        w.onBtnAdd();
        QCOMPARE(seenName, QString("Untilte-1"));
        QCOMPARE(rows(w).size(), 0);
        QVERIFY(!QFile::exists(m_store->filePath()));

        whenEditorShown([&](QTimerEditWnd* e) {
            seenName = e->findChild<QLineEdit*>("edit_name")->text();
            e->onOKClick(); // a timer that is switched off is taken as it is
        });
        w.onBtnAdd();
        QCOMPARE(seenName, QString("Untilte-2"));
        QCOMPARE(rows(w).size(), 1);
        QCOMPARE(m_store->schedules.first()->timers.size(), 1);
        QFile f(m_store->filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.size(), qint64(4 + 264 + 160));
        QCOMPARE(rows(w).first()->name->text(), QString("Untilte-2"));
        QVERIFY(m_store->schedules.first()->timers.first().id != 0);
    }

    void editCancelledStillSaves()
    {
        m_store->addNewSchedule()->timers << timer(1, "Morning", 8 * 3600);
        QTimerManagerWnd w(nullptr, m_store);
        QVERIFY(!QFile::exists(m_store->filePath()));
        whenEditorShown([](QTimerEditWnd* e) { e->onCancelClick(); });
        w.onBtnEdit(rows(w).first());
        QVERIFY(QFile::exists(m_store->filePath()));
        QCOMPARE(m_store->schedules.first()->timers.first().startTime, 8u * 3600);
    }

    void deletingTheMiddleTimer()
    {
        m_store->addNewSchedule()->timers << timer(1, "First", 8 * 3600)
                                          << timer(2, "Second", 12 * 3600)
                                          << timer(3, "Third", 18 * 3600);
        QTimerManagerWnd w(nullptr, m_store);
        m_answer = 0;
        w.onBtnDel(rows(w).at(1));
        QCOMPARE(m_boxes, QStringList{"Are you sure delete timer Second"});
        QCOMPARE(rows(w).size(), 3);
        m_answer = 1;
        w.onBtnDel(rows(w).at(1));
        QCOMPARE(m_store->schedules.first()->timers.size(), 2);
        QCOMPARE(QString(m_store->schedules.first()->timers.at(1).name), QString("Third"));
        QCOMPARE(rows(w).size(), 2);
        QCOMPARE(rows(w).at(0)->name->text(), QString("First"));
        QCOMPARE(rows(w).at(1)->name->text(), QString("Third"));
        QVERIFY(rows(w).at(1)->info->text().contains("18:00:00"));
        // The row that is left finds its own place for the next delete.
        w.onBtnDel(rows(w).at(1));
        QCOMPARE(m_store->schedules.first()->timers.size(), 1);
        QCOMPARE(QString(m_store->schedules.first()->timers.at(0).name), QString("First"));
    }

    void onlyTheCurrentRowShowsItsButtons()
    {
        m_store->addNewSchedule()->timers << timer(1, "A", 3600) << timer(2, "B", 7200);
        QTimerManagerWnd w(nullptr, m_store);
        auto* listwd = w.findChild<QListWidget*>("listwd");
        listwd->setCurrentRow(1);
        QVERIFY(rows(w).at(1)->btnEdit->isVisibleTo(rows(w).at(1)));
        QVERIFY(!rows(w).at(0)->btnEdit->isVisibleTo(rows(w).at(0)));
        listwd->setCurrentRow(0);
        QVERIFY(rows(w).at(0)->btnDel->isVisibleTo(rows(w).at(0)));
        QVERIFY(!rows(w).at(1)->btnDel->isVisibleTo(rows(w).at(1)));
    }

    void expiredOnceTimerIsShownInactive()
    {
        EVTIMER once = timer(1, "Past", 10 * 3600);
        once.repeat = TIMER_REPEAT_ONCE;
        once.date = local(2030, 5, 1);
        m_store->addNewSchedule()->timers << once;
        QTimerManagerWnd w(nullptr, m_store);
        QMyListItem1* row = rows(w).first();
        QCOMPARE(row->info->text(), QString("2030-05-01 10:00:00, Expired"));
        QCOMPARE(row->timer.enabled, 0);
        QCOMPARE(m_store->schedules.first()->timers.first().enabled, 1);
    }
};

ZD_TEST_MAIN(TestQTimerManagerWnd, QApplication)
#include "tst_qtimermanagerwnd.moc"
