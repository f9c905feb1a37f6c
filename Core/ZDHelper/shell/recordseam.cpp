#include "recordseam.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QTimer>

#include <cstring>
#include <ctime>

#include "cpublic.h"
#include "myevent.h"
#include "qmyfileshelper.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{
constexpr qint64 kMiB = 1048576;

int recordWidth()
{
    return g_Global.recWidth != 0 ? g_Global.recWidth : g_Global.devWidth;
}
int recordHeight()
{
    return g_Global.recHeight != 0 ? g_Global.recHeight : g_Global.devHeight;
}
int recordFps()
{
    return g_Global.recFps != 0 ? g_Global.recFps : g_Global.devFps;
}

qint64 nowSecs()
{
    return static_cast<qint64>(std::time(nullptr));
}
} // namespace

RecordSeam* RecordSeam::instance()
{
    static RecordSeam* seam = new RecordSeam;
    return seam;
}

RecordSeam::RecordSeam()
{
    m_recordClock = new QTimer(this);
    m_recordClock->setInterval(1000);
    connect(m_recordClock, &QTimer::timeout, this, &RecordSeam::timer_rec);
}

void RecordSeam::HideBar() {}

int RecordSeam::StartRecord()
{
    if (g_Global.deviceHDR != 0 && g_Global.hwCap[13] == 0) {
        ZD_Log(2, "Can not start record when cuda-hevc-10bit is not valid.");
        return 0;
    }
    if (g_Global.isClosing != 0) {
        ZD_Log(2, "Can not start record when the closing is running");
        return 0;
    }
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, nullptr, nullptr);
    if (recording != 0)
        return 0;

    const bool ts = g_Global.deviceHDR != 0 || g_Global.recFormat == 4;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    // A recording started in the second the last one ended would otherwise
    // get that file's name and write over it.
    g_Global.recFilePath = getSafeFilePath(g_Global.recSaveTo + QStringLiteral("/Vid") + stamp +
                                           (ts ? QStringLiteral(".ts") : QStringLiteral(".mp4")));
    if (!g_Global.recTargetPath.isEmpty())
        g_Global.recFilePath = g_Global.recTargetPath;
    g_Global.recDirIsNTFS = DirverIsNTFS(g_Global.recFilePath);
    g_Global.recStartTime = nowSecs();
    g_Global.recPausedSecs = 0;
    g_Global.recElapsedSecs = 0;
    g_Global.recSplitAtSecs = 0;

    const int r = ZD_StartRecord(g_Global.hCore, g_Global.recFilePath.toUtf8().constData(),
                                 g_Global.deviceHDR != 0 ? 100 : g_Global.recFormat,
                                 g_Global.recVCodec, g_Global.recVSpeed, recordWidth(),
                                 recordHeight(), recordFps(), g_Global.recBitrate);
    if (r != 1) {
        // Nothing runs: a later stop must not take this attempt for a
        // recording.
        g_Global.recStartTime = 0;
        return r;
    }
    PostMessage(nullptr, MSG_RECORD_STATE, 0, 0, nullptr);
    m_recordClock->start(1000);
    return 1;
}

QString RecordSeam::fileDescription(const QString& file) const
{
    const int d = g_Global.recElapsedSecs - g_Global.recSplitAtSecs;
    return QString::asprintf("%02d:%02d:%02d,%dx%d,%dfps,", d / 3600, d % 3600 / 60, d % 60,
                             recordWidth(), recordHeight(), recordFps()) +
           getSizeString(GetFileSize(file));
}

QString RecordSeam::moveToTarget(const QString& file)
{
    const QString target = g_Global.recTargetPath;
    if (target.isEmpty() || target == file)
        return file;
    const QString freeName = getSafeFilePath(target);
    if (MoveFile(file, freeName))
        return freeName;
    // The file stays where the engine wrote it, and the list must say so.
    ZD_Log(8, "Move record file %s to %s failed.", file.toLocal8Bit().constData(),
           freeName.toLocal8Bit().constData());
    return file;
}

int RecordSeam::StopRecord(bool userAsked)
{
    // Nothing records (or a stop is already on its way): a repeated stop
    // must not finish and list the last file again.
    if (!m_recordClock->isActive() || g_Global.isClosing != 0)
        return 0;
    if (userAsked && static_cast<qint32>(nowSecs() - g_Global.recStartTime) <= 2) {
        ZD_Log(2, "Can not stop when record duration less 2 seconds");
        return 0;
    }
    g_Global.isClosing = 1;
    if (g_Global.recThumbPath.isEmpty()) {
        g_Global.recThumbPath = CPublic::GetTempFile(QStringLiteral("bmp"));
        ZD_ScreenShot_bmp(g_Global.hCore, g_Global.recThumbPath.toUtf8().constData(), 0);
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ZD_StopRecord(g_Global.hCore);
    QGuiApplication::restoreOverrideCursor();

    if (QWidget* main = AfxGetMainWindow()) {
        MyEvent stopped(MSG_RECORD_STATE, 1, 0, nullptr);
        QCoreApplication::sendEvent(main, &stopped);
    }
    m_recordClock->stop();

    g_Global.recFilePath = moveToTarget(g_Global.recFilePath);
    const QString description = fileDescription(g_Global.recFilePath);
    if (g_Global.pFilesCatalog)
        g_Global.pFilesCatalog->AddFile(g_Global.recFilePath, description, g_Global.recThumbPath);
    // The thumbnail has been made from the bitmap; it was ours alone.
    DelFile(g_Global.recThumbPath);
    ZD_Log(2, "Record done (%s)", description.toLocal8Bit().constData());

    g_Global.recTargetPath.clear();
    g_Global.recAutoStopSecs = 0;
    g_Global.recSplitAtSecs = 0;
    g_Global.recStartTime = 0;
    g_Global.isClosing = 0;
    g_Global.recThumbPath.clear();
    return 1;
}

void RecordSeam::timer_rec()
{
    if (ZD_IsPauseRecord(g_Global.hCore) != 0)
        g_Global.recPausedSecs += 1;
    const qint32 e =
        static_cast<qint32>(nowSecs() - g_Global.recStartTime) - g_Global.recPausedSecs;
    g_Global.recElapsedSecs = e;
    PostMessage(nullptr, MSG_RECORD_STATE, 2, e, nullptr);

    if (g_Global.recAutoStopSecs >= 1 && e > g_Global.recAutoStopSecs) {
        // The duration is cleared by the stop itself, once it went through.
        StopRecord();
        return;
    }
    if (e > g_Global.recBmpCutDelay && g_Global.recThumbPath.isEmpty()) {
        g_Global.recThumbPath = CPublic::GetTempFile(QStringLiteral("bmp"));
        ZD_ScreenShot_bmp(g_Global.hCore, g_Global.recThumbPath.toUtf8().constData(), 0);
    }

    const qint64 size = ZD_GetRecordFileSize(g_Global.hCore);
    const qint64 s = g_Global.recSplitMB;
    qint64 limit = 0;
    if (s != 0 && s <= 2000)
        limit = s * kMiB;
    else
        limit = g_Global.recDirIsNTFS ? s * kMiB : qint64(0x7D000000);
    if (limit < 1 || size < limit - kMiB)
        return;

    ZD_Log(2, "splite record start, fsize = %s", getSizeString(size).toLocal8Bit().constData());
    char next[ZD_TEXT_BUFFER_BYTES];
    std::memset(next, 0, sizeof next);
    const int r = ZD_RestartRecord(g_Global.hCore, g_Global.recFilePath.toUtf8().constData(), next);
    if (r <= 0)
        return;
    const QString part = moveToTarget(g_Global.recFilePath);
    if (g_Global.pFilesCatalog)
        g_Global.pFilesCatalog->AddFile(part, fileDescription(part), g_Global.recThumbPath);
    DelFile(g_Global.recThumbPath);
    g_Global.recSplitAtSecs = g_Global.recElapsedSecs;
    const QString newPath = QString::fromUtf8(next, int(qstrnlen(next, sizeof next)));
    g_Global.recTargetPath = newPath;
    g_Global.recFilePath = newPath;
    g_Global.recThumbPath = CPublic::GetTempFile(QStringLiteral("bmp"));
    ZD_ScreenShot_bmp(g_Global.hCore, g_Global.recThumbPath.toUtf8().constData(), 0);
}
