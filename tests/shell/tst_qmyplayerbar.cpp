// The preview host: the renderer pump, the preview rectangle handed to the
// engine, the wait and preview-off covers, and the edge tab.
#include "zdtestmain.h"

#include <QFileInfo>
#include <QMainWindow>
#include <atomic>
#include <dlfcn.h>
#include <memory>

#include "cpublic.h"
#include "globalsettings.h"
#include "myevent.h"
#include "picturebox.h"
#include "qdisablepreviewwidget.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qshowbarbutton.h"
#include "qwaitwidget.h"
#include "shelltestsupport.h"
#include "stdafx.h"

using namespace shelltest;

// The engine's trace leaves the 16 ms pump out, so the pump is counted here:
// this definition takes the program's calls and hands them on to the engine.
namespace
{
std::atomic<int> g_pumpCalls{0};
std::atomic<void*> g_pumpHandle{nullptr};
} // namespace

extern "C" int ZD_SDL_loop(void* handle)
{
    ++g_pumpCalls;
    g_pumpHandle = handle;
    using Pump = int (*)(void*);
    static const Pump engine = reinterpret_cast<Pump>(dlsym(RTLD_NEXT, "ZD_SDL_loop"));
    return engine ? engine(handle) : 0;
}

class TestQMyPlayerBar : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_host;
    QMyPlayerBar* m_bar = nullptr;

    void post(unsigned long msg, long wParam) { SendMessage(m_bar, msg, wParam, 0, nullptr); }

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
    }

    void cleanupTestCase() { ReleaseGlobalSettings(); }

    void init()
    {
        ZDT_ClearTrace();
        ZDT_ClearScript(nullptr);
        g_Global.noDevicePicture = 1;
        g_Global.isRecordInterface = 1;
        m_host = std::make_unique<QWidget>();
        m_host->resize(1000, 700);
        m_bar = new QMyPlayerBar(m_host.get());
        m_bar->setGeometry(0, 35, 700, 600);
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    }

    void cleanup()
    {
        m_host.reset();
        m_bar = nullptr;
    }

    void pumpsTheRendererEvery16ms()
    {
        g_pumpCalls = 0;
        QTest::qWait(500);
        const int calls = g_pumpCalls;
        // About 31 in half a second; a loaded machine may lose some ticks.
        QVERIFY2(calls >= 10 && calls <= 40, qPrintable(QString::number(calls)));
        QCOMPARE(g_pumpHandle.load(), g_Global.hCore);
    }

    void geometryGoesToTheEngine()
    {
        ZDT_ClearTrace();
        m_bar->setGeometry(10, 35, 640, 480);
        QCOMPARE(m_bar->geometry(), QRect(10, 35, 640, 480));
        QCOMPARE(m_bar->waitWidget()->geometry(), QRect(10, 35, 640, 480));
        QCOMPARE(m_bar->disableWidget()->geometry(), QRect(10, 35, 640, 480));
        QCOMPARE(m_bar->spareChild()->geometry(), QRect(0, 0, 640, 480));
        QVERIFY(m_bar->spareChild()->isHidden());
        QCOMPARE(traceLines("ZD_UpdateVideoSize"),
                 QStringList{"ZD_UpdateVideoSize(x=10,y=35,w=640,h=480)"});

        // An empty size keeps the spare child at the bar's present size.
        m_bar->setGeometry(0, 0, 0, 0);
        QCOMPARE(m_bar->spareChild()->geometry(), QRect(0, 0, 640, 480));

        ZDT_ClearTrace();
        m_bar->force_window_rect(QRect(0, 0, 1919, 1079));
        QCOMPARE(traceLines("ZD_UpdateVideoSize"),
                 QStringList{"ZD_UpdateVideoSize(x=0,y=0,w=1919,h=1079)"});
        QCOMPARE(m_bar->geometry(), QRect(0, 0, 0, 0));
    }

    void noEngineNoGeometryCall()
    {
        void* handle = g_Global.hCore;
        g_Global.hCore = nullptr;
        ZDT_ClearTrace();
        m_bar->setGeometry(1, 2, 300, 200);
        g_Global.hCore = handle;
        QVERIFY(traceLines("ZD_UpdateVideoSize").isEmpty());
    }

    // Loading shows the animation; the opened device takes the cover away,
    // except over the live canvas without any source.
    void waitCover_data()
    {
        QTest::addColumn<int>("recordInterface");
        QTest::addColumn<int>("noDevicePicture");
        QTest::addColumn<bool>("noCameraAfterOpen");
        QTest::newRow("record mode, no-device flag set") << 1 << 1 << false;
        QTest::newRow("live mode, no source") << 0 << 1 << true;
        QTest::newRow("live mode with a source") << 0 << 0 << false;
    }

    void waitCover()
    {
        QFETCH(int, recordInterface);
        QFETCH(int, noDevicePicture);
        QFETCH(bool, noCameraAfterOpen);
        g_Global.isRecordInterface = recordInterface;
        g_Global.noDevicePicture = noDevicePicture;
        QWaitWidget* wait = m_bar->waitWidget();
        QCOMPARE(wait->objectName(), QString("waitBar"));

        post(MSG_PREVIEW_LOADING, 0);
        QVERIFY(wait->isVisible());
        QVERIFY(wait->animation());
        QVERIFY(wait->animationBox()->isVisible());
        QVERIFY(!wait->noCameraBox()->isVisible());
        QCOMPARE(wait->geometry(), m_bar->geometry());

        post(MSG_DEVICE_OPENED, 0);
        QCOMPARE(wait->isVisible(), noCameraAfterOpen);
        QCOMPARE(m_bar->isWaitShown(), noCameraAfterOpen);
        if (noCameraAfterOpen) {
            QVERIFY(wait->noCameraBox()->isVisible());
            QVERIFY(!wait->animationBox()->isVisible());
        }
    }

    void layerReportsLeaveTheCoverAlone()
    {
        post(MSG_PREVIEW_LOADING, 0);
        post(MSG_DEVICE_OPENED, 7);
        QVERIFY(m_bar->waitWidget()->isVisible());
        post(MSG_DEVICE_OPENED, 0);
        QVERIFY(!m_bar->waitWidget()->isVisible());
        post(MSG_DEVICE_CLOSED, 3);
        QVERIFY(!m_bar->waitWidget()->isVisible());
        post(MSG_DEVICE_CLOSED, 0);
        QVERIFY(m_bar->waitWidget()->isVisible());
        QVERIFY(!m_bar->waitWidget()->animation());
    }

    void noDevicePictureFlag()
    {
        g_Global.isRecordInterface = 0;
        post(MSG_NO_DEVICE_PICTURE, 0);
        QCOMPARE(g_Global.noDevicePicture, 0);
        QVERIFY(!m_bar->waitWidget()->isVisible());
        // Set again: the picture shows only at the cover's next showing.
        post(MSG_NO_DEVICE_PICTURE, 1);
        QCOMPARE(g_Global.noDevicePicture, 1);
        QVERIFY(!m_bar->waitWidget()->isVisible());
        post(MSG_DEVICE_LOST, 0);
        QVERIFY(m_bar->waitWidget()->isVisible());
        QVERIFY(m_bar->waitWidget()->noCameraBox()->isVisible());
    }

    // The frozen frame stays on disk after "Enable" until the next message
    // that takes the cover away.
    void frozenFrameLifetime()
    {
        QDisablePreviewWidget* cover = m_bar->disableWidget();
        ZDT_ClearTrace();
        m_bar->showDisablePreviewWidget(true);
        QVERIFY(cover->isVisible());
        const QString frame = cover->frozenFramePath();
        QVERIFY(frame.endsWith(".jpg"));
        QVERIFY(QFileInfo::exists(frame));
        QCOMPARE(QFileInfo(frame).absolutePath(), CPublic::GetAppDatePath() + "/tmp");
        QCOMPARE(traceLines("ZD_ScreenShot_bmp"),
                 QStringList{"ZD_ScreenShot_bmp(path=" + frame + ",mode=-1)"});
        QCOMPARE(cover->enableButton()->text(), QString("Enable"));

        ZDT_ClearTrace();
        cover->enableButton()->click();
        QVERIFY(!cover->isVisible());
        QVERIFY(traceLines("ZD_PreviewEnable").contains("ZD_PreviewEnable(enable=1)"));
        QVERIFY(QFileInfo::exists(frame));

        post(MSG_PREVIEW_LOADING, 0);
        QVERIFY(!QFileInfo::exists(frame));
        QVERIFY(cover->frozenFramePath().isEmpty());
    }

    void switchOffThenOn()
    {
        QDisablePreviewWidget* cover = m_bar->disableWidget();
        m_bar->showDisablePreviewWidget(true);
        const QString frame = cover->frozenFramePath();
        m_bar->showDisablePreviewWidget(false);
        QVERIFY(!cover->isVisible());
        QVERIFY(!QFileInfo::exists(frame));
        m_bar->showDisablePreviewWidget(true);
        post(MSG_NO_DEVICE_PICTURE, 1);
        QVERIFY(!cover->isVisible());
    }

    // Every frame file goes: one replaced by a second switch-off, and the
    // last one with the cover when the window closes while it shows.
    void frozenFramesDoNotPileUp()
    {
        QDisablePreviewWidget* cover = m_bar->disableWidget();
        m_bar->showDisablePreviewWidget(true);
        const QString first = cover->frozenFramePath();
        m_bar->showDisablePreviewWidget(true);
        const QString second = cover->frozenFramePath();
        QVERIFY(second != first);
        QVERIFY(!QFileInfo::exists(first));
        QVERIFY(QFileInfo::exists(second));
        delete cover;
        QVERIFY(!QFileInfo::exists(second));
    }

    void edgeTab()
    {
        QMainWindow main;
        main.setGeometry(100, 50, 1000, 700);
        QShowBarButton tab(&main);
        tab.resizeAll(-1, -1);
        QCOMPARE(tab.geometry(), QRect(100 + 1000 - 50, 50 + (699 - 79) / 2, 40, 80));
        tab.resizeAll(300, 200);
        QCOMPARE(tab.geometry(), QRect(300 + 1000 - 50, 200 + (699 - 79) / 2, 40, 80));
        g_Global.isFullScreen = true;
        tab.resizeAll(-1, -1);
        QCOMPARE(tab.geometry(), QRect(100 + 1000 - 90, 50 + (699 - 119) / 2, 80, 120));
        g_Global.isFullScreen = false;

        // Unarmed, the cursor is ignored.
        tab.resizeAll(-1, -1);
        tab.onMouseMove(tab.geometry().right(), 300, &main);
        QVERIFY(!tab.isVisible());
        tab.setArmed(true);
        tab.onMouseMove(tab.geometry().left() + 1, 300, &main);
        QVERIFY(tab.isVisible());
        tab.onMouseMove(-1, -1, &main);
        QVERIFY(!tab.isVisible());
    }
};

ZD_TEST_MAIN(TestQMyPlayerBar, QApplication)
#include "tst_qmyplayerbar.moc"
