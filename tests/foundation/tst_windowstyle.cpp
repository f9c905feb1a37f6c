// Edge and corner zones of CursorStyle, and dragging a window by its title
// widget with WindowStyle.
#include <QMouseEvent>

#include "cursorstyle.h"
#include "windowstyle.h"
#include "zdtestmain.h"

namespace
{
void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint local,
               QPoint global)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(local), QPointF(global),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}
} // namespace

class TestWindowStyle : public QObject
{
    Q_OBJECT
private slots:
    void zones_data()
    {
        // Rectangle (100, 200, 300, 150): L 100, T 200, R1 400, B1 350.
        QTest::addColumn<int>("border");
        QTest::addColumn<bool>("moveStrip");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("cursor");
        const int none = -1;
        QTest::newRow("inside") << 5 << false << QPoint(250, 275) << 0 << none;
        QTest::newRow("left edge, 5 inside")
            << 5 << false << QPoint(105, 275) << 1 << int(Qt::SizeHorCursor);
        QTest::newRow("6 inside left: none") << 5 << false << QPoint(106, 275) << 0 << none;
        QTest::newRow("right edge at R1")
            << 5 << false << QPoint(400, 275) << 2 << int(Qt::SizeHorCursor);
        QTest::newRow("right edge, 5 inside")
            << 5 << false << QPoint(395, 275) << 2 << int(Qt::SizeHorCursor);
        QTest::newRow("top edge") << 5 << false << QPoint(250, 205) << 3 << int(Qt::SizeVerCursor);
        QTest::newRow("bottom edge")
            << 5 << false << QPoint(250, 345) << 4 << int(Qt::SizeVerCursor);
        QTest::newRow("top-left beats left and top")
            << 5 << false << QPoint(103, 202) << 5 << int(Qt::SizeFDiagCursor);
        QTest::newRow("bottom-left")
            << 5 << false << QPoint(100, 350) << 6 << int(Qt::SizeBDiagCursor);
        QTest::newRow("top-right")
            << 5 << false << QPoint(399, 200) << 7 << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-right")
            << 5 << false << QPoint(400, 350) << 8 << int(Qt::SizeFDiagCursor);
        QTest::newRow("outside left") << 5 << false << QPoint(99, 275) << 0 << none;
        QTest::newRow("strip off") << 10 << false << QPoint(250, 215) << 0 << none;
        QTest::newRow("strip first row")
            << 10 << true << QPoint(250, 211) << 9 << int(Qt::SizeAllCursor);
        QTest::newRow("strip last row")
            << 10 << true << QPoint(250, 229) << 9 << int(Qt::SizeAllCursor);
        QTest::newRow("below strip") << 10 << true << QPoint(250, 230) << 0 << none;
        QTest::newRow("top zone before strip")
            << 10 << true << QPoint(250, 210) << 3 << int(Qt::SizeVerCursor);
    }
    void zones()
    {
        QFETCH(int, border);
        QFETCH(bool, moveStrip);
        QFETCH(QPoint, point);
        QFETCH(int, cursor);
        CursorStyle cs;
        cs.borderWidth = border;
        cs.moveStripEnabled = moveStrip;
        QWidget parent;
        QWidget w(&parent);
        w.setCursor(Qt::WaitCursor);
        cs.updateCursorStyle(point, &w, QRect(100, 200, 300, 150));
        QTEST(cs.position, "position");
        if (cursor < 0)
            QVERIFY(!w.testAttribute(Qt::WA_SetCursor));
        else
            QCOMPARE(int(w.cursor().shape()), cursor);
    }

    void childOfContentWidgetBlocksEdges()
    {
        QWidget content;
        content.resize(300, 150);
        auto* button = new QWidget(&content);
        button->setGeometry(0, 0, 30, 30);
        CursorStyle cs;
        cs.contentWidget = &content;
        cs.updateCursorPos(QPoint(102, 202), QRect(100, 200, 300, 150));
        QCOMPARE(cs.position, 0);
        cs.updateCursorPos(QPoint(102, 300), QRect(100, 200, 300, 150));
        QCOMPARE(cs.position, 1);
    }

    void dragsOnlyFromTheTitleWidget()
    {
        QWidget window;
        window.setGeometry(200, 150, 400, 300);
        auto* title = new QWidget(&window);
        title->setGeometry(0, 0, 400, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        WindowStyle style(&window);
        style.activateOn(title);
        QCOMPARE(style.window, &window);

        const QPoint origin = window.mapToGlobal(QPoint(0, 0));
        const QPoint startPos = window.pos();
        // Press below the title, then move: the window stays.
        sendMouse(&window, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(50, 100),
                  origin + QPoint(50, 100));
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, QPoint(90, 140),
                  origin + QPoint(90, 140));
        QCOMPARE(window.pos(), startPos);
        sendMouse(&window, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(90, 140),
                  origin + QPoint(90, 140));

        // Press in the title and move by (40, 25): the window follows.
        sendMouse(&window, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(50, 10),
                  origin + QPoint(50, 10));
        QVERIFY(style.pressInDragWidget);
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, QPoint(90, 35),
                  origin + QPoint(90, 35));
        QCOMPARE(window.mapToGlobal(QPoint(0, 0)), origin + QPoint(40, 25));

        // After the release, moves no longer drag.
        sendMouse(&window, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(90, 35),
                  origin + QPoint(90, 35));
        QVERIFY(!style.leftPressed);
        const QPoint after = window.pos();
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, QPoint(10, 10),
                  origin + QPoint(10, 10));
        QCOMPARE(window.pos(), after);
    }

    void doubleClickOnTitleTogglesMaximised()
    {
        QWidget window;
        window.setGeometry(100, 100, 400, 300);
        auto* title = new QWidget(&window);
        title->setGeometry(0, 0, 400, 30);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        WindowStyle style(&window);
        style.activateOn(title);

        sendMouse(&window, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(20, 10),
                  window.mapToGlobal(QPoint(20, 10)));
        QTRY_VERIFY(window.isMaximized());
        sendMouse(&window, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(20, 10),
                  window.mapToGlobal(QPoint(20, 10)));
        QTRY_VERIFY(!window.isMaximized());
        // Below the title and with the right button nothing happens.
        sendMouse(&window, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(20, 100),
                  window.mapToGlobal(QPoint(20, 100)));
        sendMouse(&window, QEvent::MouseButtonDblClick, Qt::RightButton, QPoint(20, 10),
                  window.mapToGlobal(QPoint(20, 10)));
        QTest::qWait(20);
        QVERIFY(!window.isMaximized());
    }
};

ZD_TEST_MAIN(TestWindowStyle, QApplication)
#include "tst_windowstyle.moc"
