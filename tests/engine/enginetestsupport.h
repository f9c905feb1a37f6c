// What the engine tests share: a receiver that gets the engine's reports the
// way the application does (callback on the engine thread, re-posted as an
// event to an object of the GUI thread), and engine set-up helpers.
#pragma once

#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"
#include "zdtestcamera.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QList>
#include <QObject>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cstring>

struct ReceivedReport {
    int sync = -1;
    void* target = nullptr;
    unsigned int msg = 0;
    unsigned long wParam = 0;
    long long lParam = 0;
    void* ptr = nullptr;
    bool callbackOnGuiThread = true;
    bool handledOnGuiThread = false;
    QByteArray ptrText; // read on the GUI thread, when ptr is set
};

class ReportEvent : public QEvent
{
public:
    static QEvent::Type type()
    {
        static const int t = QEvent::registerEventType();
        return static_cast<QEvent::Type>(t);
    }
    explicit ReportEvent(const ReceivedReport& r) : QEvent(type()), report(r) {}
    ReceivedReport report;
};

class ReportSink : public QObject
{
public:
    // Installed as the engine callback with this sink as context.
    static void callback(int sync, void* target, unsigned int msg, unsigned long wParam,
                         long long lParam, void* ptr, void* context)
    {
        auto* sink = static_cast<ReportSink*>(context);
        sink->callbacks++;
        ReceivedReport r;
        r.sync = sync;
        r.target = target;
        r.msg = msg;
        r.wParam = wParam;
        r.lParam = lParam;
        r.ptr = ptr;
        r.callbackOnGuiThread = QThread::currentThread() == qApp->thread();
        if (sink->callbackDelayMs > 0)
            QThread::msleep(static_cast<unsigned long>(sink->callbackDelayMs));
        QCoreApplication::postEvent(sink, new ReportEvent(r));
    }

    bool event(QEvent* e) override
    {
        if (e->type() != ReportEvent::type())
            return QObject::event(e);
        ReceivedReport r = static_cast<ReportEvent*>(e)->report;
        r.handledOnGuiThread = QThread::currentThread() == qApp->thread();
        if (r.ptr)
            r.ptrText = QByteArray(static_cast<const char*>(r.ptr));
        reports.append(r);
        return true;
    }

    QList<ReceivedReport> ofMessage(unsigned int msg) const
    {
        QList<ReceivedReport> found;
        for (const ReceivedReport& r : reports) {
            if (r.msg == msg)
                found.append(r);
        }
        return found;
    }

    // Lets every report queued so far reach the GUI thread.
    void drain(void* handle)
    {
        QVERIFY(ZDT_WaitReportsDelivered(handle, 5000));
        QCoreApplication::sendPostedEvents(this, ReportEvent::type());
    }

    // Forgets every report, those still waiting in the event queue included.
    void reset()
    {
        QCoreApplication::sendPostedEvents(this, ReportEvent::type());
        reports.clear();
        callbacks = 0;
    }

    std::atomic<int> callbacks{0};
    int callbackDelayMs = 0;
    QList<ReceivedReport> reports;
};

// A folder of the test's sandbox for the engine's application data.
inline QByteArray engineDataDir(const char* name)
{
    const QString path = QDir::homePath() + "/engine-data/" + name;
    QDir().mkpath(path);
    return path.toUtf8();
}

inline void* initEngine(const char* name = "default")
{
    void* handle = nullptr;
    const QByteArray dir = engineDataDir(name);
    if (ZD_Initalize(&handle, dir.constData(), "/nonexistent/bin", "/nonexistent/Resources",
                     "ZDHelper", "1.1.0") != 1)
        return nullptr;
    return handle;
}

using zdtest::devName;
using zdtest::openTestCamera;
using zdtest::testCamera;
using zdtest::testMicrophone;

using zdtest::engineTrace;
