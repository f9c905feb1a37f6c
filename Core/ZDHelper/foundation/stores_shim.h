// TEMPORARY stand-ins for the foundation's globals and helpers, so the stores
// build before the foundation lands. Deleted once it is merged.
#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QString>
#include <cstring>

#include "vazURIdav.h"

class QMyTimerHelper;
class QMyFilterHelper;
class QMyFilesHelper;
class QLiveServerAddressHelper;

struct GLOBAL_PARAMS {
    QMyTimerHelper* pRecordTimers = nullptr;
    QMyTimerHelper* pLiveTimers = nullptr;
    QMyFilterHelper* pFilterStore = nullptr;
    void* hCore = nullptr;
    QMyFilesHelper* pFilesCatalog = nullptr;
    QLiveServerAddressHelper* pServerList = nullptr;
};
inline GLOBAL_PARAMS g_Global;

struct CPublic {
    QString GetAppDatePath()
    {
        QString p = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                    "/Veltrano Helper";
        QDir().mkpath(p);
        return p;
    }
    QString GetCacheDataPath()
    {
        QString p = GetAppDatePath() + "/CacheData";
        QDir().mkpath(p);
        return p;
    }
};
inline CPublic g_Public;

inline void AddLog(int level, const QString& text)
{
    ZD_Log(level, "%s", text.toLatin1().constData());
}
inline QString getLang(int, const QString& def, const QString& v1 = QString(),
                       const QString& v2 = QString(), const QString& v3 = QString())
{
    QString s = def;
    s.replace("#v1#", v1).replace("#v2#", v2).replace("#v3#", v3).replace("^", "\n");
    return s;
}
inline int getTickCount()
{
    return static_cast<int>(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
}
inline void strcpy_s(char* dst, int size, const char* src)
{
    size_t n = strlen(src);
    if (static_cast<long>(n) < size)
        memcpy(dst, src, n + 1);
    else
        memset(dst, 0, size);
}
inline bool IsFileExisted(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}
inline bool DelFile(const QString& path)
{
    return !path.isEmpty() && QFile::remove(path);
}
inline bool CreateThumbPict(const QString& src, const QString& dst, int w, int h)
{
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QImage img(src);
    if (!img.isNull()) {
        QImage s = img.scaled(w, h, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&canvas);
        p.drawImage((w - s.width()) / 2, (h - s.height()) / 2, s);
    }
    return canvas.save(dst, "PNG");
}
