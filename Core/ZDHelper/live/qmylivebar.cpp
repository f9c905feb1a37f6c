#include "qmylivebar.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFont>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QUrl>

#include <cstring>

#include "cpublic.h"
#include "liveinfo.h"
#include "liveserveraddresshelper.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qhyperlink.h"
#include "qlivesavenamedlg.h"
#include "qlivescenesetupdlg.h"
#include "qliveservermanagdlg.h"
#include "qlivestateshowwnd.h"
#include "qmyfilterhelper.h"
#include "qmyfilters.h"
#include "qmylivesensebar.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmytimerbar.h"
#include "rtmpservercombobox.h"
#include "scenefile.h"
#include "screenscale.h"
#include "stdafx.h"
#include "zdhelpergui.h"

namespace
{

constexpr int kLiveTickMs = 1000;
const QString kWorkingScene = QStringLiteral("default");

// The four-character code of the canvas picture: "YV12".
constexpr uint32_t kCanvasFourcc = 0x32315659;

void setFieldText(char* field, int size, const QString& text)
{
    strcpy_s(field, size, text.toUtf8().constData());
}

// "/" and the key appended to what the url field holds, cut at the field's
// last byte before its terminator.
void appendToUrl(RTMPSERVERPARAM& server, const QByteArray& tail)
{
    const size_t used = qstrnlen(server.url, sizeof server.url);
    const size_t room = sizeof server.url - 1 - used;
    const size_t n = qMin(room, size_t(tail.size()));
    std::memcpy(server.url + used, tail.constData(), n);
    server.url[used + n] = '\0';
}

QString clockText(int secs)
{
    return QString::asprintf("%02d:%02d:%02d", secs / 3600, secs % 3600 / 60, secs % 60);
}

} // namespace

QMyLiveBar::QMyLiveBar(QWidget* parent) : QMyRecordWidget(parent)
{
    liveLook = 1;
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("normal_combobox.qss"))));

    sceneLabel = new QLabel(this);
    btnSceneMenu = new QMyPushButton(this);
    btnAddLayer = new QMyPushButton(this);
    btnLive = new QMyPushButton(this);
    liveClock = new QLCDNumber(this);
    serverLabel = new QLabel(this);
    serverBox = new RtmpServerComboBox(this);
    btnServerSetup = new QMyPushButton(this);
    roomLink = new QHyperLink(this);
    btnInfo = new QMyPushButton(this);
    btnInfo->hide();

    QFont bold = font();
    bold.setWeight(QFont::Bold);
    sceneLabel->setFont(bold);
    serverLabel->setFont(bold);
    roomLink->alpha = 150;
    btnLive->fontPointSize = 12;
    btnLive->textLeftRatio = 0.15f;

    senseBar = new QMyLiveSenseBar(this);

    liveClock->setSegmentStyle(QLCDNumber::Flat);
    liveClock->setDigitCount(8);
    liveClock->setFrameShape(QFrame::NoFrame);
    liveClock->setStyleSheet(QStringLiteral("color:rgb(255,0,0);"));
    liveClock->display(QStringLiteral("00:00:00"));
    liveClock->hide();
    btnLive->SetPicture(QStringLiteral(":/images/res/start.png"), 4);

    connect(btnLive, &QPushButton::clicked, this, &QMyLiveBar::liveStartClick);
    connect(btnServerSetup, &QPushButton::clicked, this, &QMyLiveBar::liveServerSetup);
    connect(btnSceneMenu, &QPushButton::clicked, this, &QMyLiveBar::senseStupClick);
    connect(btnAddLayer, &QPushButton::clicked, this, &QMyLiveBar::senseAddClick);
    connect(btnInfo, &QPushButton::clicked, this, &QMyLiveBar::ShowLiveInfoWnd);
    connect(roomLink, &QPushButton::clicked, this, &QMyLiveBar::onLiveRoomClick);

    timerBar = new QMyTimerBar(this, g_Global.pLiveTimers);
    liveTimer = new QTimer(this);
    connect(liveTimer, &QTimer::timeout, this, &QMyLiveBar::timer_live);

    for (QMyPushButton* b : {btnRecord, btnLive}) {
        b->textColor = QColor(255, 255, 255, 255);
        b->useTextColor = 1;
    }

    ReloadServerAddress();
    updateLang();
}

QMyLiveBar::~QMyLiveBar()
{
    saveWorkingScene();
}

bool QMyLiveBar::saveScene(const QString& name)
{
    return senseBar && senseBar->SaveSenseFile(name);
}

void QMyLiveBar::saveWorkingScene()
{
    // Until the working scene has been loaded the scene list is empty, not
    // the user's scene: saving it then would write an empty scene over it.
    if (shown && sceneLoaded)
        saveScene(kWorkingScene);
}

void QMyLiveBar::keepDamagedWorkingScene()
{
    const QString kept = SceneFile::KeepAsideIfDamaged(SceneFile::PathOf(kWorkingScene));
    if (kept.isEmpty())
        return;
    AddLog(2, QStringLiteral("The working scene could not be read whole; kept as ") + kept);
    AfxMessageBox(nullptr,
                  getLang(22018,
                          QStringLiteral("The working scene could not be read whole. It was kept "
                                         "as #v1#."),
                          kept),
                  MSGBOX_ERROR);
}

// ---- Server box ------------------------------------------------------------------

void QMyLiveBar::ReloadServerAddress()
{
    serverBox->Clear();
    if (!g_Global.pServerList)
        return;
    const QList<SERVER_ADDRITEM*>& servers = g_Global.pServerList->servers;
    for (int i = 0; i < servers.size(); ++i) {
        serverBox->AddItem(servers[i]->name, servers[i]->enabled, QVariant(i));
        serverBox->UpdateText();
    }
}

// ---- Layout and texts ------------------------------------------------------------

void QMyLiveBar::resizeAll()
{
    QMyRecordWidget::resizeAll();
    const double d = g_dpi_percent;
    const int H = height();
    const int t = int(25 * d);
    const int L = H > 600 * d ? H - 500 : 100;
    auto bottom = [&](int x, int k, int w, int h) {
        return scale_rect_bottom2(x, int(H - k * d), w, h);
    };

    btnRecDur->setGeometry(bottom(25, 150, 20, 20));
    elapsedDisplay->setGeometry(bottom(56, 155, 120, 30));
    btnPause->setGeometry(bottom(235, 160, 40, 40));
    if (!btnPause->isHidden()) {
        btnRecord->setGeometry(bottom(190, 160, 40, 40));
        btnRecord->setText(QString());
    } else {
        btnRecord->setGeometry(bottom(90, 160, 140, 40));
        btnRecord->setText(recordText->text());
    }
    if (timerBar)
        timerBar->setGeometry(bottom(30, 260, 240, 90));

    sceneLabel->setGeometry(scale_rect2(20, 5, 120, 20));
    btnSceneMenu->setGeometry(scale_rect2(260, 5, 20, 20));
    btnAddLayer->setGeometry(scale_rect2(230, 5, 20, 20));
    senseBar->setGeometry(scale_rect2(20, t, 260, L));
    serverLabel->setGeometry(scale_rect2(20, t + L + 10, 260, 18));
    serverBox->setGeometry(scale_rect2(40, t + L + 28, 200, 25));
    btnServerSetup->setGeometry(scale_rect2(250, t + L + 28, 20, 20));
    roomLink->setGeometry(scale_rect2(40, t + L + 58, 200, 20));
    liveClock->setGeometry(scale_rect2(60, t + L + 96, 150, 40));
    btnInfo->setGeometry(scale_rect2(230, t + L + 106, 20, 20));

    if (!g_Global.liveRunning) {
        btnLive->setText(getLang(19000, QStringLiteral("Start Live")));
        btnLive->setGeometry(scale_rect2(90, t + L + 96, 140, 40));
        liveClock->hide();
        btnLive->SetPicture(QStringLiteral(":/images/res/start.png"), 4);
        btnInfo->hide();
    } else {
        btnLive->setGeometry(scale_rect2(90, t + L + 146, 140, 40));
        btnLive->setText(getLang(19001, QStringLiteral("Stop Live")));
        liveClock->show();
        btnLive->SetPicture(QStringLiteral(":/images/res/live-stop.png"), 4);
        btnInfo->show();
    }

    senseBar->ScreenResizeEvent(nullptr);

    if (!livePicturesSet) {
        livePicturesSet = 1;
        btnAddLayer->SetPicture(QStringLiteral(":/images/res/add.png"), 4);
        btnSceneMenu->SetPicture(QStringLiteral(":/images/res/live/menu.png"), 4);
        btnServerSetup->SetPicture(QStringLiteral(":/images/res/setup.png"), 4);
        btnRecDur->SetPicture(QStringLiteral(":/images/res/sch.png"), 4);
        btnInfo->SetPicture(QStringLiteral(":/images/res/live/info.png"), 4);
        btnPause->SetPicture(QStringLiteral(":/images/res/pause2.png"), 4);
        btnRecord->SetPicture(QStringLiteral(":/images/res/rec-start2.png"), 4);
        AdjustFonts(this);
    }
}

void QMyLiveBar::updateLang()
{
    QMyRecordWidget::updateLang();
    serverLabel->setText(getLang(19002, QStringLiteral("Live stream server:")));
    roomLink->setText(getLang(19003, QStringLiteral("Open live room")));
    if (!g_Global.liveRunning)
        btnLive->setText(getLang(19000, QStringLiteral("Start Live")));
    else
        btnLive->setToolTip(getLang(19001, QStringLiteral("Stop Live")));
    sceneLabel->setText(getLang(19004, QStringLiteral("My scene")));
    btnSceneMenu->setToolTip(getLang(19030, QStringLiteral("Setup")));
    btnInfo->setToolTip(getLang(19027, QStringLiteral("Show information")));
    if (timerBar)
        timerBar->updateLang();
    btnAddLayer->setToolTip(getLang(19029, QStringLiteral("Add a device")));
    btnServerSetup->setToolTip(getLang(19038, QStringLiteral("Server setup")));
}

// ---- Showing, the canvas and the working scene -----------------------------------

void QMyLiveBar::showx(bool show)
{
    QMyRecordWidget::showx(show);
    if (!show) {
        saveWorkingScene();
        senseBar->CloseAll();
        sceneLoaded = false;
    }
    // The live panel runs no schedules: its strip stays hidden.
    if (timerBar)
        timerBar->showx(false);
    shown = show ? 1 : 0;
}

void QMyLiveBar::first_show()
{
    if (LoadSenseFile_basedevice(kWorkingScene))
        senseBar->LoadSenseFile_subdevices(kWorkingScene);
    else
        StartPlay();
    // Before anything can save the working scene over the file.
    keepDamagedWorkingScene();
    sceneLoaded = true;
    if (senseBar->rowCount() == 0 && !senseBar->AddDefaultCamera())
        SendMessage(nullptr, MSG_NO_DEVICE_PICTURE, 1, 0, nullptr);
}

bool QMyLiveBar::LoadSenseFile_basedevice(QString name)
{
    // The header is checked whole before anything changes: a damaged or
    // foreign file leaves the canvas as it is.
    SCENE_FILE_HEADER header = {};
    const QString path = SceneFile::PathOf(name);
    if (path.isEmpty() || !SceneFile::ReadHeader(path, header))
        return false;
    g_Global.liveBaseWidth = header.width;
    g_Global.liveBaseHeight = header.height;
    g_Global.liveBaseFps = header.fps;
    StopAll();
    StartPlay();
    return true;
}

void QMyLiveBar::StartPlay()
{
    QWidget* host = AfxGetPlayWindow();
    if (host == nullptr)
        return;
    if (!CloseDeviceToReopen())
        return;

    DEV_NAME video;
    std::memset(&video, 0, sizeof video);
    strcpy_s(video.name, int(sizeof video.name), "NULL");
    strcpy_s(video.path, int(sizeof video.path), "NULL");
    DEV_NAME audio = video;
    DEV_CAPACITY capacity;
    std::memset(&capacity, 0, sizeof capacity);
    GetLiveBaseWidthHeightFps(capacity.width, capacity.height, capacity.fps);
    capacity.fourcc = kCanvasFourcc;

    const int r =
        ZD_OpenDevice(g_Global.hCore, ZD_WINDOW_ID(host->winId()), nullptr, g_Global.keepAspect,
                      g_Global.videoRender, &video, &audio, &capacity, 10000000);
    if (r != 1) {
        ZD_Log(8, "ZD_OpenDevice failed.(%s)(%d)", video.name, r);
        ShowOpenDeviceFailure(r, QStringLiteral("NULL"));
        return;
    }
    ApplyDeviceFilters(QStringLiteral("NULL"));
    StartDudLiveWhenSharing();
    UnMute_Audio(true);
}

bool QMyLiveBar::IsCanShowContextMenu()
{
    return senseBar->IsCanShowContextMenu();
}

// ---- Messages ----------------------------------------------------------------------

bool QMyLiveBar::event(QEvent* e)
{
    if (e->type() != MyEvent::EventType)
        return QMyRecordWidget::event(e);
    senseBar->event(e);
    auto* m = static_cast<MyEvent*>(e);
    switch (m->msg) {
    case MSG_DEVICE_OPENED:
        if (m->wParam == 0) {
            char text[ZD_TEXT_BUFFER_BYTES];
            std::memset(text, 0, sizeof text);
            ZD_GetCurrentDeviceCapacity(g_Global.hCore, &canvasFormat, text);
            g_Global.devWidth = canvasFormat.width;
            g_Global.devHeight = canvasFormat.height;
            g_Global.devFps = canvasFormat.fps;
            g_Global.devIsP010 = 0;
            g_Global.videoRenderInUse = 0;
        }
        break;
    case MSG_PICTURE_SAVED:
        if (m->wParam == 0)
            onPictureSavedReport(m->lParam);
        break;
    case MSG_PREVIEW_SETTINGS_CHANGED:
        saveWorkingScene();
        first_show();
        break;
    case MSG_LIVE_SERVER_STATUS:
        if (m->lParam == 1)
            OnServerStatus(uint32_t(m->wParam), ReadLiveServers(g_Global.hCore));
        break;
    case MSG_LIVE_FLV_FAILED:
        // The engine reports a copy's failure once; the stream goes on.
        AfxMessageBox(nullptr,
                      getLang(19041,
                              QStringLiteral("The live stream can no longer be saved to the flv "
                                             "file (#v1#). The live broadcast goes on."),
                              QString::fromLocal8Bit(std::strerror(int(m->lParam)))),
                      MSGBOX_ERROR);
        break;
    default:
        break;
    }
    return QMyRecordWidget::event(e);
}

void QMyLiveBar::closeEvent(QCloseEvent* e)
{
    QMyRecordWidget::closeEvent(e);
}

// ---- Live start and stop -------------------------------------------------------------

bool QMyLiveBar::IsCanSwitchRecordLive()
{
    // Both questions come before anything stops, so that a "No" to the
    // second leaves the stream and the recording as they were.
    int living = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, nullptr, nullptr, &living);
    if (living && AfxMessageBoxQuestion(
                      nullptr, getLang(11039, QStringLiteral("The live stream is running, are you "
                                                             "sure to stop and switch the "
                                                             "interface?"))) != 1)
        return false;
    if (!ConfirmStopRecordingToSwitch())
        return false;
    if (living)
        stopSequence();
    StopRecordingToSwitch();
    return true;
}

void QMyLiveBar::stopSequence()
{
    btnLive->setEnabled(false);
    btnLive->repaint();
    ZD_StopLive(g_Global.hCore);
    btnLive->setEnabled(true);
    btnLive->setCurState(0);
    btnLive->repaint();
    g_Global.liveRunning = false;
    resizeAll();
    liveTimer->stop();
}

void QMyLiveBar::liveStop()
{
    stopSequence();
}

void QMyLiveBar::StopAll()
{
    int living = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, nullptr, nullptr, &living);
    if (living)
        stopSequence();
    QMyRecordWidget::StopAll();
}

std::vector<RTMPSERVERPARAM> QMyLiveBar::TickedServers()
{
    std::vector<RTMPSERVERPARAM> servers;
    if (!g_Global.pServerList)
        return servers;
    const QList<SERVER_ADDRITEM*>& list = g_Global.pServerList->servers;
    for (const ItemInfo& item : serverBox->GetSelItemsInfo()) {
        bool ok = false;
        const int index = item.data.toInt(&ok);
        if (!ok || index < 0 || index >= list.size() || list[index] == nullptr)
            continue;
        const SERVER_ADDRITEM& entry = *list[index];
        RTMPSERVERPARAM server;
        std::memset(&server, 0, sizeof server);
        server.owner = uint64_t(reinterpret_cast<uintptr_t>(this));
        setFieldText(server.name, int(sizeof server.name), entry.name);
        setFieldText(server.url, int(sizeof server.url), entry.address);
        appendToUrl(server, QByteArray("/") + entry.key.toUtf8());
        servers.push_back(server);
    }
    return servers;
}

void QMyLiveBar::liveStartClick()
{
    void* h = g_Global.hCore;
    int previewing = 0;
    int living = 0;
    ZD_CheckState(h, nullptr, &previewing, nullptr, nullptr, &living);
    if (living) {
        stopSequence();
        return;
    }
    if (!previewing) {
        ZD_Log(2, "Can not start living stream, please open device firstlly.");
        return;
    }
    std::vector<RTMPSERVERPARAM> servers = TickedServers();
    if (servers.empty()) {
        AfxMessageBox(nullptr,
                      getLang(19018, QStringLiteral("You have not select any RTMP server.")),
                      MSGBOX_ERROR);
        return;
    }
    btnLive->setEnabled(false);
    btnLive->repaint();

    QByteArray flv;
    bool withFlv = false;
    if (g_Global.liveSaveFlv) {
        const QString path =
            g_Global.liveFlvDir + QStringLiteral("/Live-") +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")) +
            QStringLiteral(".flv");
        flv = path.toUtf8();
        // The engine takes the path from a 256-byte field: a longer one would
        // name another file, so it is as invalid as an unwritable one.
        withFlv = flv.size() < 256 && IsSavePathValid(path);
        if (!withFlv)
            AfxMessageBox(nullptr,
                          getLang(19019, QStringLiteral("The save path of the flv file you set is "
                                                        "incorrect, which will cause the video to "
                                                        "not be saved locally during the live "
                                                        "broadcast.")),
                          MSGBOX_NOTICE);
    }

    const int r = ZD_StartLive(h, servers.data(), int(servers.size()), g_Global.liveWidth,
                               g_Global.liveHeight, g_Global.liveFps, g_Global.liveBitrate,
                               withFlv ? flv.constData() : nullptr);
    if (r > 0) {
        liveClock->display(QStringLiteral("00:00:00"));
        g_Global.liveRunning = true;
        resizeAll();
        g_Global.liveElapsedSecs = 0;
        liveTimer->start(kLiveTickMs);
    } else {
        AfxMessageBox(nullptr, getLang(19020, QStringLiteral("Start live stream failed.")),
                      MSGBOX_NOTICE);
    }
    btnLive->setEnabled(true);
    btnLive->setCurState(0);
    btnLive->repaint();
}

void QMyLiveBar::timer_live()
{
    g_Global.liveElapsedSecs += 1;
    liveClock->display(clockText(g_Global.liveElapsedSecs));
}

void QMyLiveBar::OnServerStatus(uint32_t serverId, const std::vector<RTMPSERVERPARAM>& servers)
{
    if (servers.empty())
        return;
    size_t failed = 0;
    for (const RTMPSERVERPARAM& server : servers) {
        if (server.connected != 0)
            continue;
        ++failed;
        if (uint32_t(server.serverId) == serverId)
            AfxMessageBox(nullptr,
                          getLang(19028, QStringLiteral("Connect to server #v1# failed."),
                                  LiveServerName(server)),
                          MSGBOX_ERROR);
    }
    if (failed == servers.size())
        stopSequence();
}

void QMyLiveBar::ShowLiveInfoWnd()
{
    if (infoWnd) {
        infoWnd->setParent(nullptr);
        delete infoWnd;
        infoWnd = nullptr;
    }
    infoWnd = new QLiveStateShowWnd(this);
    const QPoint corner = mapToGlobal(btnInfo->geometry().bottomRight());
    infoWnd->move(corner.x() - infoWnd->width(), corner.y());
    infoWnd->show();
}

// ---- Scene menu, layers, servers and room link -------------------------------------

QPoint QMyLiveBar::belowButton(QWidget* button) const
{
    return mapToGlobal(button->geometry().topLeft() + QPoint(0, button->width()));
}

QMenu* QMyLiveBar::CreateSceneMenu()
{
    auto* menu = new QMenu();
    AdjustFonts(menu);
    menu->addAction(getLang(19009, QStringLiteral("Preview Setup")))
        ->setData(int(SceneMenuPreviewSetup));
    menu->addSeparator();
    if (QMenu* load = menu->addMenu(getLang(19010, QStringLiteral("Load")))) {
        AdjustFonts(load);
        QStringList paths;
        QStringList names;
        CPublic::EnumDirFiles(CPublic::GetSceneDataPath(), QString(), &paths, &names);
        scenePaths = paths;
        sceneNames = names;
        for (int i = 0; i < sceneNames.size(); ++i) {
            if (sceneNames[i] == kWorkingScene)
                continue;
            load->addAction(sceneNames[i])->setData(int(SceneMenuFileBase) + i);
        }
        load->addSeparator();
        load->addAction(getLang(19011, QStringLiteral("Default")))->setData(int(SceneMenuDefault));
        load->addSeparator();
        load->addAction(getLang(19013, QStringLiteral("Clear all")))
            ->setData(int(SceneMenuClearAll));
    }
    menu->addSeparator();
    menu->addAction(getLang(19012, QStringLiteral("Save")))->setData(int(SceneMenuSave));
    menu->addSeparator();
    menu->setStyleSheet(QStringLiteral(
        "QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} QMenu::Item:selected{background: "
        "#5a69e1;} QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}"));
    connect(menu, &QMenu::triggered, this, &QMyLiveBar::menu_tt);
    return menu;
}

void QMyLiveBar::senseStupClick()
{
    QMenu* menu = CreateSceneMenu();
    menu->exec(belowButton(btnSceneMenu));
    delete menu;
}

void QMyLiveBar::menu_tt(QAction* action)
{
    if (action == nullptr)
        return;
    const int data = action->data().toInt();
    if (data == SceneMenuPreviewSetup) {
        QLiveSceneSetupDlg dialog(this);
        dialog.width = g_Global.liveBaseWidth;
        dialog.height = g_Global.liveBaseHeight;
        dialog.fps = g_Global.liveBaseFps;
        dialog.InitValues();
        if (dialog.exec() == 1) {
            if (dialog.width == g_Global.liveBaseWidth &&
                dialog.height == g_Global.liveBaseHeight && dialog.fps == g_Global.liveBaseFps)
                return;
            g_Global.liveBaseWidth = dialog.width;
            g_Global.liveBaseHeight = dialog.height;
            g_Global.liveBaseFps = dialog.fps;
            saveWorkingScene();
            first_show();
        } else if (deviceFilters) {
            deviceFilters->loadDeviceFilters();
            deviceFilters->ApplyAllFilters();
        }
    } else if (data == SceneMenuSave) {
        QLiveSaveNameDlg dialog(AfxGetMainWindow());
        if (dialog.exec() != 1)
            return;
        // The scene list refuses a name that cannot be a file name.
        if (!SceneFile::IsValidName(dialog.name)) {
            AfxMessageBox(nullptr, getLang(19015, QStringLiteral("Invalid file name")),
                          MSGBOX_NOTICE);
            return;
        }
        if (saveScene(dialog.name))
            AfxMessageBox(nullptr, getLang(19007, QStringLiteral("Save scene OK.")), MSGBOX_NOTICE);
        else
            AfxMessageBox(nullptr, getLang(19008, QStringLiteral("Save scene failed.")),
                          MSGBOX_NOTICE);
    } else if (data == SceneMenuDefault || data >= SceneMenuFileBase) {
        QString name;
        if (data >= SceneMenuFileBase) {
            const qsizetype index = qsizetype(data) - SceneMenuFileBase;
            if (index >= sceneNames.size())
                return;
            name = sceneNames[index];
        }
        LoadSenseFile_basedevice(name);
        senseBar->LoadSenseFile_subdevices(name);
        if (name.isEmpty())
            keepDamagedWorkingScene();
    } else if (data == SceneMenuClearAll) {
        if (AfxMessageBoxQuestion(
                nullptr,
                getLang(19014, QStringLiteral("Are you sure to delete all scene profile?")),
                getLang(3, QStringLiteral("Yes")), getLang(4, QStringLiteral("No"))) != 1)
            return;
        for (const QString& path : std::as_const(scenePaths)) {
            if (!path.endsWith(QStringLiteral("/default")))
                DelFile(path);
        }
        // The list files only those scenes named go with them.
        senseBar->RemoveUnusedListFiles();
    }
}

void QMyLiveBar::senseAddClick()
{
    senseBar->ShowMenu(belowButton(btnAddLayer));
}

void QMyLiveBar::liveServerSetup()
{
    {
        QLiveServerManagDlg dialog(this);
        dialog.exec();
    }
    ReloadServerAddress();
}

void QMyLiveBar::onLiveRoomClick()
{
    bool any = false;
    if (g_Global.pServerList) {
        for (const SERVER_ADDRITEM* entry : std::as_const(g_Global.pServerList->servers)) {
            if (entry == nullptr || entry->roomUrl.isEmpty())
                continue;
            any = true;
            QDesktopServices::openUrl(QUrl(entry->roomUrl, QUrl::TolerantMode));
        }
    }
    if (!any)
        AfxMessageBox(nullptr, getLang(34, QStringLiteral("You have not set live stream room URL")),
                      MSGBOX_NOTICE);
}
