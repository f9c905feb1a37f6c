// Reports travel from the engine's own thread through the callback to the
// GUI thread, keep their texts until release, and stop with ZD_Release.
#include "enginetestsupport.h"
#include "zdtestmain.h"

class TstEngineReports : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
        sink.reset();
        sink.callbackDelayMs = 0;
    }
    void cleanup() { ZD_SetMainMessageCallBack(nullptr, nullptr); }

    void reportReachesGuiThreadFromEngineThread()
    {
        void* h = initEngine();
        QVERIFY(h);
        int target = 0;
        QCOMPARE(ZDT_InjectReport(h, &target, 9800, 0, 0, "/videos/Pic20240101.png",
                                  ZDT_TEXT_IN_PTR | ZDT_TEXT_IN_LPARAM),
                 1);
        QTRY_COMPARE(sink.reports.size(), 1);
        const ReceivedReport r = sink.reports.first();
        QCOMPARE(r.sync, 0);
        QCOMPARE(r.target, static_cast<void*>(&target));
        QCOMPARE(r.msg, 9800u);
        QVERIFY(!r.callbackOnGuiThread);
        QVERIFY(r.handledOnGuiThread);
        QVERIFY(r.ptr);
        QCOMPARE(reinterpret_cast<void*>(static_cast<intptr_t>(r.lParam)), r.ptr);
        QCOMPARE(r.ptrText, QByteArray("/videos/Pic20240101.png"));
        QCOMPARE(ZD_Release(&h), 1);
        QVERIFY(!h);
    }

    void reportsKeepTheirOrder()
    {
        void* h = initEngine();
        for (unsigned long i = 0; i < 200; ++i)
            QCOMPARE(
                ZDT_InjectReport(h, nullptr, 21014, i, static_cast<long long>(i) * 3, nullptr, 0),
                1);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 200);
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(sink.reports[i].wParam, static_cast<unsigned long>(i));
            QCOMPARE(sink.reports[i].lParam, static_cast<long long>(i) * 3);
            QVERIFY(!sink.reports[i].target);
            QVERIFY(!sink.reports[i].ptr);
        }
        ZD_Release(&h);
    }

    // Texts that reports carry are the engine's and outlive their report.
    void textsStayValidUntilRelease()
    {
        void* h = initEngine();
        ZDT_InjectReport(h, nullptr, 36970, 1, 0, "192.168.1.5:9875", ZDT_TEXT_IN_LPARAM);
        for (int i = 0; i < 100; ++i)
            ZDT_InjectReport(h, nullptr, 9800, 0, 0, QByteArray::number(i).constData(),
                             ZDT_TEXT_IN_PTR);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 101);
        const auto* first =
            reinterpret_cast<const char*>(static_cast<intptr_t>(sink.reports[0].lParam));
        QVERIFY(!sink.reports[0].ptr);
        QCOMPARE(QByteArray(first), QByteArray("192.168.1.5:9875"));
        for (int i = 0; i < 100; ++i)
            QCOMPARE(QByteArray(static_cast<const char*>(sink.reports[i + 1].ptr)),
                     QByteArray::number(i));
        ZD_Release(&h);
    }

    void noReportAfterRelease()
    {
        void* h = initEngine();
        QVERIFY(ZDT_EngineThreadCount() >= 1);
        sink.callbackDelayMs = 1;
        for (int i = 0; i < 2000; ++i)
            ZDT_InjectReport(h, nullptr, 98640, 5, i, nullptr, 0);
        QTest::qWait(20);
        QCOMPARE(ZD_Release(&h), 1);
        const int atRelease = sink.callbacks;
        QCOMPARE(ZDT_EngineThreadCount(), 0);
        QTest::qWait(300);
        QCOMPARE(sink.callbacks.load(), atRelease);
        // The queued rest was dropped rather than delivered.
        QVERIFY(atRelease < 2000);
        QCOMPARE(ZDT_InjectReport(h, nullptr, 98640, 5, 0, nullptr, 0), 0);
    }

    void withoutCallbackReportsAreDropped()
    {
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        void* h = initEngine();
        QCOMPARE(ZDT_InjectReport(h, nullptr, 6666, 0, 0, nullptr, 0), 1);
        QVERIFY(ZDT_WaitReportsDelivered(h, 5000));
        QCOMPARE(sink.callbacks.load(), 0);
        ZD_Release(&h);
    }

    // Two engines each have their own report thread; releasing one leaves
    // the other reporting.
    void enginesAreIndependent()
    {
        void* a = initEngine("a");
        void* b = initEngine("b");
        QVERIFY(a && b && a != b);
        QCOMPARE(ZDT_EngineThreadCount(), 2);
        QCOMPARE(ZD_Release(&a), 1);
        QCOMPARE(ZDT_EngineThreadCount(), 1);
        QCOMPARE(ZDT_InjectReport(b, nullptr, 7777, 0, 0, nullptr, 0), 1);
        QTRY_COMPARE(sink.reports.size(), 1);
        ZD_Release(&b);
        QCOMPARE(ZDT_LiveEngineCount(), 0);
    }

private:
    ReportSink sink;
};

ZD_TEST_MAIN(TstEngineReports, QCoreApplication)
#include "tst_enginereports.moc"
