#include <QThread>
#include <QWidget>
#include <QtTest>

#include "mydialog.h"
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

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            auto* m = static_cast<MyEvent*>(e);
            seen.append({m->msg, m->wParam, m->lParam, m->ptr});
            return true;
        }
        return QWidget::event(e);
    }
};

// A dialog of the widget kit, as every dialog receives messages.
class DialogReceiver : public MyDialog
{
public:
    DialogReceiver() : MyDialog(nullptr) {}
    QList<Receiver::Seen> seen;

protected:
    void OnMyEventMsg(unsigned long msg, long wParam, long long lParam, void* ptr) override
    {
        seen.append({msg, wParam, lParam, ptr});
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

    // Dialogs take bus messages in OnMyEventMsg: an event of any other type,
    // the neighbours of 2048 included, must not be read as one (its fields
    // are not there).
    void otherEventTypesAreNotMessages()
    {
        DialogReceiver dialog;
        QEvent user(QEvent::User);
        QEvent below(static_cast<QEvent::Type>(2047));
        QEvent above(static_cast<QEvent::Type>(2049));
        for (QEvent* e : {&user, &below, &above})
            QCoreApplication::sendEvent(&dialog, e);
        QCOMPARE(dialog.seen.size(), 0);
        SendMessage(&dialog, MSG_MODE_SWITCHED, 5, -6, &dialog);
        QCOMPARE(dialog.seen.size(), 1);
        QCOMPARE(dialog.seen.first().msg, uint64_t(MSG_MODE_SWITCHED));
        QCOMPARE(dialog.seen.first().wParam, int64_t(5));
        QCOMPARE(dialog.seen.first().lParam, int64_t(-6));
        QCOMPARE(dialog.seen.first().ptr, static_cast<void*>(&dialog));
    }
};

ZD_TEST_MAIN(TestMyEvent, QApplication)
#include "tst_myevent.moc"
