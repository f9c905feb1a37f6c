// The main window's place survives restarts under a real window manager: the
// frame's position is what is stored at close, and the next start puts the
// frame back there, not the window's inside (which would creep the window up
// by its title bar at every start).
#include "zdtestmain.h"
#include "zdwindowmanager.h"

#include <QApplication>
#include <QMenuBar>
#include <memory>

#include "globalsettings.h"
#include "stdafx.h"
#include "zdhelpergui.h"

namespace
{
zdtest::ManagedDisplay* g_display = nullptr;
QString g_skipWhy;

// The window as a user starts it, shown and framed by the manager (null
// when the manager never framed it).
std::unique_ptr<ZDHelperGUI> startWindow()
{
    auto window = std::make_unique<ZDHelperGUI>(nullptr);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) ||
        !QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 10000))
        return nullptr;
    return window;
}
} // namespace

class TestWindowPlace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!g_skipWhy.isEmpty())
            QSKIP(qPrintable(g_skipWhy));
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
    }

    void cleanupTestCase()
    {
        if (g_skipWhy.isEmpty())
            ReleaseGlobalSettings();
    }

    void storedPlaceIsTheFrames_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::newRow("left top") << QRect(60, 40, 1000, 720);
        QTest::newRow("middle") << QRect(300, 200, 1100, 760);
    }

    // Three starts in a row: the frame comes back where it was stored, and
    // closing stores the same place again.
    void storedPlaceIsTheFrames()
    {
        QFETCH(QRect, stored);
        g_Global.wndX = stored.x();
        g_Global.wndY = stored.y();
        g_Global.wndW = stored.width();
        g_Global.wndH = stored.height();
        for (int run = 0; run < 3; ++run) {
            std::unique_ptr<ZDHelperGUI> window = startWindow();
            QVERIFY(window);
            QTRY_COMPARE_WITH_TIMEOUT(window->frameGeometry().topLeft(), stored.topLeft(), 5000);
            QCOMPARE(window->size(), stored.size());
            QVERIFY(window->close());
            QCOMPARE(QRect(g_Global.wndX, g_Global.wndY, g_Global.wndW, g_Global.wndH), stored);
        }
    }

    // A place the user moved the window to is where the next start puts it.
    void movedPlaceComesBack()
    {
        g_Global.wndX = g_Global.wndY = g_Global.wndW = g_Global.wndH = 0;
        QPoint moved;
        {
            std::unique_ptr<ZDHelperGUI> window = startWindow();
            QVERIFY(window);
            window->move(250, 180);
            QTRY_COMPARE_WITH_TIMEOUT(window->frameGeometry().topLeft(), QPoint(250, 180), 5000);
            moved = window->frameGeometry().topLeft();
            QVERIFY(window->close());
        }
        QCOMPARE(QPoint(g_Global.wndX, g_Global.wndY), moved);
        std::unique_ptr<ZDHelperGUI> window = startWindow();
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(window->frameGeometry().topLeft(), moved, 5000);
        QVERIFY(window->close());
    }
};

// The display and its manager come up before the application connects.
int main(int argc, char** argv)
{
    zdtest::enterSandbox();
    zdtest::ManagedDisplay display;
    if (!zdtest::ManagedDisplay::available() || !display.start(&g_skipWhy)) {
        if (g_skipWhy.isEmpty())
            g_skipWhy = "Xvfb or openbox is not installed";
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    g_display = &display;
    QApplication app(argc, argv);
    TestWindowPlace tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_windowplace.moc"
