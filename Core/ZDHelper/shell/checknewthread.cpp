#include "checknewthread.h"

#include "cnetwork.h"
#include "myevent.h"
#include "stdafx.h"

#include <QCoreApplication>

CheckNewThread::CheckNewThread(QObject* parent) : QThread(parent) {}

CheckNewThread::~CheckNewThread()
{
    wait();
}

bool CheckNewThread::IsNewer(int versionNumber, int buildNumber)
{
    if (versionNumber != NUM_IVER)
        return versionNumber > NUM_IVER;
    return buildNumber > NUM_BUILD;
}

void CheckNewThread::run()
{
    const bool ok = CheckNewVersion2(versionText, versionNumber, buildNumber, picturePath);
    QObject* receiver = target ? target : AfxGetMainWindow();
    if (receiver == nullptr)
        return;
    QCoreApplication::postEvent(receiver, new MyEvent(MSG_VERSION_CHECK_DONE, ok ? 1 : 0,
                                                      reinterpret_cast<qintptr>(this), nullptr));
}
