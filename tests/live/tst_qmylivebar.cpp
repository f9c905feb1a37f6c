// The live panel in a main window opened on the live interface: its layout,
// the canvas it opens at its first showing, live start and stop to the
// ticked servers, the servers' status reports, the scene menu over a full
// scene folder, the mode switch questions and the main window's live
// messages.
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <memory>

#include "../capture/capturetestsupport.h"
#include "../scenes/scenetestsupport.h"
#include "liveserveraddresshelper.h"
#include "qhyperlink.h"
#include "qlivesavenamedlg.h"
#include "qlivestateshowwnd.h"
#include "qmylivebar.h"
#include "qmylivesensebar.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmytimerbar.h"
#include "rtmpservercombobox.h"
#include "scenefile.h"
#include "screenscale.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

using namespace capturetest;

namespace
{

QByteArray sceneHeader(qint32 magic, qint32 width, qint32 height, qint32 fps, qint32 count = 0)
{
    QByteArray bytes;
    for (qint32 v : {magic, width, height, fps, count}) {
        const quint32 u = quint32(v);
        for (int i = 0; i < 4; ++i)
            bytes.append(char((u >> (8 * i)) & 0xFF));
    }
    return bytes;
}

// A text layer as a scene file holds it.
SceneItemData_Save textRecord(const char* key, const char* name)
{
    return scenetest::sceneRecord(SCENE_KIND_TEXT, key, name, {0, 0, 500, 250}, false, {0, 0}, 0);
}

QString scenePath(const QString& name)
{
    return CPublic::GetSceneDataPath() + "/" + name;
}

void clearSceneFolder()
{
    QDir folder(CPublic::GetSceneDataPath());
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
        folder.remove(name);
}

void setServers(const QList<SERVER_ADDRITEM>& entries)
{
    QLiveServerAddressHelper* list = g_Global.pServerList;
    qDeleteAll(list->servers);
    list->servers.clear();
    for (const SERVER_ADDRITEM& e : entries)
        list->servers << new SERVER_ADDRITEM(e);
}

SERVER_ADDRITEM server(const QString& name, const QString& address, const QString& key,
                       bool enabled, const QString& room = QString())
{
    SERVER_ADDRITEM e;
    e.name = name;
    e.address = address;
    e.key = key;
    e.enabled = enabled;
    e.roomUrl = room;
    return e;
}

RTMPSERVERPARAM record(const char* name, int id, int connected)
{
    RTMPSERVERPARAM r;
    std::memset(&r, 0, sizeof r);
    std::strncpy(r.name, name, sizeof r.name - 1);
    r.serverId = id;
    r.connected = connected;
    return r;
}

QString fieldText(const char* field, size_t size)
{
    return QString::fromUtf8(field, qsizetype(qstrnlen(field, size)));
}

// Stands in for the desktop's browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

} // namespace

class TestQMyLiveBar : public QObject
{
    Q_OBJECT

    std::unique_ptr<ZDHelperGUI> m_win;
    MessageSpy* m_spy = nullptr;
    QMyLiveBar* m_bar = nullptr;
    QList<Box> m_boxes;
    QList<int> m_answers; // answers in order; 1 once they run out

    // A main window entering the live interface; the panel opens the canvas
    // 300 ms after it is shown.
    void makeWindow(bool waitForCanvas = true)
    {
        g_Global.isRecordInterface = 0;
        m_win = std::make_unique<ZDHelperGUI>(nullptr);
        m_spy = new MessageSpy(m_win.get());
        m_bar = m_win->liveBar();
        QVERIFY(m_bar);
        m_win->show();
        if (waitForCanvas) {
            QTRY_VERIFY_WITH_TIMEOUT(!traceLines("ZD_OpenDevice(video=NULL").isEmpty(), 5000);
            deliverReports();
        }
    }

    QStringList boxTexts() const
    {
        QStringList list;
        for (const Box& b : m_boxes)
            list << b.text;
        return list;
    }

    // A running stream as the engine would have it: previewing, and the
    // start accepted.
    void startStream()
    {
        ZDT_ScriptResult("ZD_CheckState.previewing", 1);
        ZDT_ScriptResult("ZD_StartLive", 1);
        m_bar->liveStartClick();
        QVERIFY(g_Global.liveRunning);
        ZDT_ScriptResult("ZD_CheckState.living", 1);
    }

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            m_boxes << Box{text, kind};
            return m_answers.isEmpty() ? 1 : m_answers.takeFirst();
        });
    }

    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        ReleaseGlobalSettings();
    }

    void init()
    {
        ZDT_ClearScript(nullptr);
        // No camera for a default layer unless a test asks for one: the
        // panel's own behaviour is under test, not the layers'.
        ZDT_ScriptResult("ZD_GetCaptureDevices", 0);
        ZDT_ClearTrace();
        clearSceneFolder();
        m_boxes.clear();
        m_answers.clear();
        g_dpi_percent = 1.0;
        g_Global.liveRunning = false;
        g_Global.liveSaveFlv = false;
        g_Global.liveWidth = 1280;
        g_Global.liveHeight = 720;
        g_Global.liveFps = 30;
        g_Global.liveBitrate = 2000000;
        g_Global.liveBaseWidth = g_Global.liveBaseHeight = g_Global.liveBaseFps = 0;
        AfxWriteProfileInt("LIVE", "WIDTH", 1280);
        AfxWriteProfileInt("LIVE", "HEIGHT", 720);
        AfxWriteProfileInt("LIVE", "FPS", 30);
        setServers({});
    }

    void cleanup()
    {
        ZDT_ClearScript(nullptr);
        if (m_win)
            m_win->StopRecord();
        quietEngine();
        delete m_spy;
        m_spy = nullptr;
        m_win.reset();
        m_bar = nullptr;
        g_Global.isRecordInterface = 1;
    }

    void geometry_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("panelHeight");
        QTest::addColumn<bool>("live");
        // t = 25 * d; L = H - 500 above 600 * d, else 100.
        QTest::newRow("tall, idle") << 1.0 << 800 << false;
        QTest::newRow("tall, streaming") << 1.0 << 800 << true;
        QTest::newRow("at 600, idle") << 1.0 << 600 << false;
        QTest::newRow("scaled 1.5, tall") << 1.5 << 1000 << false;
        QTest::newRow("scaled 1.5, 800 is short") << 1.5 << 800 << true;
    }
    void geometry()
    {
        QFETCH(double, dpi);
        QFETCH(int, panelHeight);
        QFETCH(bool, live);
        makeWindow(false);
        g_dpi_percent = dpi;
        g_Global.liveRunning = live;
        m_bar->resize(int(300 * dpi), panelHeight);
        m_bar->resizeAll();
        const int t = int(25 * dpi);
        const int L = panelHeight > 600 * dpi ? panelHeight - 500 : 100;
        QCOMPARE(m_bar->senseBar->geometry(), scale_rect2(20, t, 260, L));
        QCOMPARE(m_bar->serverLabel->geometry(), scale_rect2(20, t + L + 10, 260, 18));
        QCOMPARE(m_bar->serverBox->geometry(), scale_rect2(40, t + L + 28, 200, 25));
        QCOMPARE(m_bar->btnServerSetup->geometry(), scale_rect2(250, t + L + 28, 20, 20));
        QCOMPARE(m_bar->roomLink->requestedRect, scale_rect2(40, t + L + 58, 200, 20));
        QCOMPARE(m_bar->liveClock->geometry(), scale_rect2(60, t + L + 96, 150, 40));
        QCOMPARE(m_bar->btnInfo->geometry(), scale_rect2(230, t + L + 106, 20, 20));
        QCOMPARE(m_bar->btnSceneMenu->geometry(), scale_rect2(260, 5, 20, 20));
        QCOMPARE(m_bar->btnAddLayer->geometry(), scale_rect2(230, 5, 20, 20));
        QCOMPARE(m_bar->btnRecord->geometry(),
                 scale_rect_bottom2(90, int(panelHeight - 160 * dpi), 140, 40));
        QCOMPARE(m_bar->btnLive->geometry(), scale_rect2(90, t + L + (live ? 146 : 96), 140, 40));
        QCOMPARE(m_bar->btnLive->text(), live ? QString("Stop Live") : QString("Start Live"));
        QCOMPARE(m_bar->liveClock->isHidden(), !live);
        QCOMPARE(m_bar->btnInfo->isHidden(), !live);
        // The live panel runs no schedules.
        QVERIFY(m_bar->timerBar->isHidden());
        g_Global.liveRunning = false;
    }

    void firstShow_data()
    {
        QTest::addColumn<QByteArray>("sceneFile");
        QTest::addColumn<bool>("devices");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("noSourcePicture");
        QTest::newRow("no scene file, no device") << QByteArray() << false << "1280x720@30" << true;
        QTest::newRow("no scene file, test camera")
            << QByteArray() << true << "1280x720@30" << false;
        QTest::newRow("scene of its own size")
            << sceneHeader(SceneFile::kMagic, 1920, 1080, 25) << false << "1920x1080@25" << true;
        QTest::newRow("scene using the live size")
            << sceneHeader(SceneFile::kMagic, 0, 0, 0) << false << "1280x720@30" << true;
        // Refused headers: the canvas opens at the current values.
        QTest::newRow("wrong magic")
            << sceneHeader(7, 1920, 1080, 25) << false << "1280x720@30" << true;
        QTest::newRow("width out of range")
            << sceneHeader(SceneFile::kMagic, 5000, 1080, 25) << false << "1280x720@30" << true;
        QTest::newRow("fps out of range")
            << sceneHeader(SceneFile::kMagic, 1920, 1080, 200) << false << "1280x720@30" << true;
        QTest::newRow("cut short") << sceneHeader(SceneFile::kMagic, 1920, 1080, 25).left(12)
                                   << false << "1280x720@30" << true;
    }
    void firstShow()
    {
        QFETCH(QByteArray, sceneFile);
        QFETCH(bool, devices);
        QFETCH(QString, format);
        QFETCH(bool, noSourcePicture);
        if (!sceneFile.isEmpty())
            writeFile(scenePath("default"), sceneFile);
        if (devices)
            ZDT_ClearScript("ZD_GetCaptureDevices");
        makeWindow();
        const QStringList opens = traceLines("ZD_OpenDevice(");
        QCOMPARE(opens.size(), 1);
        QCOMPARE(opens.first(), "ZD_OpenDevice(video=NULL,audio=NULL,fmt=" + format + ")");
        // The no-source picture is asked for (wParam 1) only when no layer
        // could be made; a default camera layer clears it (wParam 0).
        const QList<Seen> pictures = m_spy->of(MSG_NO_DEVICE_PICTURE);
        QCOMPARE(pictures.size(), 1);
        QCOMPARE(pictures.first().wParam, noSourcePicture ? 1 : 0);
        QCOMPARE(m_bar->senseBar->rowCount(), noSourcePicture ? 0 : 1);
        // The canvas reported open: its format becomes the device's.
        QTRY_COMPARE(g_Global.devWidth, format.section('x', 0, 0).toInt());
        QCOMPARE(g_Global.videoRenderInUse, 0);
    }

    // Hiding saves the working scene only when the panel had been shown.
    void workingSceneSavedOnHide()
    {
        makeWindow();
        g_Global.liveBaseWidth = 1920;
        g_Global.liveBaseHeight = 1080;
        g_Global.liveBaseFps = 50;
        m_win->recordButton()->click();
        QCOMPARE(g_Global.isRecordInterface, 1);
        SCENE_FILE_HEADER header = {};
        QVERIFY(SceneFile::ReadHeader(scenePath("default"), header));
        QCOMPARE(header.width, 1920);
        QCOMPARE(header.fps, 50);
        QFile::remove(scenePath("default"));
        m_bar->showx(false);
        QVERIFY(!QFile::exists(scenePath("default")));
    }

    // Leaving live mode, or the program, within the 300 ms before the
    // panel loads its working scene leaves that scene's file as it was: the
    // empty scene list is not the user's scene.
    void workingSceneKeptWhenLeftBeforeItLoads_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::newRow("back to record mode") << false;
        QTest::newRow("program closed") << true;
    }
    void workingSceneKeptWhenLeftBeforeItLoads()
    {
        QFETCH(bool, quit);
        const QByteArray bytes =
            SceneFile::Serialize({SceneFile::kMagic, 0, 0, 0, 0},
                                 {textRecord("321", "Caption"), textRecord("322", "Logo")});
        writeFile(scenePath("default"), bytes);
        makeWindow(false);
        if (quit) {
            delete m_spy;
            m_spy = nullptr;
            m_win.reset();
            m_bar = nullptr;
        } else {
            m_win->recordButton()->click();
            QCOMPARE(g_Global.isRecordInterface, 1);
        }
        // Left before the panel loaded anything.
        QVERIFY(traceLines("ZD_OpenDevice(video=NULL").isEmpty());
        QCOMPARE(scenetest::readAll(scenePath("default")), bytes);
    }

    // A working scene that cannot be read whole is moved aside, replacing
    // an older copy, before anything can save over it; the user is told
    // once where it went. What could be read is shown.
    void damagedWorkingSceneKeptAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        const QByteArray oneRecord =
            SceneFile::Serialize({SceneFile::kMagic, 0, 0, 0, 0}, {textRecord("321", "Caption")});
        QTest::newRow("wrong magic") << sceneHeader(7, 1920, 1080, 25) + oneRecord.mid(20) << 0;
        QTest::newRow("width out of range")
            << sceneHeader(SceneFile::kMagic, 5000, 1080, 25, 1) + oneRecord.mid(20) << 0;
        QTest::newRow("cut short in its header")
            << sceneHeader(SceneFile::kMagic, 1920, 1080, 25).left(12) << 0;
        QTest::newRow("fewer records than its count")
            << sceneHeader(SceneFile::kMagic, 0, 0, 0, 2) + oneRecord.mid(20) << 1;
        // The count says two; the second record stops after 100 bytes.
        QByteArray cut = oneRecord + SceneFile::Serialize({SceneFile::kMagic, 0, 0, 0, 0},
                                                          {textRecord("322", "Logo")})
                                         .mid(20, 100);
        cut[16] = 2;
        QTest::newRow("a record cut short") << cut << 1;
    }
    void damagedWorkingSceneKeptAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        // The layers' engine sources are not under test: rows that load the
        // same key again are not refused by the engine.
        ZDT_ScriptResult("ZD_AddOverlayDevice", 1);
        const QString aside = scenePath("default") + ".damaged";
        writeFile(scenePath("default"), bytes);
        writeFile(aside, "an older damaged copy");
        makeWindow();
        QCOMPARE(scenetest::readAll(aside), bytes);
        QCOMPARE(m_bar->senseBar->rowCount(), rows);
        const QStringList told = {"The working scene could not be read whole. It was kept as " +
                                  aside + "."};
        QCOMPARE(boxTexts(), told);

        // Back to record mode: a new working scene is saved, the damaged
        // one stays; live mode again tells nothing more.
        m_win->recordButton()->click();
        SCENE_FILE_HEADER header = {};
        QVERIFY(SceneFile::ReadHeader(scenePath("default"), header));
        QCOMPARE(header.count, rows);
        QCOMPARE(scenetest::readAll(aside), bytes);
        ZDT_ClearTrace();
        m_win->liveButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!traceLines("ZD_OpenDevice(video=NULL").isEmpty(), 5000);
        QCOMPARE(boxTexts(), told);
        QCOMPARE(scenetest::readAll(aside), bytes);
    }

    // "Clear all" takes the named scenes' own list files with them; the
    // working scene's stay.
    void clearAllTakesTheScenesLists()
    {
        makeWindow();
        QMyLiveSenseBar* scene = m_bar->senseBar;
        auto* layer = new SceneItemData(scene);
        layer->InitDefaultData(SCENE_KIND_PICTURES, scene->usedKeys());
        const QString working = scenetest::newListFile(SCENE_KIND_PICTURES);
        QVERIFY(layer->setListFilePath(working));
        scene->AddItemInter(layer);
        QVERIFY(scene->SaveSenseFile("A"));
        SCENE_FILE_HEADER header;
        QList<SceneItemData_Save> records;
        QVERIFY(SceneFile::Read(scenePath("A"), header, records));
        const QString copy = SceneFieldText(reinterpret_cast<char*>(records[0].params) + 4, 256);
        QVERIFY(copy != working);
        QVERIFY(QFileInfo::exists(copy));

        std::unique_ptr<QMenu> menu(m_bar->CreateSceneMenu());
        QAction* clearAll = nullptr;
        for (QAction* a : menu->findChildren<QAction*>()) {
            if (a->data().toInt() == QMyLiveBar::SceneMenuClearAll)
                clearAll = a;
        }
        QVERIFY(clearAll);
        m_answers = {1};
        m_bar->menu_tt(clearAll);
        QVERIFY(!QFileInfo::exists(scenePath("A")));
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(QFileInfo::exists(working));
    }

    // The ticked servers go to one call, in the box's order, each url the
    // address, one "/" and the key.
    void startToTickedServers()
    {
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true),
                    server("B", "rtmp://127.0.0.1:1936/live", "kb", false),
                    server("C", "rtmp://127.0.0.1:1937/app", "", true)});
        makeWindow();
        QCOMPARE(m_bar->serverBox->lineEdit()->text(), QString("Selected 2 servers"));
        const std::vector<RTMPSERVERPARAM> servers = m_bar->TickedServers();
        QCOMPARE(int(servers.size()), 2);
        QCOMPARE(fieldText(servers[0].name, 256), QString("A"));
        QCOMPARE(fieldText(servers[0].url, 1024), QString("rtmp://127.0.0.1:1935/live/ka"));
        QCOMPARE(fieldText(servers[1].name, 256), QString("C"));
        QCOMPARE(fieldText(servers[1].url, 1024), QString("rtmp://127.0.0.1:1937/app/"));
        QCOMPARE(servers[0].owner, uint64_t(reinterpret_cast<uintptr_t>(m_bar)));
        QCOMPARE(servers[1].connected + servers[1].serverId + servers[1].frames, 0);

        ZDT_ClearTrace();
        startStream();
        const QStringList starts = traceLines("ZD_StartLive(");
        QCOMPARE(starts.size(), 1);
        QVERIFY2(starts.first().startsWith("ZD_StartLive(count=2,size=1280x720,fps=30"),
                 qPrintable(starts.first()));
        QVERIFY(!starts.first().contains(".flv"));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(boxTexts().join("|")));
        QVERIFY(!m_bar->liveClock->isHidden());
        QVERIFY(!m_bar->btnInfo->isHidden());
        QCOMPARE(m_bar->btnLive->text(), QString("Stop Live"));
        QVERIFY(m_bar->btnLive->isEnabled());

        // The clock runs while the stream does.
        QVERIFY(m_bar->liveTimer->isActive());
        QCOMPARE(m_bar->liveTimer->interval(), 1000);

        // The second press stops.
        m_bar->liveStartClick();
        QCOMPARE(traceLines("ZD_StopLive(").size(), 1);
        QVERIFY(!g_Global.liveRunning);
        QVERIFY(m_bar->liveClock->isHidden());
        QCOMPARE(m_bar->btnLive->text(), QString("Start Live"));
    }

    // The clock counts the panel's one-second ticks as hours, minutes and
    // seconds, and a new stream starts it at zero. QLCDNumber keeps no text
    // to read, so what it shows is compared as a picture with the same
    // clock showing the expected text.
    void clockReading_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("first tick") << 1 << "00:00:01";
        QTest::newRow("a minute") << 60 << "00:01:00";
        QTest::newRow("an hour, a minute and a second") << 3661 << "01:01:01";
        QTest::newRow("a day less a second") << 86399 << "23:59:59";
    }
    void clockReading()
    {
        QFETCH(int, ticks);
        QFETCH(QString, shown);
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true)});
        makeWindow();
        startStream();
        QLCDNumber* clock = m_bar->liveClock;
        auto picture = [clock] { return clock->grab().toImage(); };
        auto pictureOf = [&](const QString& text) {
            clock->display(text);
            return picture();
        };
        // The pictures tell the digits apart.
        QVERIFY(pictureOf("01:01:00") != pictureOf("01:01:01"));

        g_Global.liveElapsedSecs = ticks - 1;
        m_bar->timer_live();
        QCOMPARE(g_Global.liveElapsedSecs, ticks);
        const QImage afterTicks = picture();
        QCOMPARE(afterTicks, pictureOf(shown));

        // Stop and start again: the clock reads zero.
        m_bar->liveStartClick();
        QVERIFY(!g_Global.liveRunning);
        ZDT_ScriptResult("ZD_CheckState.living", 0);
        startStream();
        const QImage restarted = picture();
        QCOMPARE(restarted, pictureOf("00:00:00"));
        m_bar->liveStartClick();
    }

    // Entries that do not fit or do not name a server of the list.
    void serverRecordsBounded()
    {
        const QString longAddress = "rtmp://127.0.0.1/" + QString(1100, 'a');
        setServers({server("Long", longAddress, "key", true),
                    server(QString(300, 'n'), "rtmp://127.0.0.1/x", QString(1100, 'k'), true)});
        makeWindow(false);
        // An item whose index is past the list (the list changed under the box).
        m_bar->serverBox->AddItem("Gone", true, QVariant(7));
        const std::vector<RTMPSERVERPARAM> servers = m_bar->TickedServers();
        QCOMPARE(int(servers.size()), 2);
        QCOMPARE(fieldText(servers[0].url, 1024), QString("/key"));
        QCOMPARE(fieldText(servers[1].name, 256), QString());
        const QString url = fieldText(servers[1].url, 1024);
        QCOMPARE(url.size(), 1023);
        QVERIFY(url.startsWith("rtmp://127.0.0.1/x/kkk"));
    }

    void startRefused_data()
    {
        QTest::addColumn<bool>("previewing");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("engineResult");
        QTest::addColumn<QString>("box");
        QTest::newRow("no preview") << false << true << 1 << QString();
        QTest::newRow("nothing ticked")
            << true << false << 1 << "You have not select any RTMP server.";
        QTest::newRow("engine refuses") << true << true << 0 << "Start live stream failed.";
    }
    void startRefused()
    {
        QFETCH(bool, previewing);
        QFETCH(bool, ticked);
        QFETCH(int, engineResult);
        QFETCH(QString, box);
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", ticked)});
        makeWindow(false);
        ZDT_ScriptResult("ZD_CheckState.previewing", previewing ? 1 : 0);
        ZDT_ScriptResult("ZD_StartLive", engineResult);
        m_bar->liveStartClick();
        QCOMPARE(boxTexts(), box.isEmpty() ? QStringList() : QStringList({box}));
        QCOMPARE(traceLines("ZD_StartLive(").size(), previewing && ticked ? 1 : 0);
        QVERIFY(!g_Global.liveRunning);
        QVERIFY(m_bar->btnLive->isEnabled());
        QVERIFY(m_bar->liveClock->isHidden());
    }

    void flvCopy_data()
    {
        QTest::addColumn<int>("folder"); // 0 writable, 1 missing, 2 path too long
        QTest::addColumn<bool>("withFile");
        QTest::newRow("writable folder") << 0 << true;
        QTest::newRow("missing folder") << 1 << false;
        QTest::newRow("path longer than its field") << 2 << false;
    }
    void flvCopy()
    {
        QFETCH(int, folder);
        QFETCH(bool, withFile);
        QTemporaryDir dir;
        QString path = dir.path();
        if (folder == 1)
            path += "/missing";
        if (folder == 2) {
            path += "/" + QString(200, 'f');
            QVERIFY(QDir().mkpath(path));
        }
        g_Global.liveSaveFlv = true;
        g_Global.liveFlvDir = path;
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true)});
        makeWindow(false);
        startStream();
        const QString start = traceLines("ZD_StartLive(").value(0);
        QCOMPARE(start.contains("flv=" + path + "/Live-"), withFile);
        QCOMPARE(start.endsWith(".flv)"), withFile);
        QCOMPARE(m_boxes.size(), withFile ? 0 : 1);
        if (!withFile)
            QVERIFY(m_boxes.first().text.startsWith("The save path of the flv file"));
        m_bar->liveStop();
    }

    // A failed server is named while the others stream; the stream ends
    // once the engine reports every server as lost.
    void serverStatus()
    {
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true),
                    server("B", "rtmp://127.0.0.1:1936/live", "kb", true)});
        makeWindow(false);
        startStream();
        ZDT_ClearTrace();

        m_bar->OnServerStatus(1, {record("A", 1, 0), record("B", 2, 1)});
        QCOMPARE(boxTexts(), QStringList({"Connect to server A failed."}));
        QVERIFY(traceLines("ZD_StopLive(").isEmpty());
        QVERIFY(g_Global.liveRunning);

        // A report for a server that is connected names nobody.
        m_boxes.clear();
        m_bar->OnServerStatus(2, {record("A", 1, 0), record("B", 2, 1)});
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(g_Global.liveRunning);

        m_bar->OnServerStatus(2, {record("A", 1, 0), record("B", 2, 0)});
        QCOMPARE(boxTexts(), QStringList({"Connect to server B failed."}));
        QCOMPARE(traceLines("ZD_StopLive(").size(), 1);
        QVERIFY(!g_Global.liveRunning);
        QVERIFY(m_bar->liveClock->isHidden());

        // With no servers reported, nothing happens.
        m_boxes.clear();
        m_bar->OnServerStatus(1, {});
        QVERIFY(m_boxes.isEmpty());
    }

    // The report reaches the panel as a bus message; only lParam 1 reads the
    // servers.
    void serverStatusMessage()
    {
        makeWindow(false);
        ZDT_ClearTrace();
        SendMessage(m_bar, MSG_LIVE_SERVER_STATUS, 1, 2, nullptr);
        QVERIFY(traceLines("ZD_GetLiveInfo(").isEmpty());
        SendMessage(m_bar, MSG_LIVE_SERVER_STATUS, 1, 1, nullptr);
        QCOMPARE(traceLines("ZD_GetLiveInfo(").size(), 1); // no stream: no servers
        QVERIFY(m_boxes.isEmpty());
    }

    // A failing FLV copy is told with the system's reason; the stream goes
    // on.
    void flvCopyFailure()
    {
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true)});
        makeWindow(false);
        startStream();
        ZDT_ClearTrace();
        SendMessage(m_bar, MSG_LIVE_FLV_FAILED, 0, ENOSPC, nullptr);
        QCOMPARE(boxTexts(), QStringList({"The live stream can no longer be saved to the flv file "
                                          "(No space left on device). The live broadcast goes "
                                          "on."}));
        QVERIFY(traceLines("ZD_StopLive(").isEmpty());
        QVERIFY(g_Global.liveRunning);
    }

    // 102 scene files: each has an entry of its own, none of which is taken
    // for "Default" or "Clear all".
    void sceneMenuOverManyFiles()
    {
        makeWindow();
        for (int i = 0; i < 102; ++i)
            writeFile(scenePath(QString::asprintf("s%03d", i)),
                      sceneHeader(SceneFile::kMagic, 320 + i, 240, 30));
        writeFile(scenePath("default"), sceneHeader(SceneFile::kMagic, 0, 0, 0));
        writeFile(scenePath("Default"), sceneHeader(SceneFile::kMagic, 0, 0, 0));

        std::unique_ptr<QMenu> menu(m_bar->CreateSceneMenu());
        QMenu* load = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->menu())
                load = a->menu();
        }
        QVERIFY(load);
        QMap<int, QString> entries;
        for (QAction* a : load->actions()) {
            if (a->isSeparator())
                continue;
            QVERIFY2(!entries.contains(a->data().toInt()), qPrintable(a->text()));
            entries.insert(a->data().toInt(), a->text());
        }
        QCOMPARE(entries.size(), 103 + 2);
        QCOMPARE(entries.value(QMyLiveBar::SceneMenuDefault), QString("Default"));
        QCOMPARE(entries.value(QMyLiveBar::SceneMenuClearAll), QString("Clear all"));
        QVERIFY(entries.values().contains("Default")); // the file named "Default"
        QCOMPARE(entries.values().count("Default"), 2);
        QVERIFY(!entries.values().contains("default"));

        // Loading the last file opens the canvas at its size.
        QAction* last = nullptr;
        for (QAction* a : load->actions()) {
            if (a->text() == "s101")
                last = a;
        }
        QVERIFY(last);
        ZDT_ClearTrace();
        m_bar->menu_tt(last);
        QCOMPARE(traceLines("ZD_OpenDevice(").value(0),
                 QString("ZD_OpenDevice(video=NULL,audio=NULL,fmt=421x240@30)"));
        QCOMPARE(g_Global.liveBaseWidth, 421);

        // "Clear all", refused and then agreed: every file but "default" goes.
        QAction* clearAll = nullptr;
        for (QAction* a : load->actions()) {
            if (a->data().toInt() == QMyLiveBar::SceneMenuClearAll)
                clearAll = a;
        }
        m_answers = {0};
        m_bar->menu_tt(clearAll);
        QCOMPARE(QDir(CPublic::GetSceneDataPath()).entryList(QDir::Files).size(), 104);
        m_answers = {1};
        m_bar->menu_tt(clearAll);
        QCOMPARE(QDir(CPublic::GetSceneDataPath()).entryList(QDir::Files),
                 QStringList({"default"}));
        QCOMPARE(boxTexts().count("Are you sure to delete all scene profile?"), 2);
    }

    // Leaving live mode asks about the stream and the recording before it
    // stops either; any "No" leaves everything running.
    void switchQuestions_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("switched");
        QTest::newRow("no to the stream") << QList<int>{0} << 1 << false;
        QTest::newRow("yes, then no to the recording") << QList<int>{1, 0} << 2 << false;
        QTest::newRow("yes to both") << QList<int>{1, 1} << 2 << true;
    }
    void switchQuestions()
    {
        QFETCH(QList<int>, answers);
        QFETCH(int, questions);
        QFETCH(bool, switched);
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true)});
        makeWindow();
        g_Global.recAutoName = true;
        g_Global.recSaveTo = CPublic::GetMyVideoPath();
        QCOMPARE(m_win->StartRecord(), 1);
        startStream();
        ZDT_ClearTrace();
        m_answers = answers;
        m_win->recordButton()->click();
        QVERIFY2(m_boxes.size() == questions, qPrintable(boxTexts().join("|")));
        QVERIFY(m_boxes[0].text.startsWith("The live stream is running"));
        if (questions > 1)
            QVERIFY(m_boxes[1].text.startsWith("The recording process is running"));
        QCOMPARE(g_Global.isRecordInterface, switched ? 1 : 0);
        // (The scripted state keeps "living" after the stop, so hiding the
        // panel stops once more; the real engine reports it stopped.)
        QCOMPARE(!traceLines("ZD_StopLive(").isEmpty(), switched);
        QCOMPARE(traceLines("ZD_StopRecord(").size(), switched ? 1 : 0);
        QCOMPARE(m_win->recordClock()->isActive(), !switched);
        QCOMPARE(g_Global.liveRunning, !switched);
        QCOMPARE(m_win->liveButton()->isEnabled(), switched);
        QCOMPARE(m_bar->isHidden(), switched);
        ZDT_ClearScript(nullptr);
        g_Global.liveRunning = false;
    }

    // "Save" writes the scene under the name given, and refuses a name that
    // cannot be a file of the scene folder, whatever the dialog let through.
    void saveUnderAName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("box");
        QTest::newRow("plain name") << "Show A"
                                    << "Save scene OK.";
        QTest::newRow("parent folder") << "../escape"
                                       << "Invalid file name";
        QTest::newRow("dot") << "."
                             << "Invalid file name";
        QTest::newRow("hidden") << ".x"
                                << "Invalid file name";
    }
    void saveUnderAName()
    {
        QFETCH(QString, name);
        QFETCH(QString, box);
        makeWindow();
        std::unique_ptr<QMenu> menu(m_bar->CreateSceneMenu());
        QAction* save = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->data().toInt() == QMyLiveBar::SceneMenuSave)
                save = a;
        }
        QVERIFY(save);
        zdtest::whenModal<QLiveSaveNameDlg>([name](QLiveSaveNameDlg* dialog) {
            dialog->name = name;
            dialog->done(1);
        });
        m_bar->menu_tt(save);
        QCOMPARE(boxTexts(), QStringList({box}));
        const bool saved = box == "Save scene OK.";
        QCOMPARE(QFileInfo(scenePath(name)).isFile(), saved);
        QVERIFY(!QFile::exists(CPublic::GetCacheDataPath() + "/escape"));
    }

    // Every server with a room address opens its page, ticked or not.
    void roomLink_data()
    {
        QTest::addColumn<QStringList>("rooms");
        QTest::addColumn<int>("boxes");
        QTest::newRow("two rooms")
            << QStringList{"http://127.0.0.1/a", "", "http://127.0.0.1/c"} << 0;
        QTest::newRow("no room") << QStringList{"", ""} << 1;
    }
    void roomLink()
    {
        QFETCH(QStringList, rooms);
        QFETCH(int, boxes);
        QList<SERVER_ADDRITEM> entries;
        for (int i = 0; i < rooms.size(); ++i)
            entries << server(QString::number(i), "rtmp://127.0.0.1/live", "k", i == 0, rooms[i]);
        setServers(entries);
        makeWindow(false);
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("http", &catcher, "open");
        m_bar->roomLink->click();
        QDesktopServices::unsetUrlHandler("http");
        QStringList expected;
        for (const QString& r : rooms) {
            if (!r.isEmpty())
                expected << r;
        }
        QCOMPARE(catcher.opened, expected);
        QCOMPARE(m_boxes.size(), boxes);
        if (boxes)
            QCOMPARE(m_boxes.first().text, QString("You have not set live stream room URL"));
    }

    // A second press of the information button replaces the window.
    void oneInformationWindow()
    {
        makeWindow(false);
        m_bar->ShowLiveInfoWnd();
        QPointer<QLiveStateShowWnd> first = m_bar->infoWnd;
        QVERIFY(first && first->isVisible());
        m_bar->ShowLiveInfoWnd();
        QVERIFY(!first);
        QCOMPARE(m_bar->findChildren<QLiveStateShowWnd*>().size(), 1);
        QVERIFY(m_bar->infoWnd->isVisible());
    }

    // In the live interface the preview's menu comes only where the scene
    // list gives way: over the preview, in the active window, on no layer.
    void contextMenuInLiveMode_data()
    {
        QTest::addColumn<bool>("overPreview");
        QTest::newRow("over the empty preview") << true;
        QTest::newRow("over the panel") << false;
    }
    void contextMenuInLiveMode()
    {
        QFETCH(bool, overPreview);
        makeWindow();
        m_win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_win.get()));
        QWidget* target = overPreview ? static_cast<QWidget*>(m_win->playerBar()) : m_bar;
        QCursor::setPos(target->mapToGlobal(target->rect().center()));
        auto shown = std::make_shared<bool>(false);
        // Closes the menu if one comes, so that the test never waits on it.
        zdtest::whenPopup(
            [shown](QMenu* menu) {
                *shown = true;
                menu->close();
            },
            3000);
        SendMessage(nullptr, MSG_CONTEXT_MENU, 0, 0, nullptr);
        QCOMPARE(*shown, overPreview);
    }

    // The main window's own handling of the live messages.
    void mainWindowLiveMessages()
    {
        setServers({server("A", "rtmp://127.0.0.1:1935/live", "ka", true)});
        makeWindow(false);
        QCOMPARE(m_bar->serverBox->count(), 1);
        g_Global.pServerList->servers
            << new SERVER_ADDRITEM(server("B", "rtmp://127.0.0.1:1936/live", "kb", true));
        PostMessage(nullptr, MSG_RELOAD_SERVERS, 0, 0, nullptr);
        QTRY_COMPARE(m_bar->serverBox->count(), 2);
        QCOMPARE(m_bar->serverBox->lineEdit()->text(), QString("Selected 2 servers"));

        startStream();
        ZDT_ClearTrace();
        PostMessage(nullptr, MSG_LIVE_FAILED, 0, 4, nullptr);
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text, QString("Encoding live stream failed. (Video queue full)"));
        QCOMPARE(traceLines("ZD_StopLive(").size(), 1);
        QVERIFY(!g_Global.liveRunning);
        QVERIFY(m_bar->liveClock->isHidden());
    }
};

ZD_TEST_MAIN(TestQMyLiveBar, GlobalApplication)
#include "tst_qmylivebar.moc"
