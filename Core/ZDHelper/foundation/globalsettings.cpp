#include "globalsettings.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QSettings>

#include "cpublic.h"
#include "liveserveraddresshelper.h"
#include "qmyfileshelper.h"
#include "qmyfilterhelper.h"
#include "qmysettingsfile.h"
#include "qmytimerhelper.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{

QMyTimerHelper* makeScheduleStore(const QString& name)
{
    auto* store = new QMyTimerHelper(nullptr, name);
    store->loadSchedules();
    // A first start leaves the empty store on disk, so that every list the
    // program keeps exists from then on; an existing file is never replaced
    // here, damaged or not.
    if (!QFileInfo::exists(store->filePath()))
        store->saveSchedules();
    return store;
}

} // namespace

void OEM_define() {}

void GA_Init()
{
    GA_SetAppInfo("tarnex", APP_NAME.toLocal8Bit().constData(),
                  APP_VERSION.toLocal8Bit().constData());
    GA_help_event_launch(GA_RELEASE_DATE.toLocal8Bit().constData(), 1);
}

void GA_Release()
{
    GA_help_exit();
    GA_SubmitByDelayExe();
}

void InitGlobalSettings()
{
    const QString appData = CPublic::GetAppDatePath();
    const QByteArray appDataLocal = appData.toLocal8Bit();
    const QByteArray programLocal = CPublic::GetExePath().toLocal8Bit();
    const QByteArray resourcesLocal = CPublic::GetResourcePath().toLocal8Bit();
    ZD_Initalize(&g_Global.hCore, appDataLocal.constData(), programLocal.constData(),
                 resourcesLocal.constData(), APP_NAME.toLocal8Bit().constData(),
                 APP_VERSION.toLocal8Bit().constData());
    // Pictures of recordings a killed run never listed.
    CPublic::RemoveTempLeftovers();

    {
        QMutexLocker lock(&g_iniLock);
        g_pIni = QMySettingsFile::Open(appData + "/setting.ini");
    }
    ReadSetupConfig();

    ZD_SetLocalString(23, getLang(23, QString()).toUtf8().constData());

    g_Global.pRecordTimers = makeScheduleStore("RecordTimer");
    g_Global.pLiveTimers = makeScheduleStore("LiveRecTimer");
    g_Global.pFilterStore = new QMyFilterHelper(nullptr);
    g_Global.pFilesCatalog = new QMyFilesHelper(nullptr);
    g_Global.pFilesCatalog->LoadAllFiles();
    g_Global.pServerList = new QLiveServerAddressHelper();

    if (g_Global.dudEnableServer)
        g_Global.dudRunning =
            ZD_StartDUD_Server(g_Global.hCore, g_Global.dudServerPort) == 1 ? 1 : 0;

    ZD_SetHWData(g_Global.hwCap[0], g_Global.hwCap[1], g_Global.hwCap[2], g_Global.hwCap[6]);
    ZD_SetAudioRenderDevices(g_Global.hCore, g_Global.audioRender.toUtf8().constData());
    GA_Init();
}

void ReleaseGlobalSettings()
{
    SaveSetupConfig();
    {
        // The news thread may still be reading a profile value; it holds the
        // same lock, so it sees either the settings object or none.
        QMutexLocker lock(&g_iniLock);
        delete g_pIni;
        g_pIni = nullptr;
    }

    delete g_Global.pRecordTimers;
    g_Global.pRecordTimers = nullptr;
    delete g_Global.pLiveTimers;
    g_Global.pLiveTimers = nullptr;
    delete g_Global.pFilterStore;
    g_Global.pFilterStore = nullptr;
    delete g_Global.pFilesCatalog; // saves files.dat
    g_Global.pFilesCatalog = nullptr;
    delete g_Global.pServerList; // saves rtmpserver
    g_Global.pServerList = nullptr;

    ZD_Log(2, "******************EXIT************************");
    ZD_Release(&g_Global.hCore);
    GA_help_exit();
    GA_SubmitByDelayExe();
}
