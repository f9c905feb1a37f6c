// The live-mode panel: the scene list of the live canvas with its scene menu
// and add-layer button, the choice of RTMP servers, the room link, and the
// live start and stop button with its clock. In live mode the engine is
// opened on the canvas base device "NULL"; every real source is a layer of
// the scene.
#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

#include "qmyrecordwidget.h"
#include "vazURIdav.h"

class QAction;
class QHyperLink;
class QLCDNumber;
class QLabel;
class QMenu;
class QMyLiveSenseBar;
class QMyPushButton;
class QLiveStateShowWnd;
class QTimer;
class RtmpServerComboBox;

class QMyLiveBar : public QMyRecordWidget
{
    Q_OBJECT
public:
    // Data of the scene menu's entries. Scene files have a range of their
    // own above the fixed entries, so no count of files reaches them.
    enum SceneMenuData {
        SceneMenuPreviewSetup = 1,
        SceneMenuSave = 3,
        SceneMenuDefault = 200,
        SceneMenuClearAll = 201,
        SceneMenuFileBase = 1000,
    };

    explicit QMyLiveBar(QWidget* parent);
    ~QMyLiveBar() override;

    void resizeAll() override;
    void updateLang() override;
    void StopAll() override;
    bool IsCanSwitchRecordLive() override;
    void showx(bool show) override;
    void first_show() override;

    void ReloadServerAddress();
    bool LoadSenseFile_basedevice(QString name);
    void StartPlay();
    bool IsCanShowContextMenu();
    void liveStop();

    // One record per ticked server of the box, in the box's order; items
    // whose index is not in the server list are left out.
    std::vector<RTMPSERVERPARAM> TickedServers();
    // The reaction to one server's status report, given the servers of the
    // stream as the engine reports them.
    void OnServerStatus(uint32_t serverId, const std::vector<RTMPSERVERPARAM>& servers);
    // The scene menu as senseStupClick runs it; the caller owns it.
    QMenu* CreateSceneMenu();

    QList<QString> sceneNames;
    QList<QString> scenePaths;
    uint8_t livePicturesSet = 0;
    QLabel* sceneLabel = nullptr;
    QMyPushButton* btnSceneMenu = nullptr;
    QMyPushButton* btnAddLayer = nullptr;
    DEV_CAPACITY canvasFormat = {};
    QMyLiveSenseBar* senseBar = nullptr;
    QMyPushButton* btnInfo = nullptr;
    QLabel* serverLabel = nullptr;
    RtmpServerComboBox* serverBox = nullptr;
    QMyPushButton* btnServerSetup = nullptr;
    QHyperLink* roomLink = nullptr;
    QMyPushButton* btnLive = nullptr;
    QLCDNumber* liveClock = nullptr;
    QLiveStateShowWnd* infoWnd = nullptr;
    QTimer* liveTimer = nullptr;
    uint8_t shown = 0;
    // The working scene was loaded since the panel was last shown: only then
    // does the scene list hold it.
    bool sceneLoaded = false;

public slots:
    void ShowLiveInfoWnd();
    void liveStartClick();
    void liveServerSetup();
    void senseStupClick();
    void senseAddClick();
    void menu_tt(QAction* action);
    void timer_live();
    void onLiveRoomClick();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void stopSequence();
    // Below the scene menu and add-layer buttons: a button's bottom-left
    // corner on the screen.
    QPoint belowButton(QWidget* button) const;
    bool saveScene(const QString& name);
    // Saves "default" when the scene list holds the working scene.
    void saveWorkingScene();
    // A "default" that cannot be read whole is moved aside before a save
    // can replace it, and the user told where it went.
    void keepDamagedWorkingScene();
};
