#include <QThread>
#include <QWidget>
#include <QtTest>

#include "myevent.h"
#include "zdtestmain.h"

namespace
{

// Records every bus message it receives, and on which thread.
class Receiver : public QWidget
{
public:
    struct Seen {
        uint64_t msg;
        int64_t wParam;
        int64_t lParam;
        void* ptr;
    };
    QList<Seen> seen;
    int otherEvents = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            auto* m = static_cast<MyEvent*>(e);
            seen.append({m->msg, m->wParam, m->lParam, m->ptr});
            return true;
        }
        if (e->type() == QEvent::User)
            ++otherEvents;
        return QWidget::event(e);
    }
};

} // namespace

class TestMyEvent : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { AfxSetMainWindow(nullptr); }

    void eventCarriesItsFourFields()
    {
        MyEvent e(MSG_DUD_FAILED, -5, 0x7FFFFFFFFFFFLL, this);
        QCOMPARE(int(e.type()), 2048);
        QCOMPARE(e.msg, uint64_t(99665));
        QCOMPARE(e.wParam, int64_t(-5));
        QCOMPARE(e.lParam, int64_t(0x7FFFFFFFFFFFLL));
        QCOMPARE(e.ptr, static_cast<void*>(this));
    }

    void nullTargetWithoutMainWindowSendsNothing()
    {
        Receiver bystander;
        PostMessage(nullptr, MSG_RELOAD_SERVERS, 0, 0, nullptr);
        SendMessage(nullptr, MSG_RELOAD_SERVERS, 0, 0, nullptr);
        QCoreApplication::processEvents();
        QCOMPARE(bystander.seen.size(), 0);
    }

    void nullTargetReachesTheMainWindow()
    {
        Receiver main;
        AfxSetMainWindow(&main);
        SendMessage(nullptr, MSG_MODE_SWITCHED, 1, 2, nullptr);
        PostMessage(nullptr, MSG_SETTINGS_CHANGED, MSG_LANGUAGE_CHANGED, 3, &main);
        QCOMPARE(main.seen.size(), 1);
        QTRY_COMPARE(main.seen.size(), 2);
        QCOMPARE(main.seen.at(1).msg, uint64_t(MSG_SETTINGS_CHANGED));
        QCOMPARE(main.seen.at(1).wParam, int64_t(MSG_LANGUAGE_CHANGED));
        QCOMPARE(main.seen.at(1).lParam, int64_t(3));
        QCOMPARE(main.seen.at(1).ptr, static_cast<void*>(&main));
    }

    void sendHasRunTheHandlerPostHasNot()
    {
        Receiver target;
        SendMessage(&target, MSG_RECORD_STATE, 1, 0, nullptr);
        QCOMPARE(target.seen.size(), 1);
        QCOMPARE(target.seen.at(0).wParam, int64_t(1));
        PostMessage(&target, MSG_RECORD_STATE, 2, 7, nullptr);
        QCOMPARE(target.seen.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(target.seen.size(), 2);
        QCOMPARE(target.seen.at(1).lParam, int64_t(7));
    }

    void postFromAnotherThreadArrivesOnTheTargetsThread()
    {
        Receiver target;
        QThread* worker = QThread::create([&target] {
            PostMessage(&target, MSG_VERSION_CHECK_DONE, 1, 0, QThread::currentThread());
        });
        worker->start();
        QVERIFY(worker->wait(5000));
        QTRY_COMPARE(target.seen.size(), 1);
        QCOMPARE(target.seen.at(0).ptr, static_cast<void*>(worker));
        delete worker;
    }

    void otherEventTypesAreNotMessages()
    {
        Receiver target;
        QEvent user(QEvent::User);
        QCoreApplication::sendEvent(&target, &user);
        QCOMPARE(target.seen.size(), 0);
        QCOMPARE(target.otherEvents, 1);
    }
};

ZD_TEST_MAIN(TestMyEvent, QApplication)
#include "tst_myevent.moc"
