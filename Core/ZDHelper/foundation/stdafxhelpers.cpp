// The file, folder, string, time and picture helpers of the common module.
#include "stdafx.h"

#include "qmystoredfile.h"
#include "vazURIdav.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QUrl>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sys/time.h>

namespace
{

constexpr int kSystemCallTimeoutMs = 10000;

int TruncToInt(double value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(qBound<double>(std::numeric_limits<int>::min(), std::trunc(value),
                                           std::numeric_limits<int>::max()));
}

} // namespace

// ---- Text and search -----------------------------------------------------------

int QStingFindFromBack(const QString& text, const QString& part)
{
    if (part.isEmpty())
        return -1;
    // Matches at position 0 or 1 are never reported.
    const qsizetype pos = text.lastIndexOf(part);
    return pos >= 2 ? int(pos) : -1;
}

void QStringRelpace(QString& text, const QString& part, const QString& replacement)
{
    if (part.isEmpty())
        return;
    text.replace(part, replacement);
}

void QStringSplitPathName(const QString& path, QString& folder, QString& name)
{
    const int slash = QStingFindFromBack(path, QStringLiteral("/"));
    const int backslash = QStingFindFromBack(path, QStringLiteral("\\"));
    const int pos = qMax(slash, backslash);
    if (pos < 0) {
        folder = path;
        name.clear();
        return;
    }
    folder = path.left(pos);
    name = path.mid(pos + 1);
}

QString getSizeString(int64_t bytes)
{
    const double n = static_cast<double>(bytes);
    if (bytes > 1073741824LL)
        return QString::asprintf("%.2fGB", n / 1073741824.0);
    if (bytes > 1048576LL)
        return QString::asprintf("%.2fMB", n / 1048576.0);
    if (bytes > 1024LL)
        return QString::asprintf("%.2fKB", n / 1024.0);
    return QString::asprintf("%.0f", n);
}

QString RECT2STR(const QRect& rect)
{
    return QString::asprintf("x=%d,y=%d,w=%d,h=%d", rect.left(), rect.top(), rect.width(),
                             rect.height());
}

void strcpy_s(char* dst, int size, const char* src)
{
    if (dst == nullptr || size <= 0)
        return;
    const size_t length = src != nullptr ? std::strlen(src) : 0;
    if (length < static_cast<size_t>(size)) {
        std::memcpy(dst, src != nullptr ? src : "", length);
        dst[length] = '\0';
    } else {
        std::memset(dst, 0, static_cast<size_t>(size));
    }
}

void dbg(const char* format, ...)
{
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fputs(text, stdout);
}

int getTickCount()
{
    timeval now{};
    gettimeofday(&now, nullptr);
    const int64_t ms = (int64_t(now.tv_sec) * 1000000 + now.tv_usec) / 1000;
    return static_cast<int>(static_cast<uint32_t>(ms));
}

// ---- Files and folders -----------------------------------------------------------

bool IsFileExisted(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool IsDirExisted(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

int64_t GetFileSize(const QString& path)
{
    if (path.isEmpty())
        return 0;
    return QFileInfo(path).size();
}

int64_t _GetDiskFreeSpace(const QString& path)
{
    return QStorageInfo(path).bytesFree();
}

bool DelFile(const QString& path)
{
    return !path.isEmpty() && QFile::remove(path);
}

bool MoveFile(const QString& source, const QString& target)
{
    if (source.isEmpty() || target.isEmpty() || QFileInfo::exists(target) ||
        QFileInfo(target).isSymLink())
        return false;
    // A rename where both names lie on one volume: a recording of gigabytes
    // moves at once and is never left half-copied. Across volumes QFile
    // copies and removes the source, and keeps the source when that fails.
    return QFile::rename(source, target);
}

namespace
{
// The folder itself when it is empty, never its parents: a parent that the
// removal leaves empty (~/.local/share, ~/.local) belongs to others.
void removeFolderOnly(const QDir& folder)
{
    QDir().rmdir(folder.absolutePath());
}
} // namespace

bool DelDir(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files);
    for (const QFileInfo& file : files)
        QFile::remove(file.absoluteFilePath());
    removeFolderOnly(dir);
    return true;
}

bool DeleteDirIncludeSub(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // A link is removed as a link: following it would empty a folder that
    // lies outside the one being cleared.
    if (info.isSymLink()) {
        QFile::remove(path);
        return true;
    }
    if (!info.exists())
        return false;
    if (info.isFile())
        return false;
    if (!info.isDir())
        return true;
    QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink() || !entry.isDir())
            QFile::remove(entry.absoluteFilePath());
        else
            DeleteDirIncludeSub(entry.absoluteFilePath());
    }
    removeFolderOnly(dir);
    return true;
}

bool IsSavePathValid(const QString& path)
{
    const QFileInfo info(path);
    if (!path.isEmpty() && info.isDir()) {
        // A probe of its own, created exclusively and removed again, so that
        // no file of the user is ever opened, truncated or deleted.
        QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".zd-write-probe-XXXXXX")));
        return probe.open();
    }
    if (info.isFile())
        return true;
    QFile probe(path);
    if (path.isEmpty() || !probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

bool DirverIsNTFS(const QString& path)
{
    if (path.isEmpty() || path.indexOf(QLatin1Char(':')) >= 1)
        return true;
    QString folder = path;
    if (!QFileInfo(path).isDir()) {
        const int pos = QStingFindFromBack(path, QStringLiteral("/"));
        if (pos >= 0)
            folder = path.left(pos);
    }
    const QStorageInfo volume(folder);
    const QByteArray name = volume.displayName().toUtf8();
    if (volume.isValid() && !volume.isReadOnly()) {
        ZD_Log(2, "DirverIsNTFS:  %s,%s, free %lld", name.constData(),
               volume.fileSystemType().constData(), static_cast<long long>(volume.bytesFree()));
        return true;
    }
    ZD_Log(2, "DirverIsNTFS:  %s, is read only", name.constData());
    return false;
}

QString getSafeFilePath(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return path;
    const int dot = QStingFindFromBack(path, QStringLiteral("."));
    const QString stem = dot > 0 ? path.left(dot) : path;
    const QString extension = dot > 0 ? path.mid(dot) : QString();
    for (int n = 2; n <= 9999; ++n) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(n) + extension;
        // A dangling link counts as taken too: writing there would follow it.
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
    return path;
}

QString WithFileExtension(const QString& path, const QString& extension)
{
    if (path.isEmpty() || extension.isEmpty() || path.endsWith(extension))
        return path;
    // The list tells videos from pictures by the extension's exact bytes, so
    // a ".MP4" typed by the user becomes ".mp4".
    if (path.endsWith(extension, Qt::CaseInsensitive))
        return path.left(path.size() - extension.size()) + extension;
    return path + extension;
}

QString RecordFileExtension()
{
    // HDR sources are recorded as TS whatever the format setting says.
    return g_Global.deviceHDR != 0 || g_Global.recFormat == 4 ? QStringLiteral(".ts")
                                                              : QStringLiteral(".mp4");
}

void LocalOutfile(const QString& filePath)
{
    const int pos = QStingFindFromBack(filePath, QStringLiteral("/"));
    const QString folder = pos >= 0 ? filePath.left(pos) : filePath;
    // Handed to the desktop as a URL: no shell ever reads the folder's name.
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString getSystemCallResult(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return QString();
    // A program that hangs must not hold the window for ever.
    if (!process.waitForFinished(kSystemCallTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    QByteArray line = process.readAllStandardOutput();
    const qsizetype end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end + 1);
    line.truncate(qMin<qsizetype>(line.size(), 1023));
    return QString::fromLocal8Bit(line);
}

// ---- Pictures and rectangles -------------------------------------------------------

bool CreateThumbPict(const QString& source, const QString& target, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    const QImage picture(source);
    if (!picture.isNull()) {
        const QImage scaled =
            picture.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&canvas);
        if (scaled.width() != width)
            painter.drawImage((width - scaled.width()) / 2, 0, scaled);
        else
            painter.drawImage(0, (height - scaled.height()) / 2, scaled);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!canvas.save(&buffer, "PNG"))
        return false;
    return QMyStoredFile::SaveAnywhere(target, png);
}

QRect GetNewRectByAspecrate(const QRect& rect, double aspect)
{
    if (aspect == 0.0)
        aspect = 1.0;
    const int w = rect.width();
    const int h = rect.height();
    const int aHeight = TruncToInt(w / aspect);
    if (w > 0 && aHeight > 0 && aHeight <= h)
        return QRect(rect.left(), rect.top() + (h - aHeight) / 2, w, aHeight);
    const int bWidth = TruncToInt(h * aspect);
    if (h > 0 && bWidth > 0 && bWidth <= w)
        return QRect(rect.left() + (w - bWidth) / 2, rect.top(), bWidth, h);
    dbg("GetNewRectByAspecrate impossible\n");
    return rect;
}

void GetLiveBaseWidthHeightFps(int& width, int& height, int& fps)
{
    width = g_Global.liveBaseWidth != 0 ? g_Global.liveBaseWidth : g_Global.liveWidth;
    height = g_Global.liveBaseHeight != 0 ? g_Global.liveBaseHeight : g_Global.liveHeight;
    fps = g_Global.liveBaseFps != 0 ? g_Global.liveBaseFps : g_Global.liveFps;
}
