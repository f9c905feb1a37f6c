// The move-and-resize frame driven by the main window's mouse messages: it
// stays inside the preview, never gets smaller than 33 pixels, keeps the
// source's ratio when asked, and reports a finished drag only when the
// rectangle changed.
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>

#include "myevent.h"
#include "qmyrubberband.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

qint64 fields(const QPoint& p)
{
    return qint64((quint64(quint16(p.x())) << 48) | (quint64(quint16(p.y())) << 32));
}

} // namespace

class TestQMyRubberBand : public QObject
{
    Q_OBJECT

    QWidget* m_host = nullptr;
    QMyRubberBand* m_frame = nullptr;

    void mouse(int kind, const QPoint& global)
    {
        SendMessage(m_frame, MSG_MOUSE_ACTIVITY, kind, fields(global), nullptr);
    }
    QPoint global(int x, int y) const { return m_frame->limitRect().topLeft() + QPoint(x, y); }
    // A drag from a point of the frame (preview coordinates) by d.
    void drag(const QPoint& from, const QPoint& d, bool release = true)
    {
        mouse(1, global(from.x(), from.y())); // the region under the cursor
        mouse(3, global(from.x(), from.y()));
        mouse(1, global(from.x() + d.x(), from.y() + d.y()));
        if (release)
            mouse(4, global(from.x() + d.x(), from.y() + d.y()));
    }
    void place(const QRect& local)
    {
        m_frame->setGeometryFromLocal(local);
        QCOMPARE(m_frame->getGeometryFromLocal(), local);
    }

private slots:
    void init()
    {
        m_host = new QWidget;
        m_host->setGeometry(100, 100, 640, 360);
        m_host->show();
        m_frame = new QMyRubberBand(nullptr);
        m_frame->previewHost = m_host;
        m_frame->show();
    }
    void cleanup()
    {
        delete m_frame;
        delete m_host;
    }

    void placing_data()
    {
        QTest::addColumn<QRect>("asked");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("inside") << QRect(10, 10, 100, 50) << QRect(10, 10, 100, 50);
        QTest::newRow("past the right edge: clipped")
            << QRect(600, 10, 100, 50) << QRect(QPoint(600, 10), QPoint(638, 59));
        QTest::newRow("far right: 32 pixels stay")
            << QRect(630, 340, 100, 50) << QRect(QPoint(607, 327), QPoint(638, 358));
        QTest::newRow("left of the preview") << QRect(-50, -20, 100, 50) << QRect(0, 0, 100, 50);
    }
    void placing()
    {
        QFETCH(QRect, asked);
        QFETCH(QRect, placed);
        m_frame->setGeometryFromLocal(asked);
        QCOMPARE(m_frame->getGeometryFromLocal(), placed);
    }

    void noHostNoPlacing()
    {
        m_frame->previewHost = nullptr;
        QVERIFY(!m_frame->setGeometryFromLocal(QRect(0, 0, 10, 10)));
    }

    void keepAspectRule()
    {
        place(QRect(10, 20, 400, 100));
        QSignalSpy changing(m_frame, &QMyRubberBand::rectChanging);
        m_frame->setKeepaspect(true, 0, 0); // no size: nothing changes
        QVERIFY(!m_frame->isKeepAspect());
        QCOMPARE(changing.size(), 0);
        m_frame->setKeepaspect(true, 16, 9);
        QCOMPARE(m_frame->getGeometryFromLocal(), QRect(10, 20, 177, 100));
        QCOMPARE(changing.size(), 1);
        QVERIFY(m_frame->isKeepAspect());
        m_frame->setKeepaspect(false, 0, 0);
        QVERIFY(m_frame->isKeepAspect());
    }

    // 33 pixels is the smallest side a resize leaves.
    void resizeLimit_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("width");
        QTest::newRow("to 33") << -67 << 33;
        QTest::newRow("to 32: refused") << -68 << 100;
        QTest::newRow("wider") << 50 << 150;
        QTest::newRow("past the preview: refused") << 600 << 100;
    }
    void resizeLimit()
    {
        QFETCH(int, dx);
        QFETCH(int, width);
        place(QRect(100, 100, 100, 100));
        drag(QPoint(198, 150), QPoint(dx, 0));
        QCOMPARE(m_frame->getGeometryFromLocal(), QRect(100, 100, width, 100));
    }

    void resizeKeepsRatio()
    {
        place(QRect(100, 100, 200, 100));
        m_frame->setKeepaspect(true, 2, 1);
        drag(QPoint(298, 150), QPoint(100, 0));
        // Led by the width: the height follows, centred on the old one.
        QCOMPARE(m_frame->getGeometryFromLocal(), QRect(100, 75, 300, 150));
    }

    void moveStaysInside()
    {
        place(QRect(100, 100, 120, 80));
        QSignalSpy changing(m_frame, &QMyRubberBand::rectChanging);
        drag(QPoint(160, 140), QPoint(1000, 1000));
        const QRect r = m_frame->getGeometryFromLocal();
        QCOMPARE(r.size(), QSize(120, 80));
        QCOMPARE(r.right(), 638);
        QCOMPARE(r.bottom(), 358);
        QVERIFY(changing.size() >= 1);
        drag(QPoint(r.center().x(), r.center().y()), QPoint(-2000, -2000));
        QCOMPARE(m_frame->getGeometryFromLocal(), QRect(0, 0, 120, 80));
    }

    void releaseReportsOnlyChanges()
    {
        place(QRect(100, 100, 120, 80));
        QSignalSpy changed(m_frame, &QMyRubberBand::rectChanged);
        drag(QPoint(160, 140), QPoint(0, 0));
        QCOMPARE(changed.size(), 0);
        drag(QPoint(160, 140), QPoint(10, 5));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(1).toRect(), QRect(110, 105, 120, 80));
        QVERIFY(!m_frame->isDragging());
    }

    void hiddenIgnoresMouse()
    {
        place(QRect(100, 100, 120, 80));
        m_frame->hide();
        QSignalSpy changing(m_frame, &QMyRubberBand::rectChanging);
        drag(QPoint(160, 140), QPoint(10, 5));
        QCOMPARE(changing.size(), 0);
        QCOMPARE(m_frame->getGeometryFromLocal(), QRect(100, 100, 120, 80));
    }

    // Shown on a layer, the frame is drawn at once, not at the first drag:
    // the paint right after showing draws nothing, so another must follow.
    void drawnWhenShown()
    {
        m_frame->hide();
        int paints = 0;
        struct Counter : QObject {
            int* n;
            explicit Counter(int* count) : n(count) {}
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    ++*n;
                return false;
            }
        } counter(&paints);
        m_frame->installEventFilter(&counter);
        place(QRect(100, 100, 120, 80));
        m_frame->show();
        QTRY_VERIFY_WITH_TIMEOUT(paints >= 2, 10000);
        m_frame->removeEventFilter(&counter);
    }

    // Only the band around the line is the frame's window: a window over the
    // whole preview shows black there without a compositing manager, and a
    // press inside the frame belongs to the preview.
    void windowIsTheBandAroundTheLine()
    {
        place(QRect(100, 100, 120, 80));
        const QRegion band = m_frame->mask();
        for (const QPoint& on : {QPoint(100, 100), QPoint(219, 179), QPoint(160, 100),
                                 QPoint(98, 140), QPoint(221, 140)})
            QVERIFY2(band.contains(on), qPrintable(QString("%1,%2").arg(on.x()).arg(on.y())));
        for (const QPoint& off :
             {QPoint(160, 140), QPoint(104, 104), QPoint(50, 50), QPoint(300, 300)})
            QVERIFY2(!band.contains(off), qPrintable(QString("%1,%2").arg(off.x()).arg(off.y())));
        // It follows a move.
        drag(QPoint(160, 140), QPoint(100, 50));
        QVERIFY(m_frame->mask().contains(QPoint(200, 150)));
        QVERIFY(!m_frame->mask().contains(QPoint(100, 100)));
    }

    // A right click inside the frame reaches the preview, and the main
    // window's mouse message opens the frame's menu; outside it, nothing.
    void rightClickInsideOpensMenu()
    {
        place(QRect(100, 100, 120, 80));
        QStringList shown;
        int menus = 0;
        zdtest::whenPopup([&](QMenu* menu) {
            ++menus;
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator())
                    shown << a->text();
            }
            menu->close();
        });
        mouse(6, global(50, 50));
        QCoreApplication::processEvents();
        QCOMPARE(menus, 0);
        mouse(6, global(160, 140));
        QTRY_COMPARE_WITH_TIMEOUT(menus, 1, 10000);
        QCOMPARE(shown, (QStringList{"Lock", "Full window", "keep aspect", "Setup", "Delete"}));
    }

    // The main window losing the activation to the frame itself (as a
    // window system may hand it to the window that appears) is no leaving.
    void activationToTheFrameKeepsIt()
    {
        place(QRect(100, 100, 120, 80));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame, 10000));
        SendMessage(m_frame, MSG_MAIN_WINDOW_DEACTIVATED, 0, 0, nullptr);
        QVERIFY(m_frame->isVisible());
        m_host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_host, 10000));
        SendMessage(m_frame, MSG_MAIN_WINDOW_DEACTIVATED, 0, 0, nullptr);
        QVERIFY(!m_frame->isVisible());
    }

    void deactivationEndsDrag()
    {
        place(QRect(100, 100, 120, 80));
        drag(QPoint(160, 140), QPoint(10, 5), false);
        QVERIFY(m_frame->isDragging());
        SendMessage(m_frame, MSG_MAIN_WINDOW_DEACTIVATED, 0, 0, nullptr);
        QVERIFY(!m_frame->isVisible());
        QVERIFY(!m_frame->isDragging());
    }
};

ZD_TEST_MAIN(TestQMyRubberBand, QApplication)
#include "tst_qmyrubberband.moc"
