#include "cpublic.h"

#include "myevent.h"
#include "stdafx.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryFile>
#include <QWindow>

#include <cerrno>
#include <cmath>
#include <limits>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>

CPublic g_Public;

namespace
{

// Creates a file of a new name from the template (its "XXXXXX" replaced)
// and the extension, exclusively, so that the name is the caller's alone:
// in a shared folder a neighbour could otherwise plant a link there before
// the program writes. An empty text when none could be made.
QString reserveFile(const QString& nameTemplate, const QString& extension)
{
    QString ext = QString::fromLatin1(extension.toLatin1());
    ext.remove(QLatin1Char('/'));
    ext.remove(QChar(0));
    QTemporaryFile file(nameTemplate + ext);
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    const QString name = file.fileName();
    file.close();
    return name;
}

QString appTempFolder()
{
    return CPublic::GetAppDatePath() + QStringLiteral("/tmp");
}

FileDialogHook& DialogHook()
{
    static FileDialogHook hook;
    return hook;
}

// The start folder of a dialog and the profile key that remembers it.
QString StartFolder(const QString& place, const char* section, bool* remember)
{
    *remember = !place.contains(QLatin1Char(':'));
    if (!*remember)
        return place;
    return AfxGetProfileString(QLatin1String(section), place, CPublic::GetMyVideoPath());
}

void RememberFolder(const QString& place, const char* section, const QString& chosen)
{
    const int pos = QStingFindFromBack(chosen, QStringLiteral("/"));
    if (pos >= 0)
        AfxWriteProfileString(QLatin1String(section), place, chosen.left(pos));
}

bool RunFileDialog(FileDialogRequest& request)
{
    if (DialogHook())
        return DialogHook()(request);
    QFileDialog dialog(nullptr, request.title, request.startDir, request.filter);
    CPublic::PrepareSystemDialog(dialog, request.parent);
    dialog.setViewMode(QFileDialog::Detail);
    if (request.kind == FileDialogRequest::SaveFile) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.several ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request.answer = dialog.selectedFiles();
    return true;
}

} // namespace

CPublic::CPublic(QObject* parent) : QObject(parent) {}

QString CPublic::GetExePath()
{
    return QCoreApplication::applicationDirPath();
}

QString CPublic::GetResourcePath()
{
    // The build tree keeps the resources as far from the program as an
    // install does, so one rule finds them in both.
    return QDir::cleanPath(GetExePath() + QStringLiteral("/" ZD_RESOURCES_FROM_PROGRAM));
}

QString CPublic::AppDataLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + APP_NAME;
}

QString CPublic::GetAppDatePath()
{
    static const QString path = [] {
        const QString folder = AppDataLocation();
        QDir().mkpath(folder);
        return folder;
    }();
    return path;
}

QString CPublic::FolderWriteProblem(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    // One level at a time, so that the answer says which level failed and why.
    QString level;
    for (const QString& part : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        level += QLatin1Char('/') + part;
        const QFileInfo info(level);
        if (info.isDir())
            continue;
        if (info.exists() || info.isSymLink())
            return level + QStringLiteral(" is not a folder");
        if (::mkdir(QFile::encodeName(level).constData(), 0777) != 0 && !QFileInfo(level).isDir())
            return level + QStringLiteral(": ") + qt_error_string(errno);
    }
    QTemporaryFile probe(absolute + QStringLiteral("/.zd-write-probe-XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    return QString();
}

QString CPublic::GetCacheDataPath()
{
    const QString folder = GetAppDatePath() + QStringLiteral("/CacheData");
    QDir().mkpath(folder);
    return folder;
}

QString CPublic::GetSceneDataPath()
{
    const QString folder = GetCacheDataPath() + QStringLiteral("/scene");
    QDir().mkpath(folder);
    return folder;
}

QString CPublic::GetOBSPluginPath()
{
    // OBS Studio looks for a user's plug-ins under its configuration folder.
    const QString obs = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/obs-studio");
    QDir().mkpath(obs);
    const QString plugins = obs + QStringLiteral("/plugins");
    QDir().mkdir(plugins);
    return plugins;
}

QString CPublic::GetTempDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation);
}

QString CPublic::GetTempFile(const QString& extension)
{
    return reserveFile(GetTempDir() + QStringLiteral("/zd-tmp-XXXXXX."), extension);
}

QString CPublic::GetAppTempFile(const QString& extension)
{
    const QString folder = appTempFolder();
    QDir().mkpath(folder);
    return reserveFile(folder + QLatin1Char('/') +
                           QString::number(QCoreApplication::applicationPid()) +
                           QStringLiteral("-XXXXXX."),
                       extension);
}

void CPublic::RemoveTempLeftovers()
{
    const QDir folder(appTempFolder());
    const QFileInfoList files = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        // Only the program's own names; the number is the process that made
        // the file, and a process that still runs keeps its files.
        const QString name = file.fileName();
        const int dash = name.indexOf(QLatin1Char('-'));
        bool isNumber = false;
        const qint64 pid = name.left(dash).toLongLong(&isNumber);
        if (dash < 1 || !isNumber || pid < 1 || pid > std::numeric_limits<pid_t>::max())
            continue;
        const bool running = ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
        if (!running)
            QFile::remove(file.absoluteFilePath());
    }
}

QString CPublic::GetMyVideoPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    QDir().mkpath(folder);
    return folder;
}

QString CPublic::ValidPathString(const QString& path)
{
    return path;
}

bool CPublic::GetOpenFiles(QStringList& files, bool several, const QString& filter,
                           const QString& place, QWidget* parent)
{
    bool remember = false;
    FileDialogRequest request;
    request.kind = FileDialogRequest::OpenFiles;
    request.title = QStringLiteral("Open");
    request.startDir = StartFolder(place, "OPENFILE", &remember);
    request.filter = filter;
    request.several = several;
    request.parent = parent;
    if (!RunFileDialog(request) || request.answer.isEmpty())
        return false;
    files = request.answer;
    if (remember)
        RememberFolder(place, "OPENFILE", files.first());
    return true;
}

bool CPublic::GetSaveFile(QString& filePath, const QString& filter, const QString& place,
                          QWidget* parent)
{
    bool remember = false;
    FileDialogRequest request;
    request.kind = FileDialogRequest::SaveFile;
    request.title = QStringLiteral("Save");
    request.startDir = StartFolder(place, "SAVEFILE", &remember);
    request.filter = filter;
    request.parent = parent;
    if (!RunFileDialog(request) || request.answer.isEmpty())
        return false;
    // A name typed without the extension the filter asks for gets it, so
    // that what is written there is known by its name.
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
    const QRegularExpressionMatch wanted = pattern.match(filter);
    filePath = wanted.hasMatch() ? WithFileExtension(request.answer.first(), wanted.captured(1))
                                 : request.answer.first();
    if (remember)
        RememberFolder(place, "SAVEFILE", filePath);
    return true;
}

bool CPublic::GetSaveDir(QString& folder, const QString& title, const QString& startDir,
                         QWidget* parent)
{
    QString chosen;
    if (DialogHook()) {
        FileDialogRequest request;
        request.kind = FileDialogRequest::ChooseDir;
        request.title = title;
        request.startDir = startDir;
        request.parent = parent;
        if (DialogHook()(request) && !request.answer.isEmpty())
            chosen = request.answer.first();
    } else {
        QFileDialog dialog(nullptr, title, startDir);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        CPublic::PrepareSystemDialog(dialog, parent);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

void CPublic::setFileDialogHook(FileDialogHook hook)
{
    DialogHook() = std::move(hook);
}

void CPublic::PrepareSystemDialog(QDialog& dialog, QWidget* owner)
{
    dialog.setWindowModality(Qt::ApplicationModal);
    QWidget* top = owner ? owner->window() : AfxGetMainWindow();
    if (!top)
        return;
    // Sized and placed before its native window exists, so that the place is
    // the frame's.
    dialog.adjustSize();
    dialog.move(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, dialog.size(), top->frameGeometry())
            .topLeft());
    dialog.winId();
    if (QWindow* handle = dialog.windowHandle())
        handle->setTransientParent(top->windowHandle());
}

bool CPublic::EnumDirFiles(const QString& folder, const QString& extension, QStringList* paths,
                           QStringList* names)
{
    if (paths != nullptr)
        paths->clear();
    if (names != nullptr)
        names->clear();
    if (folder.isEmpty())
        return true;
    const QFileInfoList entries = QDir(folder).entryInfoList();
    for (const QFileInfo& entry : entries) {
        if (!entry.isFile())
            continue;
        const QString path = entry.absoluteFilePath();
        if (!extension.isEmpty() &&
            path.right(extension.size()).compare(extension, Qt::CaseInsensitive) != 0)
            continue;
        if (paths != nullptr)
            paths->append(path);
        if (names != nullptr)
            names->append(entry.fileName());
    }
    return true;
}

QByteArray CPublic::ReadQSSFile(const QString& fileName)
{
    QFile file(GetResourcePath() + QStringLiteral("/qss/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return scale_qss(QString::fromUtf8(file.readAll())).toUtf8();
}

QString CPublic::scale_qss(const QString& text)
{
    QString out = text;
    qsizetype start = 0;
    for (;;) {
        const qsizetype px = out.indexOf(QLatin1String("px"), start);
        if (px <= 0)
            return out;
        // The number runs back to the nearest blank or colon; the first
        // character of the text never belongs to it.
        qsizetype begin = 1;
        for (qsizetype i = px - 1; i >= 1; --i) {
            if (out.at(i) == QLatin1Char(' ') || out.at(i) == QLatin1Char(':')) {
                begin = i + 1;
                break;
            }
        }
        bool ok = false;
        int number = out.mid(begin, px - begin).toInt(&ok, 10);
        if (!ok)
            number = 0;
        const double scaled = std::trunc(number * g_dpi_percent);
        int value = 0;
        if (std::isfinite(scaled))
            value = static_cast<int>(qBound<double>(std::numeric_limits<int>::min(), scaled,
                                                    std::numeric_limits<int>::max()));
        out.replace(begin, px - begin, QString::number(value));
        start = px + 5;
    }
}
