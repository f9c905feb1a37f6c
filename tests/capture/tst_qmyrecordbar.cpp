// The record panel against the engine's scripted and virtual devices: the
// device lists and the remembered choice, opening with the remembered format,
// open failures, a device lost during a recording and its return, the record
// button's checks, pictures, GIFs and the engine's device messages.
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLCDNumber>
#include <QLabel>
#include <QStorageInfo>
#include <QTimer>

#include <cstring>
#include <ctime>

#include "capturetestsupport.h"
#include "qdevicesetupwnd.h"
#include "qfilesmanagerdlg.h"
#include "qmyfileshelper.h"
#include "qmypushbutton.h"
#include "qmyrecordbar.h"
#include "qnvidiacardneed.h"
#include "zdtestmain.h"

using namespace capturetest;

namespace
{

const char* kDeviceScript = R"({"devices": [
  {"name": "Cam Zero", "path": "usb-VID_1111&PID_0001-1", "kind": 0,
   "formats": [{"width": 1280, "height": 720, "fps": 30, "fourcc": "YUY2", "codec": "YUY2"}]},
  {"name": "USB Capture HDMI", "path": "usb-VID_2222&PID_0002-1", "kind": 3,
   "formats": [{"width": 1920, "height": 1080, "fps": 60, "fourcc": "NV12", "codec": "NV12"}]},
  {"name": "USB Capture HDMI", "path": "usb-VID_2222&PID_0002-2", "kind": 3,
   "formats": [{"width": 1920, "height": 1080, "fps": 60, "fourcc": "NV12", "codec": "NV12"}]},
  {"name": "Line In", "path": "alsa-line-in", "kind": 2}
]})";

const char* kBox4k30 = R"({"name": "4K Box", "path": "usb-VID_048D&PID_9310-7", "kind": 3,
   "formats": [{"width": 3840, "height": 2160, "fps": 30, "fourcc": "P010", "codec": "P010"},
               {"width": 1920, "height": 1080, "fps": 60, "fourcc": "YUY2", "codec": "YUY2"}]})";

QStringList comboTexts(QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

void clearDefaults()
{
    g_pIni->remove("Record/default-video-device-name");
    g_pIni->remove("Record/default-video-device-path");
    for (const char* section : {"Cam Zero", "USB Capture HDMI", "Test Pattern Camera", "4K Box"})
        g_pIni->remove(section);
}

} // namespace

class TestQMyRecordBar : public QObject
{
    Q_OBJECT

    ZDHelperGUI* m_win = nullptr;
    MessageSpy* m_spy = nullptr;
    QMyRecordBar* m_bar = nullptr;
    MessageBoxes m_boxes;

    // A main window as the program makes it; its record panel lists the
    // devices at once and opens one 300 ms after it is shown.
    void makeBar(bool show)
    {
        g_Global.isRecordInterface = 1;
        m_win = new ZDHelperGUI(nullptr);
        m_spy = new MessageSpy(m_win);
        m_bar = qobject_cast<QMyRecordBar*>(m_win->recordPanel());
        QVERIFY(m_bar);
        if (show)
            m_win->show();
    }

    // Shows the window and waits for its panel's first showing to open the
    // device.
    void showAndOpen()
    {
        m_win->show();
        QTRY_VERIFY_WITH_TIMEOUT(!traceLines("ZD_OpenDevice(").isEmpty(), 3000);
        deliverReports();
    }

private slots:
    void initTestCase()
    {
        const QString script = zdtest::sandbox().path() + "/devices.json";
        writeFile(script, kDeviceScript);
        qputenv("VAZURIDAV_DEVICES", script.toLocal8Bit());
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        m_boxes.install();
    }

    void cleanupTestCase()
    {
        // The engine goes first, as in the program: its report thread may
        // still address the main window until it is released.
        ReleaseGlobalSettings();
    }

    void init()
    {
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
        clearDefaults();
        g_Global.deviceHDR = 0;
        g_Global.hwCap = {};
        g_Global.recAutoName = true;
        g_Global.recSaveTo = CPublic::GetMyVideoPath();
        g_Global.picSaveTo = CPublic::GetMyVideoPath();
        g_Global.picExt = "png";
        g_Global.recVCodec = 0;
        g_Global.recHeight = 0;
        m_boxes.clear();
        m_boxes.answer = 1;
    }

    void cleanup()
    {
        if (m_win)
            m_win->StopRecord();
        ZDT_ClearScript(nullptr);
        CPublic::setFileDialogHook({});
        quietEngine();
        delete m_spy;
        m_spy = nullptr;
        delete m_win;
        m_win = nullptr;
        m_bar = nullptr;
        // Arrivals and removals of the next test go nowhere until its window
        // listens.
        ZD_StartUSBDeviceListen(g_Global.hCore, nullptr);
    }

    void listsByKindAndPicksTheFirst()
    {
        makeBar(false);
        QCOMPARE(comboTexts(m_bar->videoCombo),
                 QStringList(
                     {"Cam Zero", "USB Capture HDMI", "USB Capture HDMI", "Test Pattern Camera"}));
        QCOMPARE(comboTexts(m_bar->audioCombo),
                 QStringList({"Auto", "Line In", "Test Tone Microphone"}));
        QCOMPARE(m_bar->audioCombo->itemData(0).toInt(), -1);
        QCOMPARE(m_bar->videoCombo->currentIndex(), 0);
        QVERIFY(m_bar->audioCombo->isEnabled());
        // Building the panel lists the devices but opens none.
        QVERIFY(traceLines("ZD_OpenDevice(").isEmpty());
        QCOMPARE(g_Global.noDevicePicture, 0);
    }

    void rememberedDeviceByItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("audioEnabled");
        QTest::newRow("second of two identical boxes") << "USB Capture HDMI"
                                                       << "usb-VID_2222&PID_0002-2" << 2 << false;
        QTest::newRow("first of two identical boxes") << "USB Capture HDMI"
                                                      << "usb-VID_2222&PID_0002-1" << 1 << false;
        QTest::newRow("name matches, path differs") << "Cam Zero"
                                                    << "usb-elsewhere" << 0 << true;
        QTest::newRow("virtual camera") << "Test Pattern Camera"
                                        << "VIRTUAL_TEST_PATTERN_CAMERA" << 3 << true;
    }
    void rememberedDeviceByItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(int, current);
        QFETCH(bool, audioEnabled);
        AfxWriteProfileString("Record", "default-video-device-name", name);
        AfxWriteProfileString("Record", "default-video-device-path", path);
        makeBar(false);
        QCOMPARE(m_bar->videoCombo->currentIndex(), current);
        QCOMPARE(m_bar->audioCombo->isEnabled(), audioEnabled);
        if (!audioEnabled)
            QCOMPARE(m_bar->audioCombo->currentIndex(), 0);
    }

    void audioChoiceRememberedPerVideoDevice()
    {
        AfxWriteProfileString("Cam Zero", "audio-device-name", "Line In");
        makeBar(true);
        QCOMPARE(m_bar->audioCombo->currentText(), QString("Line In"));
        showAndOpen();
        QVERIFY2(traceLines("ZD_OpenDevice(").last().contains("video=Cam Zero,audio=Line In"),
                 qPrintable(traceLines("ZD_OpenDevice(").last()));
        // Choosing "Auto" stores an empty choice and reopens with a zeroed
        // audio record.
        ZDT_ClearTrace();
        m_bar->audioCombo->setCurrentIndex(0);
        QCOMPARE(AfxGetProfileString("Cam Zero", "audio-device-name", "x"), QString());
        QCOMPARE(traceLines("ZD_OpenDevice(").size(), 1);
        QVERIFY(traceLines("ZD_OpenDevice(").first().contains("audio=,"));
        // A box with its own audio forces "Auto" and locks it; another
        // device unlocks it again.
        m_bar->videoCombo->setCurrentIndex(2);
        QVERIFY(!m_bar->audioCombo->isEnabled());
        QCOMPARE(m_bar->audioCombo->currentIndex(), 0);
        m_bar->videoCombo->setCurrentIndex(0);
        QVERIFY(m_bar->audioCombo->isEnabled());
    }

    void openRemembersTheDevice()
    {
        makeBar(true);
        m_bar->videoCombo->setCurrentIndex(2);
        deliverReports();
        QCOMPARE(AfxGetProfileString("Record", "default-video-device-path", ""),
                 QString("usb-VID_2222&PID_0002-2"));
        // The engine's opened message fills the device lines and publishes
        // the size.
        QCOMPARE(g_Global.devWidth, 1920);
        QCOMPARE(g_Global.devHeight, 1080);
        QCOMPARE(g_Global.devFps, 60);
        QCOMPARE(m_bar->formatLine->text(), QString("NV12: 1920x1080@60fps"));
        QVERIFY(!m_bar->descriptionLine->text().isEmpty());
        quietEngine();
        delete m_spy;
        delete m_win;
        m_spy = nullptr;
        m_win = nullptr;
        // The next run selects that same box, not its twin.
        makeBar(false);
        QCOMPARE(m_bar->videoCombo->currentIndex(), 2);
    }

    void hidingBeforeTheFirstShowingOpensNothing()
    {
        makeBar(true);
        ZDT_ClearTrace();
        m_bar->showx(true);
        QTest::qWait(100);
        m_bar->showx(false);
        QTest::qWait(500);
        QVERIFY(traceLines("ZD_OpenDevice(").isEmpty());
    }

    void rememberedFormat_data()
    {
        QTest::addColumn<int>("videoIndex");
        QTest::addColumn<QString>("section");
        QTest::addColumn<int>("savedWidth");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing saved") << 0 << "Cam Zero" << 0 << "fmt=)";
        QTest::newRow("saved format") << 0 << "Cam Zero" << 1280 << "fmt=1280x720@30)";
    }
    void rememberedFormat()
    {
        QFETCH(int, videoIndex);
        QFETCH(QString, section);
        QFETCH(int, savedWidth);
        QFETCH(QString, expected);
        if (savedWidth) {
            AfxWriteProfileInt(section, "last-width", savedWidth);
            AfxWriteProfileInt(section, "last-height", 720);
            AfxWriteProfileInt(section, "last-fps", 30);
            AfxWriteProfileInt(section, "last-codec", 0x32595559);
            AfxWriteProfileString(section, "last-codec-name", "YUY2");
        }
        makeBar(true);
        m_bar->videoCombo->setCurrentIndex(videoIndex);
        showAndOpen();
        QVERIFY2(traceLines("ZD_OpenDevice(").last().endsWith(expected),
                 qPrintable(traceLines("ZD_OpenDevice(").last()));
    }

    void box4k30OpensAt1080p60WithItsHdrSetting()
    {
        QVERIFY(ZDT_AddDevice(g_Global.hCore, kBox4k30) == 1);
        deliverReports();
        g_Global.hdr4k30 = 1;
        g_Global.deviceHDR = 1;
        makeBar(true);
        m_bar->videoCombo->setCurrentIndex(m_bar->videoCombo->findText("4K Box"));
        showAndOpen();
        QVERIFY(traceLines("ZD_OpenDevice(").last().endsWith("fmt=1920x1080@60)"));
        QCOMPARE(traceLines("ZD_4k30_hdr_getset_hdrflag(").size(), 1);
        QVERIFY(traceLines("ZD_4k30_hdr_getset_hdrflag(").first().contains("set=1,flag=1"));
        QCOMPARE(g_Global.deviceHDR, 0);
        QVERIFY(ZDT_RemoveDevice(g_Global.hCore, "usb-VID_048D&PID_9310-7") == 1);
        deliverReports();
    }

    void openFailures_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");
        QTest::newRow("no device") << -1 << 1 << "No found capture device Cam Zero";
        QTest::newRow("camera denied, no") << -2 << 0 << "permission to access the camera";
        QTest::newRow("preview failed") << -3 << 1 << "Open device failed. Start preview failed";
        QTest::newRow("microphone denied") << -4 << 1 << "permission to open the audio device";
        QTest::newRow("other") << -9 << 1 << "";
    }
    void openFailures()
    {
        QFETCH(int, result);
        QFETCH(int, answer);
        QFETCH(QString, message);
        ZDT_ScriptResult("ZD_OpenDevice", result);
        m_boxes.answer = answer;
        makeBar(true);
        const QString logBefore = logText();
        showAndOpen();
        QCOMPARE(m_boxes.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(m_boxes.shown.first().text.contains(message),
                     qPrintable(m_boxes.shown.first().text));
        QVERIFY(logText()
                    .mid(logBefore.size())
                    .contains(QString("ZD_OpenDevice failed.(Cam Zero)(%1)").arg(result)));
        QCOMPARE(traceLines("GA_TrackError(").size(), 1);
    }

    void deviceLostDuringARecordingKeepsTheFile()
    {
        makeBar(true);
        showAndOpen();
        ZDT_ScriptResult("ZD_StartRecord", 1);
        QCOMPARE(m_win->StartRecord(), 1);
        ZDT_ScriptResult("ZD_CheckState.recording", 1);
        const QString file = g_Global.recFilePath;
        writeFile(file, QByteArray(2048, 'r'));
        const int before = int(g_Global.pFilesCatalog->files.size());
        ZDT_ClearTrace();

        QVERIFY(ZDT_RemoveDevice(g_Global.hCore, "usb-VID_1111&PID_0001-1") == 1);
        deliverReports();
        QCOMPARE(int(g_Global.pFilesCatalog->files.size()), before + 1);
        QCOMPARE(FileItemPath(g_Global.pFilesCatalog->files.last()), file);
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(traceLines("ZD_StopRecord(").size(), 1);
        QCOMPARE(traceLines("ZD_CloseDevice(").size(), 1);
        QCOMPARE(m_spy->of(MSG_DEVICE_LOST).size(), 1);
        QCOMPARE(m_bar->videoCombo->findText("Cam Zero"), -1);
        // A lost device makes the list reload open what is there now.
        QCOMPARE(traceLines("ZD_OpenDevice(").size(), 1);
        QVERIFY(traceLines("ZD_OpenDevice(").first().contains("video=USB Capture HDMI"));
        QCOMPARE(m_bar->deviceLost, uint8_t(0));
        ZDT_ClearScript("ZD_CheckState.recording");

        // The box comes back: it is listed again, and the open device stays.
        ZDT_ClearTrace();
        QVERIFY(ZDT_AddDevice(g_Global.hCore,
                              R"({"name": "Cam Zero", "path": "usb-VID_1111&PID_0001-1",
                                  "kind": 0})") == 1);
        deliverReports();
        QVERIFY(m_bar->videoCombo->findText("Cam Zero") >= 0);
        QVERIFY(traceLines("ZD_OpenDevice(").isEmpty());
    }

    void lostDeviceWithNothingElseOpensWhenOneArrives()
    {
        AfxWriteProfileString("Record", "default-video-device-name", "Cam Zero");
        AfxWriteProfileString("Record", "default-video-device-path", "usb-VID_1111&PID_0001-1");
        makeBar(true);
        showAndOpen();
        // Every other video device refuses to open, so the lost flag stays.
        ZDT_ScriptResult("ZD_OpenDevice", -3);
        m_boxes.answer = 1;
        QVERIFY(ZDT_RemoveDevice(g_Global.hCore, "usb-VID_1111&PID_0001-1") == 1);
        deliverReports();
        QCOMPARE(m_bar->deviceLost, uint8_t(1));
        ZDT_ClearScript("ZD_OpenDevice");
        ZDT_ClearTrace();
        QVERIFY(ZDT_AddDevice(g_Global.hCore,
                              R"({"name": "Cam Zero", "path": "usb-VID_1111&PID_0001-1",
                                  "kind": 0})") == 1);
        deliverReports();
        QCOMPARE(traceLines("ZD_OpenDevice(").size(), 1);
        QCOMPARE(m_bar->deviceLost, uint8_t(0));
    }

    void lostDeviceFinishesARecordingTheEngineGaveUp()
    {
        makeBar(false);
        ZDT_ScriptResult("ZD_StartRecord", 1);
        QCOMPARE(m_win->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        // The engine already reports neither device nor recording.
        ZDT_ScriptResult("ZD_CheckState.open", 0);
        ZDT_ScriptResult("ZD_CheckState.recording", 0);
        const int before = int(g_Global.pFilesCatalog->files.size());
        m_bar->DeviceLost();
        QVERIFY(!m_win->recordClock()->isActive());
        QCOMPARE(int(g_Global.pFilesCatalog->files.size()), before + 1);
    }

    // A settings file without a DUD section means the settings' defaults:
    // the share server gets the preview at 1280x720@30, 3 Mbit/s.
    void shareLivePictureFollowsTheSettings_data()
    {
        QTest::addColumn<int>("running");
        QTest::addColumn<int>("enableLive");
        QTest::addColumn<QString>("call");
        QTest::newRow("sharing, defaults") << 1 << 1 << "size=1280x720,fps=30,kbps=3072";
        QTest::newRow("server stopped") << 0 << 1 << "";
        QTest::newRow("live turned off") << 1 << 0 << "";
    }
    void shareLivePictureFollowsTheSettings()
    {
        QFETCH(int, running);
        QFETCH(int, enableLive);
        QFETCH(QString, call);
        g_pIni->remove("DUD");
        const GLOBAL_PARAMS saved = g_Global;
        ReadSetupConfig();
        init();
        g_Global.dudRunning = running;
        g_Global.dudEnableLive = enableLive;
        ZDT_ScriptResult("ZD_StartDUD_live", 1);
        makeBar(true);
        showAndOpen();
        const QStringList calls = traceLines("ZD_StartDUD_live(");
        g_Global.dudRunning = 0;
        g_Global.dudEnableLive = saved.dudEnableLive;
        QCOMPARE(m_boxes.texts(), QStringList());
        QCOMPARE(calls.size(), call.isEmpty() ? 0 : 1);
        if (!call.isEmpty())
            QVERIFY2(calls.first().contains(call), qPrintable(calls.first()));
    }

    void removalOfAnotherDeviceStopsNothing()
    {
        QVERIFY(ZDT_AddDevice(g_Global.hCore, R"({"name": "Spare", "path": "usb-spare",
                                                  "kind": 1})") == 1);
        deliverReports();
        makeBar(true);
        showAndOpen();
        const int count = m_bar->videoCombo->count();
        ZDT_ClearTrace();
        QVERIFY(ZDT_RemoveDevice(g_Global.hCore, "usb-spare") == 1);
        deliverReports();
        QVERIFY(traceLines("ZD_CloseDevice(").isEmpty());
        QCOMPARE(m_bar->videoCombo->count(), count - 1);
        QCOMPARE(m_bar->deviceLost, uint8_t(0));
    }

    void filesWindowMutesAndGivesTheButtonBack()
    {
        g_Global.autoMuteWhenShowFilesDlg = 1;
        makeBar(true);
        showAndOpen();
        QVERIFY(!m_bar->muted);
        ZDT_ClearTrace();
        m_bar->btnFilesClick();
        QFilesManagerDlg* window = QFilesManagerDlg::openInstance();
        QVERIFY(window);
        QCOMPARE(window->parentWidget(), static_cast<QWidget*>(m_bar));
        QVERIFY(!m_bar->btnFiles->isEnabled());
        QCOMPARE(m_bar->mutedForFiles, uint8_t(1));
        QVERIFY(m_bar->muted);
        QVERIFY(traceLines("ZD_AdjustVolume(").last().contains("-255"));
        // The hot key while it is open raises the same window.
        SendMessage(m_bar, MSG_HOTKEY_COMMAND, CMD_OPEN_FILES_MANAGER, 0, nullptr);
        QCOMPARE(QFilesManagerDlg::openInstance(), window);
        window->close();
        QTRY_VERIFY(!QFilesManagerDlg::openInstance());
        QVERIFY(m_bar->btnFiles->isEnabled());
        QVERIFY(!m_bar->muted);
        QCOMPARE(m_bar->mutedForFiles, uint8_t(0));

        // Opened while muted already: closing it leaves the sound off.
        m_bar->Mute_Audio();
        m_bar->btnFilesClick();
        QCOMPARE(m_bar->mutedForFiles, uint8_t(0));
        QFilesManagerDlg::openInstance()->close();
        QTRY_VERIFY(!QFilesManagerDlg::openInstance());
        QVERIFY(m_bar->muted);
        g_Global.autoMuteWhenShowFilesDlg = 0;
    }

    void deviceSetupReopensWithTheChosenFormat()
    {
        AfxWriteProfileString("Record", "default-video-device-name", "Cam Zero");
        AfxWriteProfileString("Record", "default-video-device-path", "usb-VID_1111&PID_0001-1");
        makeBar(true);
        showAndOpen();
        QCOMPARE(m_bar->videoCombo->currentText(), QString("Cam Zero"));
        ZDT_ClearTrace();
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QDeviceSetupWnd*>(QApplication::activeModalWidget())) {
                d->curCapacity.width = 1280;
                d->curCapacity.height = 720;
                d->curCapacity.fps = 30;
                d->curCapacity.fourcc = 0x32595559;
                std::strcpy(d->curCapacity.codecName, "YUY2");
                d->done(1);
            }
        });
        poll.start(10);
        m_bar->btnVideoDevSetupClick();
        QCOMPARE(AfxGetProfileInt("Cam Zero", "last-width", 0), 1280);
        QCOMPARE(AfxGetProfileString("Cam Zero", "last-codec-name", ""), QString("YUY2"));
        QCOMPARE(traceLines("ZD_OpenDevice(").size(), 1);
        QVERIFY(traceLines("ZD_OpenDevice(").first().endsWith("fmt=1280x720@30)"));

        // Cancelled: nothing reopens, the saved filters are put back.
        disconnect(&poll, nullptr, nullptr, nullptr);
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QDeviceSetupWnd*>(QApplication::activeModalWidget()))
                d->done(0);
        });
        ZDT_ClearTrace();
        m_bar->btnVideoDevSetupClick();
        QVERIFY(traceLines("ZD_OpenDevice(").isEmpty());
        QCOMPARE(traceLines("ZD_DeleteFilter(").size(), 1);
    }

    void twoPicturesInOneSecondGetTwoFiles()
    {
        const QString first = getPictPathName(".png");
        const QString second = getPictPathName(".png");
        QVERIFY(first != second);
        QVERIFY(first.startsWith(g_Global.picSaveTo + "/Pic"));
        // A name already on disk is taken as well.
        writeFile(first, "p");
        const QString base = first.left(first.size() - 4);
        QVERIFY(getPictPathName(".png") != first);
        QFile::remove(first);
        Q_UNUSED(base);
    }

    void pictureSavedIsListed()
    {
        makeBar(true);
        showAndOpen();
        const QString path = g_Global.picSaveTo + "/Pic-listed.png";
        writeFile(path, QByteArray(100, 'p'));
        const int before = int(g_Global.pFilesCatalog->files.size());
        ZDT_InjectReport(g_Global.hCore, nullptr, MSG_PICTURE_SAVED, 0, 0,
                         path.toUtf8().constData(), ZDT_TEXT_IN_LPARAM | ZDT_TEXT_IN_PTR);
        deliverReports();
        QCOMPARE(int(g_Global.pFilesCatalog->files.size()), before + 1);
        QCOMPARE(FileItemPath(g_Global.pFilesCatalog->files.last()), path);
    }

    void gifProgressAndEnd()
    {
        makeBar(false);
        m_bar->gifPath = g_Global.picSaveTo + "/Pic-anim.gif";
        writeFile(m_bar->gifPath, "GIF89a");
        SendMessage(m_bar, MSG_GIF_STATE, 2, 999, nullptr);
        QCOMPARE(m_bar->btnGif->text(), QString("0"));
        SendMessage(m_bar, MSG_GIF_STATE, 2, 1500, nullptr);
        QCOMPARE(m_bar->btnGif->text(), QString("1"));
        const int before = int(g_Global.pFilesCatalog->files.size());
        SendMessage(m_bar, MSG_GIF_STATE, 1, 0, nullptr);
        QCOMPARE(m_bar->btnGif->text(), QString());
        QCOMPARE(int(g_Global.pFilesCatalog->files.size()), before + 1);
        // A second end report lists nothing more.
        SendMessage(m_bar, MSG_GIF_STATE, 1, 0, nullptr);
        QCOMPARE(int(g_Global.pFilesCatalog->files.size()), before + 1);
    }

    void recordButtonChecks_data()
    {
        QTest::addColumn<int>("hdr");
        QTest::addColumn<int>("vcodec");
        QTest::addColumn<int>("recHeight");
        QTest::addColumn<int>("devHeight");
        QTest::addColumn<int>("slotSet");
        QTest::addColumn<int>("previewing");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("starts");
        QTest::newRow("hdr without the encoder test: silent")
            << 1 << 0 << 0 << 1080 << -1 << 1 << "" << false;
        QTest::newRow("hdr with the encoder") << 1 << 0 << 0 << 1080 << 13 << 1 << "" << true;
        QTest::newRow("vcodec 0 untested") << 0 << 0 << 0 << 2160 << -1 << 1 << "" << true;
        QTest::newRow("vcodec 4 untested") << 0 << 4 << 0 << 2160 << -1 << 1 << "" << true;
        QTest::newRow("vcodec 1 at 1080 needs slot 0")
            << 0 << 1 << 0 << 1080 << 3 << 1 << "The encoder of recording mp4 is invalid" << false;
        QTest::newRow("vcodec 1 at 1081 uses slot 3")
            << 0 << 1 << 0 << 1081 << 3 << 1 << "" << true;
        QTest::newRow("vcodec 2 at 1080") << 0 << 2 << 1080 << 2160 << 1 << 1 << "" << true;
        QTest::newRow("vcodec 3 above 1080") << 0 << 3 << 1440 << 0 << 5 << 1 << "" << true;
        QTest::newRow("vcodec 5 at 2160 needs slot 9")
            << 0 << 5 << 2160 << 0 << 6 << 1 << "The encoder of recording mp4 is invalid" << false;
        QTest::newRow("no preview")
            << 0 << 0 << 0 << 1080 << -1 << 0 << "Please open capture device firstly." << false;
    }
    void recordButtonChecks()
    {
        QFETCH(int, hdr);
        QFETCH(int, vcodec);
        QFETCH(int, recHeight);
        QFETCH(int, devHeight);
        QFETCH(int, slotSet);
        QFETCH(int, previewing);
        QFETCH(QString, message);
        QFETCH(bool, starts);
        makeBar(false);
        g_Global.deviceHDR = hdr;
        g_Global.recVCodec = vcodec;
        g_Global.recHeight = recHeight;
        g_Global.devHeight = devHeight;
        if (slotSet >= 0)
            g_Global.hwCap[slotSet] = 1;
        if (slotSet == 13)
            g_Global.hwCap[14] = 1;
        ZDT_ScriptResult("ZD_CheckState.previewing", previewing);
        ZDT_ScriptResult("ZD_StartRecord", 1);
        // The encoder test dialog, should it come up, is closed by its
        // window's close button: no test was made.
        bool encoderDialog = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<qNvidiaCardNeed*>(QApplication::activeModalWidget())) {
                encoderDialog = true;
                d->done(0);
            }
        });
        poll.start(10);
        m_bar->btnRecordStartClick();
        poll.stop();
        QCOMPARE(encoderDialog, hdr != 0 && slotSet != 13);
        QCOMPARE(traceLines("ZD_StartRecord(").size(), starts ? 1 : 0);
        if (message.isEmpty()) {
            QVERIFY2(m_boxes.shown.isEmpty() || starts, qPrintable(m_boxes.texts().join("|")));
        } else {
            QCOMPARE(m_boxes.shown.size(), 1);
            QVERIFY(m_boxes.shown.first().text.startsWith(message));
        }
        QVERIFY(m_bar->btnRecord->isEnabled());
    }

    void recordButtonTarget()
    {
        makeBar(false);
        ZDT_ScriptResult("ZD_CheckState.previewing", 1);
        ZDT_ScriptResult("ZD_StartRecord", 1);
        g_Global.recAutoName = false;
        g_Global.recFormat = 4;
        QString filter;
        const QString chosen = CPublic::GetMyVideoPath() + "/Chosen.ts";
        bool accept = false;
        CPublic::setFileDialogHook([&](FileDialogRequest& r) {
            filter = r.filter;
            r.answer = QStringList{chosen};
            return accept;
        });
        // Cancelled: nothing starts and the button is usable again.
        m_bar->btnRecordStartClick();
        QCOMPARE(filter, QString("Media files(*.ts)"));
        QVERIFY(traceLines("ZD_StartRecord(").isEmpty());
        QVERIFY(m_bar->btnRecord->isEnabled());
        QVERIFY(m_boxes.shown.isEmpty());

        // Accepted: the free space is asked of the folder the file goes to.
        accept = true;
        m_boxes.answer = 1;
        m_bar->btnRecordStartClick();
        const QStorageInfo volume(CPublic::GetMyVideoPath());
        const bool low = volume.bytesFree() < 1048576000;
        QCOMPARE(m_boxes.shown.size(), low ? 1 : 0);
        QCOMPARE(traceLines("ZD_StartRecord(").size(), 1);
        QVERIFY(traceLines("ZD_StartRecord(").first().contains("Chosen.ts"));
        m_win->StopRecord();
    }

    void invalidSavePath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("makeFile");
        const QString root = zdtest::sandbox().path();
        QTest::newRow("folder and its parent missing") << root + "/missing/folder" << false;
        // Its parent could take a file of the folder's name, which once let
        // the path test pass and the start fail with a bare number.
        QTest::newRow("folder missing, parent there") << root + "/gone" << false;
        QTest::newRow("a file where the folder should be") << root + "/plainfile" << true;
    }

    // A save folder that cannot take the recording is refused before the
    // engine is asked, with advice that applies on this platform.
    void invalidSavePath()
    {
        QFETCH(QString, folder);
        QFETCH(bool, makeFile);
        makeBar(false);
        ZDT_ScriptResult("ZD_CheckState.previewing", 1);
        ZDT_ScriptResult("ZD_StartRecord", 1);
        if (makeFile) {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        g_Global.recSaveTo = folder;
        m_bar->btnRecordStartClick();
        QCOMPARE(m_boxes.shown.size(), 1);
        QCOMPARE(m_boxes.shown.first().text,
                 "The saving path " + folder +
                     " is invalid.\nPlease check that the folder exists, that you may write to "
                     "it, and that its disk is neither full nor read-only.");
        QVERIFY(traceLines("ZD_StartRecord(").isEmpty());
        QVERIFY(m_bar->btnRecord->isEnabled());
        // The test left nothing where the folder should be.
        QCOMPARE(QFileInfo::exists(folder), makeFile);
        QFile::remove(folder);
    }

    void startFailureIsShown()
    {
        makeBar(false);
        ZDT_ScriptResult("ZD_CheckState.previewing", 1);
        ZDT_ScriptResult("ZD_StartRecord", -3);
        m_bar->btnRecordStartClick();
        QCOMPARE(m_boxes.shown.size(), 1);
        QCOMPARE(m_boxes.shown.first().text,
                 QString("Start recored failed (-3).\nMaybe the video encoder is not supported, "
                         "you can switch to H264(software) encoder and try again."));
    }

    void recordButtonStopsARunningRecordingWithoutAQuestion()
    {
        makeBar(true);
        ZDT_ScriptResult("ZD_StartRecord", 1);
        QCOMPARE(m_win->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        g_Global.recStartTime = qint64(std::time(nullptr)) - 5;
        ZDT_ScriptResult("ZD_CheckState.recording", 1);
        deliverReports();
        QVERIFY(!m_bar->btnPause->isHidden());
        SendMessage(m_bar, MSG_HOTKEY_COMMAND, CMD_RECORD_START_STOP, 0, nullptr);
        QVERIFY(m_boxes.shown.isEmpty());
        QVERIFY(!m_win->recordClock()->isActive());
        QVERIFY(m_bar->btnPause->isHidden());
        QCOMPARE(m_bar->btnRecord->text(), QString("Record(F%1)").arg(g_Global.recHotkeyRec));
    }

    void pausedClockBlinks()
    {
        makeBar(true);
        SendMessage(m_bar, MSG_RECORD_STATE, 0, 0, nullptr);
        QVERIFY(m_bar->elapsedDisplay->isVisible());
        auto tick = [this] {
            SendMessage(m_bar, MSG_RECORD_STATE, 2, 3725, nullptr);
            return m_bar->elapsedDisplay->grab().toImage();
        };
        m_bar->elapsedDisplay->display(QString());
        const QImage blank = m_bar->elapsedDisplay->grab().toImage();
        // Not paused: every tick shows the time.
        const QImage time = tick();
        QVERIFY(time != blank);
        QCOMPARE(tick(), time);
        QCOMPARE(tick(), time);
        // Paused: time and blank take turns.
        m_bar->paused = 1;
        QList<QImage> seen;
        for (int i = 0; i < 4; ++i)
            seen << tick();
        QVERIFY(seen[0] != seen[1]);
        QCOMPARE(seen[2], seen[0]);
        QCOMPARE(seen[3], seen[1]);
        QVERIFY(seen[0] == blank || seen[1] == blank);
        QVERIFY(seen[0] == time || seen[1] == time);
        // Hot key 4098 while not recording pauses nothing.
        ZDT_ClearTrace();
        SendMessage(m_bar, MSG_HOTKEY_COMMAND, CMD_RECORD_PAUSE, 0, nullptr);
        QVERIFY(traceLines("ZD_PauseRecord(").isEmpty());
    }

    void audioNot48kHz()
    {
        makeBar(false);
        SendMessage(m_bar, MSG_AUDIO_NOT_48KHZ, 1, 0, nullptr);
        QVERIFY(m_boxes.shown.isEmpty());
        SendMessage(m_bar, MSG_AUDIO_NOT_48KHZ, 0, 0, nullptr);
        QCOMPARE(m_boxes.shown.size(), 1);
        QVERIFY(m_boxes.shown.first().text.startsWith("The device audio format is not 48KHZ"));
    }

    void previewFailures_data()
    {
        QTest::addColumn<int>("wParam");
        QTest::addColumn<int>("lParam");
        QTest::addColumn<QString>("message");
        QTest::newRow("1") << 0 << 1 << "Start preview failed.(Maybe the device is using).";
        QTest::newRow("4") << 0 << 4 << "Invalid device.";
        QTest::newRow("0") << 0 << 0 << "";
        QTest::newRow("5") << 0 << 5 << "";
        QTest::newRow("other wParam") << 1 << 1 << "";
    }
    void previewFailures()
    {
        QFETCH(int, wParam);
        QFETCH(int, lParam);
        QFETCH(QString, message);
        makeBar(false);
        SendMessage(m_bar, MSG_PREVIEW_FAILED, wParam, lParam, nullptr);
        QCOMPARE(m_boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void previewErrorCode()
    {
        makeBar(false);
        SendMessage(m_bar, MSG_PREVIEW_ERROR_CODE, 0, 2, nullptr);
        SendMessage(m_bar, MSG_PREVIEW_ERROR_CODE, 0, 6, nullptr);
        QCOMPARE(m_boxes.shown.size(), 2);
        QCOMPARE(m_boxes.shown.at(0).text,
                 QString("Start preview failed. (The device is used by another program.)"));
        QCOMPARE(m_boxes.shown.at(1).text, getLang(20, QString()));
        QCOMPARE(traceLines("GA_TrackError(").size(), 2);
    }

    void hdrTurnsSdr()
    {
        makeBar(true);
        showAndOpen();
        // During a recording: HDR on changes only the flag; SDR ends it.
        ZDT_ScriptResult("ZD_StartRecord", 1);
        QCOMPARE(m_win->StartRecord(), 1);
        writeFile(g_Global.recFilePath, "x");
        ZDT_ScriptResult("ZD_CheckState.recording", 1);
        SendMessage(m_bar, MSG_HDR_STATE, 0, 1, nullptr);
        QCOMPARE(g_Global.deviceHDR, 1);
        QVERIFY(m_win->recordClock()->isActive());
        SendMessage(m_bar, MSG_HDR_STATE, 0, 0, nullptr);
        QVERIFY(!m_win->recordClock()->isActive());
        ZDT_ClearScript("ZD_CheckState.recording");
        // Previewing only: SDR switches the 4K30 HDR setting off and reopens.
        g_Global.hdr4k30 = 1;
        ZDT_ClearTrace();
        SendMessage(m_bar, MSG_HDR_STATE, 0, 0, nullptr);
        QCOMPARE(g_Global.hdr4k30, 0);
        QCOMPARE(traceLines("ZD_OpenDevice(").size(), 1);
    }
};

ZD_TEST_MAIN(TestQMyRecordBar, GlobalApplication)
#include "tst_qmyrecordbar.moc"
