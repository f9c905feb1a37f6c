#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

#include "myevent.h"
#include "qglobalapplication.h"
#include "zdtestmain.h"

namespace
{

struct Report {
    int kind, a, b, x, y;
};

class MessageSink : public QObject
{
public:
    QList<uint64_t> msgs;
    QList<QThread*> threads;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            msgs.append(static_cast<MyEvent*>(e)->msg);
            threads.append(QThread::currentThread());
            return true;
        }
        return QObject::event(e);
    }
};

GlobalApplication* app()
{
    return static_cast<GlobalApplication*>(QCoreApplication::instance());
}

QList<int> kinds(const QList<Report>& reports, bool withMoves = false)
{
    QList<int> out;
    for (const Report& r : reports) {
        if (withMoves || r.kind != 1)
            out.append(r.kind);
    }
    return out;
}

} // namespace

class TestGlobalApplication : public QObject
{
    Q_OBJECT
    QList<Report> m_reports;
    QWidget* m_window = nullptr;
    QPushButton* m_button = nullptr;

private slots:
    void init()
    {
        m_reports.clear();
        app()->setMouseReporter([this](int kind, int a, int b, int x, int y) {
            m_reports.append({kind, a, b, x, y});
        });
        m_window = new QWidget;
        auto* layout = new QVBoxLayout(m_window);
        m_button = new QPushButton("button", m_window);
        layout->addWidget(m_button);
        m_window->setGeometry(100, 100, 300, 200);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        AfxSetMainWindow(m_window);
        // A press far away clears the duplicate test between test functions.
        app()->IsDoubleCall(1, 1, nullptr);
    }

    void cleanup()
    {
        AfxSetMainWindow(nullptr);
        app()->setMouseReporter(nullptr);
        delete m_window;
    }

    // Real input reaches the application twice per press: first addressed to
    // the window, then to the widget under the mouse. Clicks are sent through
    // the window here, as the windowing system sends them, so each press and
    // release must still be reported once.
    void leftClickIsReportedOnce()
    {
        const QPoint at = m_button->mapTo(m_window, QPoint(10, 10));
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(kinds(m_reports), (QList<int>{3, 4}));
        const QPoint global = m_window->mapToGlobal(at);
        QCOMPARE(m_reports.first().a, global.x());
        QCOMPARE(m_reports.first().b, global.y());
        QCOMPARE(m_reports.first().x, at.x()); // as the window, the first receiver, saw it
    }

    void rightClickIsKindFiveAndSix()
    {
        const QPoint at = m_button->mapTo(m_window, QPoint(12, 12));
        QTest::mouseClick(m_window->windowHandle(), Qt::RightButton, {}, at);
        QCOMPARE(kinds(m_reports), (QList<int>{5, 6}));
    }

    void twoClicksAtOnePlaceAreBothReported()
    {
        const QPoint at = m_button->mapTo(m_window, QPoint(15, 8));
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, at);
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(kinds(m_reports), (QList<int>{3, 4, 3, 4}));
    }

    void duplicateTestNeedsPositiveCoordinates()
    {
        QVERIFY(!app()->IsDoubleCall(0, 50, this));
        QVERIFY(!app()->IsDoubleCall(0, 50, m_window));
        QVERIFY(!app()->IsDoubleCall(40, 50, this));
        QVERIFY(app()->IsDoubleCall(40, 50, m_window));
        QVERIFY(!app()->IsDoubleCall(40, 50, this)); // stored values left as they were
    }

    void releaseWithoutPressIsNotReported()
    {
        // The buttons of the last press are still left-held from nothing:
        // reset them by a fresh application state.
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(205, 205),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QMouseEvent pressNone(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(300, 300),
                              Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_button, &pressNone); // buttons held: none
        QCoreApplication::sendEvent(m_button, &release);
        QCOMPARE(kinds(m_reports), QList<int>());
    }

    void movesAndWheelAreReported()
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(3.7, 4.2), QPointF(103.7, 104.2), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_button, &move);
        QCoreApplication::sendEvent(m_window, &move);
        QCOMPARE(kinds(m_reports, true), (QList<int>{1, 1}));
        QCOMPARE(m_reports.first().x, 3);
        QCOMPARE(m_reports.first().a, 103);
        QWheelEvent wheel(QPointF(7, 8), QPointF(107, 108), QPoint(1, -2), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_button, &wheel);
        QCOMPARE(m_reports.last().kind, 2);
        QCOMPARE(m_reports.last().a, 1);
        QCOMPARE(m_reports.last().b, -2);
        QCOMPARE(m_reports.last().x, 7);
    }

    void nothingIsReportedWithoutAMainWindow()
    {
        AfxSetMainWindow(nullptr);
        QTest::mouseClick(m_button, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(m_reports.size(), 0);
    }

    void engineReportsBecomeMessages()
    {
        MessageSink sink;
        AfxSetMainWindow(nullptr);
        // No target and no main window: dropped.
        zd_message_callback(0, nullptr, 6666, 0, 0, nullptr, nullptr);
        // A target is reached without a main window, queued for sync 0.
        zd_message_callback(0, &sink, 83675, 3, 1, nullptr, nullptr);
        QCOMPARE(sink.msgs.size(), 0);
        QTRY_COMPARE(sink.msgs.size(), 1);
        QCOMPARE(sink.msgs.first(), uint64_t(83675));

        // Immediate delivery runs on the reporting thread, which waits.
        QThread* engine = QThread::create(
            [&sink] { zd_message_callback(1, &sink, 0xFFFFFFFFu, 0, 0, nullptr, nullptr); });
        engine->start();
        QVERIFY(engine->wait(5000));
        QCOMPARE(sink.msgs.size(), 2);
        QCOMPARE(sink.msgs.last(), uint64_t(0xFFFFFFFFu)); // widened without sign
        QCOMPARE(sink.threads.last(), engine);
        delete engine;

        // A null target goes to the main window once there is one.
        MessageSink* main = new MessageSink;
        QWidget holder;
        main->setParent(&holder);
        AfxSetMainWindow(&holder);
        zd_message_callback(0, nullptr, 7777, 0, 0, nullptr, nullptr);
        QCoreApplication::processEvents();
        QCOMPARE(main->msgs.size(), 0); // the window itself is the receiver
    }
};

ZD_TEST_MAIN(TestGlobalApplication, GlobalApplication)
#include "tst_qglobalapplication.moc"
