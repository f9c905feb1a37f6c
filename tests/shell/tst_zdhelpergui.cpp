// The main window: the hub's forwarding order and its own messages, the
// close question, the encoder failure texts, the stored geometry, full screen
// (with the screen it falls back to) and the right bar's slide.
#include "zdtestmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <memory>

#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmyrightbar.h"
#include "qmystatusbar.h"
#include "qmytitlebar.h"
#include "qshowbarbutton.h"
#include "shelltestsupport.h"
#include "stdafx.h"
#include "zdhelpergui.h"

using namespace shelltest;

static const bool s_screens = useTwoOffscreenScreens();

namespace
{
struct BoxCall {
    QString text;
    int kind;
    QString traceAtBox;
};

QScreen* screenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens()) {
        if (s->name() == name)
            return s;
    }
    return nullptr;
}
} // namespace

class TestZDHelperGUI : public QObject
{
    Q_OBJECT

private:
    QList<BoxCall> m_boxes;
    int m_answer = 1;

    std::unique_ptr<ZDHelperGUI> makeWindow(bool show = true)
    {
        auto window = std::make_unique<ZDHelperGUI>(nullptr);
        if (show) {
            window->show();
            window->activateWindow();
            [[maybe_unused]] bool active = QTest::qWaitForWindowActive(window.get());
        }
        return window;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(s_screens);
        QCOMPARE(QGuiApplication::screens().size(), 2);
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
    }

    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        ReleaseGlobalSettings();
    }

    void init()
    {
        m_boxes.clear();
        m_answer = 1;
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            m_boxes << BoxCall{text, kind, engineTrace()};
            return m_answer;
        });
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
        g_Global.isRecordInterface = 1;
        g_Global.isFullScreen = false;
        g_Global.wndX = g_Global.wndY = g_Global.wndW = g_Global.wndH = 0;
        g_Global.autoHideBarWhenStart = 0;
        g_Global.autoFullScreenWhenStart = 0;
        g_Global.hideStatusBarWhenHideBar = 0;
    }

    void cleanup()
    {
        ZDT_ClearScript(nullptr);
        QVERIFY(!AfxGetMainWindow());
    }

    void hubForwardsBeforeOwnHandling_data()
    {
        QTest::addColumn<int>("recordInterface");
        QTest::newRow("record interface") << 1;
        QTest::newRow("live interface") << 0;
    }

    // Every message reaches the preview host, the status bar and the panel of
    // the current interface, in that order, before the window acts on it.
    void hubForwardsBeforeOwnHandling()
    {
        QFETCH(int, recordInterface);
        g_Global.isRecordInterface = recordInterface;
        auto window = makeWindow();
        QCOMPARE(AfxGetMainWindow(), window.get());
        QStringList order;
        MessageSpy player(window->playerBar(), "player", &order);
        MessageSpy status(window->myStatusBar(), "status", &order);
        MessageSpy record(window->recordPanel(), "record", &order);
        MessageSpy live(window->livePanel(), "live", &order);
        MsgBoxDialog::setTestHook([&order](const QString&, int) {
            order << "box";
            return 1;
        });

        PostMessage(nullptr, MSG_CAMERA_PERMISSION_DENIED, 0, 0, nullptr);
        QTRY_VERIFY(order.contains("box"));
        const QString panel = recordInterface ? "record" : "live";
        const QStringList expected = {"player:8985", "status:8985", panel + ":8985", "box"};
        QStringList seen;
        for (const QString& step : std::as_const(order)) {
            if (step.endsWith(":8985") || step == "box")
                seen << step;
        }
        QCOMPARE(seen, expected);
    }

    void ownMessages()
    {
        auto window = makeWindow();
        MessageSpy mainSpy(window.get(), "main");

        SendMessage(nullptr, MSG_MICROPHONE_PERMISSION_DENIED, 0, 0, nullptr);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].text.contains("microphone"));
        QCOMPARE(m_boxes[0].kind, 1);

        // A settings change is passed on as its own message for a later pass.
        SendMessage(nullptr, MSG_SETTINGS_CHANGED, long(MSG_PREVIEW_SETTINGS_CHANGED), 7, nullptr);
        QTRY_COMPARE(mainSpy.of(MSG_PREVIEW_SETTINGS_CHANGED).size(), 1);
        QCOMPARE(mainSpy.of(MSG_PREVIEW_SETTINGS_CHANGED)[0].wParam, 0);
        QCOMPARE(mainSpy.of(MSG_PREVIEW_SETTINGS_CHANGED)[0].lParam, 7);

        // A new language: the window's texts follow, then the message goes on.
        QTemporaryDir dir;
        QFile lang(dir.filePath("Deutsch.txt"));
        QVERIFY(lang.open(QIODevice::WriteOnly));
        lang.write("[STRING]\nL11014=Aufnahme\nL11015=Livestream\n");
        lang.close();
        const QString previousLanguage = g_Global.langFile;
        g_Global.langFile = lang.fileName();
        QCOMPARE(window->recordButton()->toolTip(), QString("Record"));
        SendMessage(nullptr, MSG_SETTINGS_CHANGED, long(MSG_LANGUAGE_CHANGED), 0, nullptr);
        QCOMPARE(window->recordButton()->toolTip(), QString("Aufnahme"));
        QCOMPARE(window->liveButton()->toolTip(), QString("Livestream"));
        QTRY_COMPARE(mainSpy.of(MSG_LANGUAGE_CHANGED).size(), 1);
        g_Global.langFile = previousLanguage;
        QCOMPARE(m_boxes.size(), 1);
    }

    void encoderFailure_data()
    {
        QTest::addColumn<int>("msg");
        QTest::addColumn<qlonglong>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stopCall");
        QTest::addColumn<QString>("errorKey");

        const QString mp4 = "ZD_StopRecord()";
        QTest::newRow("record 1") << int(MSG_RECORD_FAILED) << 1LL
                                  << "Encoding MP4 failed because the encoder is too slow.\n"
                                     "(Please reduce the resolution, frame rate, or use the GPU "
                                     "accelerated encoder in the setup page."
                                  << mp4 << "record_failed";
        QTest::newRow("record 2") << int(MSG_RECORD_FAILED) << 2LL
                                  << "Encoding MP4 failed. (copy video frame error)" << mp4
                                  << "record_failed";
        QTest::newRow("record 3") << int(MSG_RECORD_FAILED) << 3LL
                                  << "Encoding MP4 failed. (No enough memory)" << mp4
                                  << "record_failed";
        QTest::newRow("record 4") << int(MSG_RECORD_FAILED) << 4LL
                                  << "Encoding MP4 failed. (Video queue full)" << mp4
                                  << "record_failed";
        QTest::newRow("record 5") << int(MSG_RECORD_FAILED) << 5LL
                                  << "Encoding MP4 failed. (no enough free space in disk)" << mp4
                                  << "record_failed";
        QTest::newRow("record 6") << int(MSG_RECORD_FAILED) << 6LL
                                  << "Encoding MP4 failed. (encoding frame error)" << mp4
                                  << "record_failed";
        QTest::newRow("record 9") << int(MSG_RECORD_FAILED) << 9LL
                                  << "Encoding MP4 failed. (unknown error 9)" << mp4
                                  << "record_failed";
        QTest::newRow("record 0") << int(MSG_RECORD_FAILED) << 0LL
                                  << "Encoding MP4 failed. (unknown error 0)" << mp4
                                  << "record_failed";
        QTest::newRow("record -1 unsigned")
            << int(MSG_RECORD_FAILED) << -1LL << "Encoding MP4 failed. (unknown error 4294967295)"
            << mp4 << "record_failed";
        QTest::newRow("live 4") << int(MSG_LIVE_FAILED) << 4LL
                                << "Encoding live stream failed. (Video queue full)" << QString()
                                << "live_failed";
        QTest::newRow("live 7") << int(MSG_LIVE_FAILED) << 7LL
                                << "Encoding live stream failed. (unknown error 7)" << QString()
                                << "live_failed";
        QTest::newRow("DUD 5") << int(MSG_DUD_FAILED) << 5LL
                               << "Encoding DUD failed. (no enough free space in disk)"
                               << "ZD_StopDUD_live()"
                               << "dud_failed";
        QTest::newRow("DUD 1") << int(MSG_DUD_FAILED) << 1LL
                               << "Encoding DUD failed because the encoder is too slow.\n"
                                  "(Please reduce the resolution, frame rate, or use the GPU "
                                  "accelerated encoder in the setup page."
                               << "ZD_StopDUD_live()"
                               << "dud_failed";
    }

    // The stream concerned is stopped first, then the box shows the text,
    // then the error is counted.
    void encoderFailure()
    {
        QFETCH(int, msg);
        QFETCH(qlonglong, code);
        QFETCH(QString, text);
        QFETCH(QString, stopCall);
        QFETCH(QString, errorKey);
        auto window = makeWindow();
        if (msg == int(MSG_RECORD_FAILED)) {
            // A stop finishes a recording that runs; with none it does nothing.
            ZDT_ScriptResult("ZD_StartRecord", 1);
            QCOMPARE(window->StartRecord(), 1);
        }
        ZDT_ClearTrace();

        PostMessage(nullptr, unsigned(msg), 0, code, nullptr);
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, text);
        QCOMPARE(m_boxes[0].kind, 0);
        const QString counted = "GA_TrackError(key=" + errorKey + ")";
        if (!stopCall.isEmpty())
            QVERIFY2(m_boxes[0].traceAtBox.contains(stopCall), qPrintable(m_boxes[0].traceAtBox));
        QVERIFY(!m_boxes[0].traceAtBox.contains(counted));
        QVERIFY(engineTrace().contains(counted));
    }

    void closeQuestion_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("bySession");
        QTest::newRow("idle") << QString() << 0 << false << true << false;
        QTest::newRow("recording, no") << "recording" << 0 << true << false << false;
        QTest::newRow("recording, yes") << "recording" << 1 << true << true << false;
        QTest::newRow("gif, no") << "gif" << 0 << true << false << false;
        QTest::newRow("live, yes") << "living" << 1 << true << true << false;
        QTest::newRow("previewing only") << "previewing" << 0 << false << true << false;
        // The session ends the program: nobody is asked.
        QTest::newRow("recording, session") << "recording" << 0 << false << true << true;
        QTest::newRow("live, session") << "living" << 0 << false << true << true;
    }

    // Closing asks first while anything records; a refused close changes
    // nothing, an accepted one stores the window's place.
    void closeQuestion()
    {
        QFETCH(QString, flag);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        QFETCH(bool, bySession);
        auto window = makeWindow();
        window->move(300, 200);
        QTRY_COMPARE(window->pos(), QPoint(300, 200));
        if (!flag.isEmpty())
            ZDT_ScriptResult(QByteArray("ZD_CheckState." + flag.toLatin1()).constData(), 1);
        m_answer = answer;

        if (bySession) {
            window->closeWithoutQuestion();
        } else {
            const bool result = window->close();
            QCOMPARE(result, closed);
        }
        QCOMPARE(m_boxes.size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(m_boxes[0].text, QString("There are still some recording tasks running, are "
                                              "you sure to exit the program ?"));
            QCOMPARE(m_boxes[0].kind, 2);
        }
        QCOMPARE(window->isVisible(), !closed);
        if (closed) {
            QCOMPARE(g_Global.wndX, 300);
            QCOMPARE(g_Global.wndY, 200);
            QCOMPARE(g_Global.wndW, window->width());
            QCOMPARE(g_Global.wndH, window->height());
            // Every child was closed, the panels with them.
            QVERIFY(window->rightBar()->isHidden());
            QVERIFY(window->recordPanel()->isHidden());
        } else {
            QCOMPARE(g_Global.wndW, 0);
        }
    }

    void storedGeometry_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<bool>("used");
        QTest::newRow("inside the screen") << QRect(100, 80, 1000, 700) << true;
        QTest::newRow("x 0") << QRect(0, 80, 1000, 700) << false;
        QTest::newRow("y 0") << QRect(100, 0, 1000, 700) << false;
        QTest::newRow("negative x") << QRect(-5, 80, 1000, 700) << false;
        QTest::newRow("width of the screen") << QRect(100, 80, 1920, 700) << false;
        QTest::newRow("height of the screen") << QRect(100, 80, 1000, 1080) << false;
        QTest::newRow("one short of the screen") << QRect(10, 10, 1919, 1079) << true;
        QTest::newRow("zero width") << QRect(100, 80, 0, 700) << false;
        QTest::newRow("never stored") << QRect(0, 0, 0, 0) << false;
    }

    // A usable stored place comes back where the frame was; anything else
    // gives the default size centred on the primary screen.
    void storedGeometry()
    {
        QFETCH(QRect, stored);
        QFETCH(bool, used);
        g_Global.wndX = stored.x();
        g_Global.wndY = stored.y();
        g_Global.wndW = stored.width();
        g_Global.wndH = stored.height();
        auto window = makeWindow();
        if (used) {
            QCOMPARE(window->size(), stored.size());
            QCOMPARE(window->pos(), stored.topLeft());
        } else {
            // The menu bar inside the window comes on top of the 670 rows
            // the window's content is laid out in.
            QCOMPARE(window->size(), QSize(1100, 670 + window->menuBar()->height()));
            const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(qAbs(window->geometry().center().x() - area.center().x()) <= 2);
            QVERIFY(qAbs(window->geometry().center().y() - area.center().y()) <= 2);
        }
    }

    void storedPlaceSurvivesRestarts()
    {
        g_Global.wndX = 200;
        g_Global.wndY = 150;
        g_Global.wndW = 1000;
        g_Global.wndH = 700;
        for (int run = 0; run < 3; ++run) {
            auto window = makeWindow();
            QVERIFY(window->close());
        }
        QCOMPARE(QRect(g_Global.wndX, g_Global.wndY, g_Global.wndW, g_Global.wndH),
                 QRect(200, 150, 1000, 700));
    }

    void fullScreenRoundTrip_data()
    {
        QTest::addColumn<bool>("rightBar");
        QTest::addColumn<bool>("statusBar");
        QTest::newRow("both shown") << true << true;
        QTest::newRow("right bar hidden") << false << true;
        QTest::newRow("both hidden") << false << false;
    }

    void fullScreenRoundTrip()
    {
        QFETCH(bool, rightBar);
        QFETCH(bool, statusBar);
        g_Global.wndX = 100;
        g_Global.wndY = 80;
        g_Global.wndW = 1000;
        g_Global.wndH = 700;
        g_Global.hideStatusBarWhenHideBar = statusBar ? 0 : 1;
        auto window = makeWindow();
        if (!rightBar)
            window->HideBar(window.get());
        const QRect windowRect = window->geometry();
        const QRect previewRect = window->playerBar()->geometry();
        ZDT_ClearTrace();

        window->onFullScreen();
        QVERIFY(window->isFullScreenMode());
        QVERIFY(g_Global.isFullScreen);
        QCOMPARE(window->geometry(), QRect(0, 0, 1919, 1079));
        QCOMPARE(window->playerBar()->geometry(), QRect(0, 0, 1919, 1079));
        QVERIFY(window->rightBar()->isHidden());
        QVERIFY(window->myStatusBar()->isHidden());
        QVERIFY(window->titleBar()->isHidden());
        QVERIFY(window->topMenuBar()->isHidden());
        QVERIFY(engineTrace().contains("ZD_UpdateVideoSize(x=0,y=0,w=1919,h=1079)"));

        window->onFullScreen();
        QVERIFY(!window->isFullScreenMode());
        QVERIFY(!g_Global.isFullScreen);
        QCOMPARE(window->geometry(), windowRect);
        QCOMPARE(window->playerBar()->geometry(), previewRect);
        QCOMPARE(window->rightBar()->isHidden(), !rightBar);
        QCOMPARE(window->myStatusBar()->isHidden(), !statusBar);
        QVERIFY(!window->titleBar()->isHidden());
        QVERIFY(!window->topMenuBar()->isHidden());
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    void fullScreenScreen_data()
    {
        QTest::addColumn<QPoint>("before");
        QTest::addColumn<QPoint>("corner");
        QTest::addColumn<QString>("screen");
        QTest::newRow("corner on the primary screen")
            << QPoint(100, 100) << QPoint(300, 200) << "A";
        QTest::newRow("corner on the second screen")
            << QPoint(2000, 50) << QPoint(2100, 100) << "B";
        // Below the second screen, where no screen lies: the window's own.
        QTest::newRow("corner off every screen, window on B")
            << QPoint(2000, 50) << QPoint(2050, 1050) << "B";
        QTest::newRow("corner far off every screen, window on A")
            << QPoint(100, 100) << QPoint(-4000, -4000) << "A";
    }

    void fullScreenScreen()
    {
        QFETCH(QPoint, before);
        QFETCH(QPoint, corner);
        QFETCH(QString, screen);
        auto window = makeWindow();
        window->move(before);
        QTRY_COMPARE(window->pos(), before);
        window->move(corner);
        QCoreApplication::processEvents();
        if (corner.x() > 3200 || corner.y() > 1024 || corner.x() < 0)
            QVERIFY(!QGuiApplication::screenAt(window->pos()));

        window->onFullScreen();
        const QRect area = screenNamed(screen)->geometry();
        QCOMPARE(window->geometry(),
                 QRect(area.x(), area.y(), area.width() - 1, area.height() - 1));
        QCOMPARE(window->playerBar()->geometry(), QRect(0, 0, area.width() - 1, area.height() - 1));
        window->onFullScreen();
        QVERIFY(!window->isFullScreenMode());
    }

    // In full screen the cursor goes at the fourth quiet second and comes
    // back at the first tick after a move over the active window.
    void cursorBlanking()
    {
        auto window = makeWindow();
        QVERIFY(window->isActiveWindow());
        window->timer_normal();
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        window->onFullScreen();
        window->onMouseDown(1, 10, 10, 10, 10);
        for (int tick = 1; tick <= 3; ++tick) {
            window->timer_normal();
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        }
        window->timer_normal();
        QCOMPARE(window->cursor().shape(), Qt::BlankCursor);
        window->timer_normal();
        QCOMPARE(window->cursor().shape(), Qt::BlankCursor);
        window->onMouseDown(1, 12, 10, 12, 10);
        window->timer_normal();
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        window->onFullScreen();
    }

    void rightBarSlide_data()
    {
        QTest::addColumn<int>("statusGoesToo");
        QTest::newRow("status bar stays") << 0;
        QTest::newRow("status bar goes too") << 1;
    }

    void rightBarSlide()
    {
        QFETCH(int, statusGoesToo);
        g_Global.hideStatusBarWhenHideBar = statusGoesToo;
        auto window = makeWindow();
        const int W = window->width();
        const int previewWidth = window->playerBar()->width();
        QCOMPARE(previewWidth, W - 300);

        QElapsedTimer clock;
        clock.start();
        window->HideBar(nullptr);
        QVERIFY(window->barAnimation());
        QTRY_VERIFY(window->rightBar()->isHidden());
        QVERIFY(clock.elapsed() >= 250);
        QTRY_VERIFY(!window->barAnimation());
        QCOMPARE(window->playerBar()->width(), W);
        QCOMPARE(window->myStatusBar()->isHidden(), bool(statusGoesToo));
        QVERIFY(window->showBarButton()->isArmed());

        // The edge tab shows while the cursor is right of its left edge.
        QShowBarButton* tab = window->showBarButton();
        tab->onMouseMove(tab->geometry().left() + 5, 0, window.get());
        QVERIFY(tab->isVisible());
        tab->onMouseMove(tab->geometry().left(), 0, window.get());
        QVERIFY(!tab->isVisible());

        window->ShowBar(nullptr);
        QTRY_VERIFY(!window->barAnimation());
        QVERIFY(!window->rightBar()->isHidden());
        QVERIFY(!window->myStatusBar()->isHidden());
        QCOMPARE(window->playerBar()->width(), previewWidth);
        QVERIFY(!window->showBarButton()->isArmed());
        QVERIFY(!tab->isVisible());
    }

    void startOptions()
    {
        g_Global.autoHideBarWhenStart = 1;
        g_Global.hideStatusBarWhenHideBar = 1;
        g_Global.autoFullScreenWhenStart = 1;
        auto window = makeWindow();
        QVERIFY(window->isFullScreenMode());
        window->onFullScreen();
        QVERIFY(window->rightBar()->isHidden());
        QVERIFY(window->myStatusBar()->isHidden());
        QVERIFY(window->showBarButton()->isArmed());
        QCOMPARE(window->playerBar()->geometry().width(), window->width());
    }

    void modeSwitch_data()
    {
        QTest::addColumn<int>("stored");
        QTest::newRow("starts in record mode") << 1;
        QTest::newRow("starts in live mode") << 0;
    }

    // The stored interface is entered while the window is built and the
    // switch is announced by a posted 63754; the buttons then switch it.
    void modeSwitch()
    {
        QFETCH(int, stored);
        g_Global.isRecordInterface = stored;
        auto window = makeWindow(false);
        MessageSpy spy(window.get(), "main");
        QCOMPARE(window->recordPanel()->isHidden(), stored == 0);
        QCOMPARE(window->livePanel()->isHidden(), stored == 1);
        QCOMPARE(window->recordButton()->isEnabled(), stored == 0);
        QCOMPARE(window->liveButton()->isEnabled(), stored == 1);
        QVERIFY(spy.seen.isEmpty());
        QTRY_COMPARE(spy.of(MSG_MODE_SWITCHED).size(), 1);
        QCOMPARE(spy.of(MSG_MODE_SWITCHED)[0].wParam, stored ? 0 : 1);
        QVERIFY(traceLines("GA_TrackScreen")
                    .contains(stored ? "GA_TrackScreen(key=record)" : "GA_TrackScreen(key=live)"));

        window->show();
        QCoreApplication::processEvents();
        QMyPushButton* other = stored ? window->liveButton() : window->recordButton();
        other->click();
        QCOMPARE(g_Global.isRecordInterface, stored ? 0 : 1);
        QTRY_COMPARE(spy.of(MSG_MODE_SWITCHED).size(), 2);
        QCOMPARE(spy.of(MSG_MODE_SWITCHED)[1].wParam, stored ? 1 : 0);
        QCOMPARE(window->myStatusBar()->liveLabel()->isHidden(), stored == 0);
        QVERIFY(!other->isEnabled());
        QCOMPARE(window->recordPanel()->isHidden(), stored == 1);
    }

    void playWindowFollowsTheMainWindow()
    {
        QVERIFY(!AfxGetPlayWindow());
        auto window = makeWindow(false);
        QCOMPARE(AfxGetPlayWindow(), window->playerBar());
        window.reset();
        QVERIFY(!AfxGetPlayWindow());
    }
};

ZD_TEST_MAIN(TestZDHelperGUI, QApplication)
#include "tst_zdhelpergui.moc"
