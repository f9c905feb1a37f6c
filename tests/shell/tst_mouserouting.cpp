// Mouse routing of the main window: what the listeners receive (32132, 32133)
// and which mouse messages the main window posts to itself, driven through
// the application object as real mouse events are.
#include "zdtestmain.h"

#include <QCursor>
#include <QMouseEvent>
#include <QWheelEvent>
#include <memory>

#include "globalsettings.h"
#include "myevent.h"
#include "qglobalapplication.h"
#include "qmyplayerbar.h"
#include "qmyrightbar.h"
#include "shelltestsupport.h"
#include "stdafx.h"
#include "zdhelpergui.h"

using namespace shelltest;

namespace
{
class Listener : public QWidget
{
public:
    QList<SeenMessage> seen;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            auto* m = static_cast<MyEvent*>(e);
            seen << SeenMessage{m->msg, m->wParam, m->lParam};
        }
        return QWidget::event(e);
    }
};

struct Fields {
    int a, b, x, y;
};

// Each 16-bit field read back as a signed number, as the listeners do.
Fields unpack(qint64 lParam)
{
    const quint64 v = quint64(lParam);
    return {qint16(v >> 48), qint16(v >> 32), qint16(v >> 16), qint16(v)};
}
} // namespace

class TestMouseRouting : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ZDHelperGUI> m_window;
    std::unique_ptr<MessageSpy> m_spy;

    int posted(quint64 msg)
    {
        QCoreApplication::processEvents();
        return int(m_spy->of(msg).size());
    }

    void rightClick(QWidget* widget, QPoint local)
    {
        QCursor::setPos(widget->mapToGlobal(local));
        QTest::mousePress(widget, Qt::RightButton, {}, local);
        QTest::mouseRelease(widget, Qt::RightButton, {}, local);
    }

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
    }

    void cleanupTestCase() { ReleaseGlobalSettings(); }

    void init()
    {
        ZDHelperGUI::g__mouse_ev_list.clear();
        g_Global.isRecordInterface = 1;
        m_window = std::make_unique<ZDHelperGUI>(nullptr);
        m_window->move(50, 40);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_spy = std::make_unique<MessageSpy>(m_window.get(), "main");
        // The menu itself is never run here.
        m_spy->swallow << MSG_CONTEXT_MENU;
        static_cast<GlobalApplication*>(qApp)->IsDoubleCall(1, 1, nullptr);
        QCoreApplication::processEvents();
        m_spy->seen.clear();
    }

    void cleanup()
    {
        m_spy.reset();
        m_window.reset();
        ZDHelperGUI::g__mouse_ev_list.clear();
    }

    void packing_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("plain") << 1200 << 700 << 30 << 40;
        QTest::newRow("negative local") << 80 << 130 << -20 << -1;
        QTest::newRow("negative global") << -1 << -1080 << 5 << 6;
        QTest::newRow("16-bit edges") << 32767 << -32768 << -32768 << 32767;
    }

    // Four signed 16-bit fields, global x in the top bits, local y at the
    // bottom, each read back unchanged.
    void packing()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, x);
        QFETCH(int, y);
        Listener first;
        Listener second;
        ZDHelperGUI::g__mouse_ev_list << &first << &second;
        m_window->onMouseDown(3, a, b, x, y);
        for (Listener* l : {&first, &second}) {
            QCOMPARE(l->seen.size(), 1);
            QCOMPARE(l->seen[0].msg, quint64(MSG_MOUSE_ACTIVITY));
            QCOMPARE(l->seen[0].wParam, 3);
            const Fields f = unpack(l->seen[0].lParam);
            QCOMPARE(f.a, a);
            QCOMPARE(f.b, b);
            QCOMPARE(f.x, x);
            QCOMPARE(f.y, y);
        }
    }

    // A drag left of the window still reports where the cursor really is.
    void moveLeftOfTheWindow()
    {
        Listener listener;
        ZDHelperGUI::g__mouse_ev_list << &listener;
        const QPoint local(-20, 30);
        const QPoint global = m_window->mapToGlobal(local);
        QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &move);
        QCOMPARE(listener.seen.size(), 1);
        QCOMPARE(listener.seen[0].wParam, 1);
        const Fields f = unpack(listener.seen[0].lParam);
        QCOMPARE(QPoint(f.a, f.b), global);
        QCOMPARE(QPoint(f.x, f.y), local);
        QCOMPARE(posted(MSG_MOUSE_MOVE), 1);
    }

    void clicksBecomeMessages()
    {
        Listener listener;
        ZDHelperGUI::g__mouse_ev_list << &listener;
        QWidget* preview = m_window->playerBar();
        QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(posted(MSG_MOUSE_LEFT_DOWN), 1);
        QCOMPARE(posted(MSG_MOUSE_LEFT_UP), 1);
        QList<qint64> kinds;
        for (const SeenMessage& m : listener.seen)
            kinds << m.wParam;
        QCOMPARE(kinds, (QList<qint64>{3, 4}));
    }

    void contextMenu_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("expected");
        QTest::newRow("inside the preview") << "preview" << true;
        QTest::newRow("preview's corner") << "corner" << true;
        QTest::newRow("over the right bar") << "rightbar" << false;
        QTest::newRow("main window inactive") << "inactive" << false;
    }

    // A right click inside the preview asks for the menu at the release.
    void contextMenu()
    {
        QFETCH(QString, where);
        QFETCH(bool, expected);
        QWidget* preview = m_window->playerBar();
        std::unique_ptr<QWidget> other;
        if (where == "inactive") {
            other = std::make_unique<QWidget>();
            other->setGeometry(1200, 600, 100, 100);
            other->show();
            other->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(other.get()));
            QVERIFY(!m_window->isActiveWindow());
        }
        if (where == "rightbar") {
            rightClick(m_window->rightBar(), QPoint(50, 200));
        } else if (where == "corner") {
            rightClick(preview, QPoint(0, 0));
        } else {
            QCursor::setPos(preview->mapToGlobal(QPoint(100, 100)));
            QTest::mousePress(preview, Qt::RightButton, {}, QPoint(100, 100));
            QCOMPARE(posted(MSG_CONTEXT_MENU), 0);
            QTest::mouseRelease(preview, Qt::RightButton, {}, QPoint(100, 100));
        }
        QCOMPARE(posted(MSG_CONTEXT_MENU), expected ? 1 : 0);
    }

    void wheel_data()
    {
        QTest::addColumn<bool>("childHasFocus");
        QTest::addColumn<int>("delta");
        QTest::newRow("window has the focus") << false << -120;
        QTest::newRow("window has the focus, up") << false << 240;
        QTest::newRow("a child has the focus") << true << -120;
    }

    void wheel()
    {
        QFETCH(bool, childHasFocus);
        QFETCH(int, delta);
        if (childHasFocus)
            m_window->rightBar()->findChild<QWidget*>("btnLive")->setFocus();
        else
            m_window->setFocus();
        QCoreApplication::processEvents();
        const QPointF local(100, 100);
        QWheelEvent turn(local, m_window->mapToGlobal(local), QPoint(0, delta), QPoint(0, delta),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_window.get(), &turn);
        QCoreApplication::processEvents();
        const QList<SeenMessage> wheels = m_spy->of(MSG_MOUSE_WHEEL);
        QCOMPARE(wheels.size(), childHasFocus ? 0 : 1);
        if (!childHasFocus) {
            QCOMPARE(wheels[0].wParam, 0);
            QCOMPARE(wheels[0].lParam, delta);
        }
    }

    void deactivationReachesListeners()
    {
        Listener listener;
        ZDHelperGUI::g__mouse_ev_list << &listener;
        QWidget other;
        other.setGeometry(1200, 600, 100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_VERIFY(!listener.seen.isEmpty());
        QCOMPARE(listener.seen.last().msg, quint64(MSG_MAIN_WINDOW_DEACTIVATED));
    }

    // A listener that is gone is skipped; the others still hear.
    void destroyedListenerIsSkipped()
    {
        auto gone = std::make_unique<Listener>();
        Listener stays;
        // The window's own frames (the live scene's) are listeners too.
        const qsizetype before = ZDHelperGUI::g__mouse_ev_list.size();
        ZDHelperGUI::g__mouse_ev_list << gone.get() << &stays;
        gone.reset();
        m_window->onMouseDown(1, 10, 10, 10, 10);
        QCOMPARE(stays.seen.size(), 1);
        QCOMPARE(ZDHelperGUI::g__mouse_ev_list.size(), before + 2);
    }

    // A move over the active window restarts the idle count.
    void movesOverTheActiveWindow()
    {
        m_window->timer_normal();
        m_window->timer_normal();
        QCOMPARE(m_window->idleTicks(), 2);
        QMouseEvent move(QEvent::MouseMove, QPointF(30, 30),
                         m_window->playerBar()->mapToGlobal(QPointF(30, 30)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_window->playerBar(), &move);
        QCOMPARE(m_window->idleTicks(), 0);
    }
};

ZD_TEST_MAIN(TestMouseRouting, GlobalApplication)
#include "tst_mouserouting.moc"
