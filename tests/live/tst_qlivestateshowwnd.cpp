// The network information window: the cells of a server's row, and its rows
// and refresh against the engine when no stream runs.
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

#include <cstring>

#include "globalsettings.h"
#include "liveinfo.h"
#include "qlivestateshowwnd.h"
#include "stdafx.h"
#include "zdenginetrace.h"
#include "zdtestmain.h"

class TestQLiveStateShowWnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitGlobalSettings(); }
    void cleanupTestCase() { ReleaseGlobalSettings(); }

    void cells_data()
    {
        QTest::addColumn<int>("connected");
        QTest::addColumn<int>("speed");
        QTest::addColumn<qlonglong>("bytes");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("connected")
            << 1 << 2048 << 3LL << QStringList{"Main", "Yes", "2.00KB", "4", "500", "3"};
        QTest::newRow("lost") << 0 << 0 << (5LL << 30)
                              << QStringList{"Main", "No", "0", "4", "500", "5.00GB"};
    }
    void cells()
    {
        QFETCH(int, connected);
        QFETCH(int, speed);
        QFETCH(qlonglong, bytes);
        QFETCH(QStringList, texts);
        RTMPSERVERPARAM server;
        std::memset(&server, 0, sizeof server);
        std::strcpy(server.name, "Main");
        server.connected = connected;
        server.speed = speed;
        server.dropped = 4;
        server.frames = 500;
        server.bytes = bytes;
        for (int c = 0; c < 6; ++c)
            QCOMPARE(QLiveStateShowWnd::CellText(server, c), texts[c]);
    }

    // A name that fills its whole field is read up to the field's end.
    void nameFillingItsField()
    {
        RTMPSERVERPARAM server;
        std::memset(&server, 'n', sizeof server);
        QCOMPARE(QLiveStateShowWnd::CellText(server, 0), QString(256, 'n'));
    }

    // A count out of range never sizes an array nor reaches the engine.
    void countsBounded_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -5;
        QTest::newRow("past the bound") << kMaxLiveServers + 1;
        QTest::newRow("huge") << 0x7fffffff;
    }
    void countsBounded()
    {
        QFETCH(int, capacity);
        ZDT_ClearTrace();
        QVERIFY(ReadLiveServers(g_Global.hCore, capacity).empty());
        QVERIFY(zdtest::traceLines("ZD_GetLiveInfo(").isEmpty());
    }

    void formAndRefresh()
    {
        QLiveStateShowWnd wnd(nullptr);
        QCOMPARE(wnd.windowTitle(), QString("RTMP network information"));
        QCOMPARE(wnd.model->columnCount(), 6);
        QCOMPARE(wnd.model->headerData(5, Qt::Horizontal).toString(), QString("Size"));
        auto* view = wnd.findChild<QTableView*>("tableView");
        QVERIFY(view);
        QVERIFY(view->verticalHeader()->isHidden());
        QVERIFY(!view->styleSheet().isEmpty());
        ZDT_ClearTrace();
        wnd.show();
        // No stream: no rows, and the refresh runs every second.
        QCOMPARE(wnd.model->rowCount(), 0);
        QCOMPARE(wnd.rowCount, 0);
        QVERIFY(wnd.refreshTimer->isActive());
        QCOMPARE(wnd.refreshTimer->interval(), 1000);
        QCOMPARE(zdtest::traceLines("ZD_GetLiveInfo(").size(), 1);
        wnd.hide();
        QVERIFY(!wnd.refreshTimer->isActive());
    }

    // However the window goes, its one-second refresh goes with it: the
    // window manager's close button and Escape-free closes as well as the
    // panel's hide.
    void refreshStopsHoweverClosed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("close button") << "close";
        QTest::newRow("rejected") << "reject";
        QTest::newRow("panel hides it") << "hide";
        QTest::newRow("plain widget hide") << "setVisible";
    }
    void refreshStopsHoweverClosed()
    {
        QFETCH(QString, how);
        QLiveStateShowWnd wnd(nullptr);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        QVERIFY(wnd.refreshTimer->isActive());
        if (how == "close")
            QVERIFY(wnd.windowHandle()->close());
        else if (how == "reject")
            wnd.reject();
        else if (how == "hide")
            wnd.hide();
        else
            wnd.QWidget::setVisible(false);
        QVERIFY(!wnd.isVisible());
        QVERIFY(!wnd.refreshTimer->isActive());
    }

    // The six columns are narrower than the table: the header beyond the
    // last one is as dark as its sections, not a light strip.
    void headerDarkBeyondTheLastColumn()
    {
        QLiveStateShowWnd wnd(nullptr);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        auto* view = wnd.findChild<QTableView*>("tableView");
        QHeaderView* header = view->horizontalHeader();
        const int beyond = header->sectionViewportPosition(5) + header->sectionSize(5) + 3;
        QVERIFY2(beyond < header->width(), "the columns fill the table");
        const QImage shot = header->grab().toImage();
        const QColor section = shot.pixelColor(header->sectionViewportPosition(5) + 5, 2);
        const QColor strip = shot.pixelColor(beyond, header->height() / 2);
        QVERIFY2(qAbs(strip.lightness() - section.lightness()) < 40,
                 qPrintable(QString("section %1, strip %2").arg(section.name(), strip.name())));
    }
};

ZD_TEST_MAIN(TestQLiveStateShowWnd, QApplication)
#include "tst_qlivestateshowwnd.moc"
