#include "checkadthread.h"

#include "myevent.h"
#include "stdafx.h"
#include "vazURIdav.h"

#include <QCoreApplication>

#include <cstring>
#include <memory>

CheckAdThread::CheckAdThread(QObject* parent) : QThread(parent) {}

CheckAdThread::~CheckAdThread()
{
    wait();
}

QByteArray CheckAdThread::NewsQuery()
{
    // QString::number ignores the locale, so the version always reads "1.10".
    QByteArray query = APP_NAME_SHORT.toLocal8Bit() + ":appname=" + APP_NAME.toLocal8Bit() +
                       "&ver=" + QString::number(NUM_IVER / 100.0, 'f', 2).toLatin1();
    query.truncate(1023);
    return query;
}

void CheckAdThread::TakeRecord(const POPUP_AD_DATA& record)
{
    show = record.show;
    newsIdText = QString::number(record.newsId);
    pageUrl = QString::fromUtf8(record.url, qsizetype(strnlen(record.url, sizeof record.url)));
    windowRect = QRect(0, 0, record.width, record.height);
    closeDelay = record.closeDelaySecs;
}

void CheckAdThread::run()
{
    const QByteArray query = NewsQuery();
    const std::unique_ptr<POPUP_AD_DATA> record(ZD_GetPopupAd_Data(query.constData()));
    if (!record)
        return;
    TakeRecord(*record);

    // The settings store is shared with the GUI thread; the profile readers
    // hold its lock.
    const int declined = AfxGetProfileInt(QStringLiteral("POPUPAD"), newsIdText, 0);
    if (record->force != 0)
        show = 1;
    else if (declined != 0) {
        show = 0;
        return;
    }

    QWidget* mainWindow = AfxGetMainWindow();
    if (mainWindow == nullptr)
        return;
    QObject* receiver = target ? target : mainWindow;
    QCoreApplication::postEvent(
        receiver, new MyEvent(MSG_POPUP_NEWS_READY, 1, reinterpret_cast<qintptr>(this), nullptr));
}
