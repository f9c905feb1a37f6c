// The live panel with the real engine against two local nginx-rtmp servers:
// Start Live streams the canvas to both ticked servers, the network window
// shows their figures growing, a server that dies is named while the other
// goes on and is fed again once it is back, and Stop Live ends the stream.
#include <QApplication>
#include <QLCDNumber>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

#include "../capture/capturetestsupport.h"
#include "liveinfo.h"
#include "liveserveraddresshelper.h"
#include "qlivestateshowwnd.h"
#include "qmylivebar.h"
#include "qmylivesensebar.h"
#include "qmypushbutton.h"
#include "zdnginxrtmp.h"
#include "zdtestmain.h"

using namespace capturetest;

namespace
{

// What ffprobe, as a player would, finds in the server's stream: the codec
// names of its streams, empty when it cannot read it.
QStringList probeCodecs(const QString& url)
{
    const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
    if (ffprobe.isEmpty())
        return {};
    QProcess probe;
    probe.start(ffprobe, {"-v", "error", "-rw_timeout", "15000000", "-show_entries",
                          "stream=codec_name", "-of", "csv=p=0", url});
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished();
        return {};
    }
    return QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

SERVER_ADDRITEM entry(const QString& name, int port, const QString& key)
{
    SERVER_ADDRITEM e;
    e.name = name;
    e.address = QStringLiteral("rtmp://127.0.0.1:%1/live").arg(port);
    e.key = key;
    e.enabled = true;
    return e;
}

} // namespace

class TestLiveEndToEnd : public QObject
{
    Q_OBJECT

    QList<Box> m_boxes;

    // The main window in live mode with its canvas previewing, the servers
    // in the list and ticked.
    void openLivePanel(const QList<SERVER_ADDRITEM>& servers, std::unique_ptr<ZDHelperGUI>& window)
    {
        QLiveServerAddressHelper* list = g_Global.pServerList;
        qDeleteAll(list->servers);
        list->servers.clear();
        for (const SERVER_ADDRITEM& e : servers)
            list->servers << new SERVER_ADDRITEM(e);
        g_Global.liveWidth = 640;
        g_Global.liveHeight = 360;
        g_Global.liveFps = 30;
        g_Global.liveBitrate = 800000;
        g_Global.liveSaveFlv = false;
        AfxWriteProfileInt("LIVE", "WIDTH", 640);
        AfxWriteProfileInt("LIVE", "HEIGHT", 360);
        AfxWriteProfileInt("LIVE", "FPS", 30);

        g_Global.isRecordInterface = 0;
        window = std::make_unique<ZDHelperGUI>(nullptr);
        QMyLiveBar* bar = window->liveBar();
        window->show();
        // The canvas opens, with the test camera as its default layer.
        QTRY_VERIFY_WITH_TIMEOUT(bar->senseBar->rowCount() == 1, 15000);
        int previewing = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            (ZD_CheckState(g_Global.hCore, nullptr, &previewing, nullptr, nullptr, nullptr),
             previewing != 0),
            15000);
    }

    // The panel idle and the engine not streaming; then the window goes.
    void closeIdlePanel(std::unique_ptr<ZDHelperGUI>& window)
    {
        QCOMPARE(window->liveBar()->btnLive->text(), QString("Start Live"));
        int living = 1;
        ZD_CheckState(g_Global.hCore, nullptr, nullptr, nullptr, nullptr, &living);
        QCOMPARE(living, 0);
        quietEngine();
        window.reset();
        g_Global.isRecordInterface = 1;
    }

private slots:
    void initTestCase()
    {
        if (!zdtest::NginxRtmp::available())
            QSKIP("nginx with the RTMP module is not installed");
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            m_boxes << Box{text, kind};
            return 1;
        });
    }

    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        ReleaseGlobalSettings();
    }

    void startLiveToTwoServersAndStop()
    {
        QTemporaryDir dir;
        zdtest::NginxRtmp first;
        zdtest::NginxRtmp second;
        QVERIFY(first.start(dir.path() + "/first"));
        QVERIFY(second.start(dir.path() + "/second"));
        std::unique_ptr<ZDHelperGUI> window;
        openLivePanel({entry("First", first.port(), "one"), entry("Second", second.port(), "two")},
                      window);
        if (QTest::currentTestFailed())
            return;
        QMyLiveBar* bar = window->liveBar();

        bar->btnLive->click();
        QStringList shown;
        for (const Box& b : m_boxes)
            shown << b.text;
        QVERIFY2(g_Global.liveRunning, qPrintable(shown.join("|")));
        QCOMPARE(bar->btnLive->text(), QString("Stop Live"));
        QVERIFY(!bar->liveClock->isHidden());

        // Both servers hold the stream as a player reads it.
        for (const QString& url : {first.url("one"), second.url("two")}) {
            const QStringList codecs = probeCodecs(url);
            QVERIFY2(codecs.contains("h264"), qPrintable(url + ": " + codecs.join(",")));
        }

        // The network window: one row per server, connected, bytes growing.
        bar->ShowLiveInfoWnd();
        QLiveStateShowWnd* wnd = bar->infoWnd;
        QVERIFY(wnd);
        QCOMPARE(wnd->model->rowCount(), 2);
        QCOMPARE(wnd->model->item(0, 0)->text(), QString("First"));
        QCOMPARE(wnd->model->item(1, 0)->text(), QString("Second"));
        QCOMPARE(wnd->model->item(1, 1)->text(), QString("Yes"));
        const std::vector<RTMPSERVERPARAM> before = ReadLiveServers(g_Global.hCore);
        QCOMPARE(int(before.size()), 2);
        const QString shownBefore = wnd->model->item(0, 4)->text();
        QTRY_VERIFY_WITH_TIMEOUT(wnd->model->item(0, 4)->text() != shownBefore, 15000);

        // The second server dies: it is named, the first goes on.
        m_boxes.clear();
        second.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!m_boxes.isEmpty(), 30000);
        QCOMPARE(m_boxes.first().text, QString("Connect to server Second failed."));
        QVERIFY(g_Global.liveRunning);
        QTRY_VERIFY_WITH_TIMEOUT(wnd->model->item(1, 1)->text() == "No", 15000);
        QVERIFY(probeCodecs(first.url("one")).contains("h264"));

        // It comes back on its port: the window shows it connected again, a
        // player reads it, and the user was told of the loss only once.
        QVERIFY(second.start(dir.path() + "/second", second.port()));
        QTRY_VERIFY_WITH_TIMEOUT(wnd->model->item(1, 1)->text() == "Yes", 35000);
        QVERIFY(probeCodecs(second.url("two")).contains("h264"));
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(g_Global.liveRunning);

        // Stop Live.
        bar->btnLive->click();
        QVERIFY(!g_Global.liveRunning);
        closeIdlePanel(window);
    }

    // The start returns before the servers have settled; once the only
    // server has failed, it is named and the panel is idle again.
    void aStartToNoServerEndsIdle()
    {
        std::unique_ptr<ZDHelperGUI> window;
        openLivePanel({entry("Nobody", zdtest::freeLoopbackPort(), "x")}, window);
        if (QTest::currentTestFailed())
            return;
        QMyLiveBar* bar = window->liveBar();
        m_boxes.clear();
        bar->btnLive->click();
        QVERIFY(g_Global.liveRunning);
        QTRY_VERIFY_WITH_TIMEOUT(!g_Global.liveRunning, 15000);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text, QString("Connect to server Nobody failed."));
        closeIdlePanel(window);
    }
};

ZD_TEST_MAIN(TestLiveEndToEnd, GlobalApplication)
#include "tst_liveendtoend.moc"
