#include "qmyfileshelper.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qmystoredfile.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{

void copyField(char* field, int size, const QByteArray& text)
{
    memset(field, 0, size);
    memcpy(field, text.constData(), std::min<qsizetype>(text.size(), size));
}

} // namespace

void SetGuidData(uint32_t guid[2])
{
    guid[0] = static_cast<uint32_t>(QDateTime::currentSecsSinceEpoch());
    guid[1] = static_cast<uint32_t>(getTickCount());
}

QString GetGUIDString(const uint32_t guid[2])
{
    return QString::asprintf("%04x%04x", guid[0], guid[1]);
}

QString FileItemText(const char* field, int size)
{
    return QString::fromUtf8(field, qstrnlen(field, size));
}

QString FileItemPath(const FILE_ITEM* item)
{
    return FileItemText(item->path, sizeof(item->path));
}

QString getFileItemThumbPicture(const FILE_ITEM* item)
{
    const uint32_t guid[2] = {item->idTime, item->idTick};
    return g_Public.GetAppDatePath() + "/Thumbs/" + GetGUIDString(guid) + ".png";
}

QMyFilesHelper::QMyFilesHelper(QObject* parent) : QObject(parent)
{
    const QString dataPath = g_Public.GetAppDatePath();
    listFilePath = dataPath + "/files.dat";
    thumbsPath = dataPath + "/Thumbs";
    if (!QDir(thumbsPath).exists())
        QDir().mkpath(thumbsPath);
}

QMyFilesHelper::~QMyFilesHelper()
{
    if (!m_loadFailed)
        SaveAllFiles();
    ClearData();
}

void QMyFilesHelper::ClearData()
{
    qDeleteAll(files);
    files.clear();
}

QByteArray QMyFilesHelper::SerializeRecords(const QList<FILE_ITEM*>& items)
{
    QByteArray out;
    out.reserve(items.size() * qsizetype(sizeof(FILE_ITEM)));
    for (const FILE_ITEM* item : items)
        out.append(reinterpret_cast<const char*>(item), sizeof(FILE_ITEM));
    return out;
}

bool QMyFilesHelper::LoadAllFiles()
{
    // Entries that never reached the disk stay while it still refuses them.
    if (m_unsaved && !SaveAllFiles())
        return true;
    ClearData();
    m_loadFailed = false;
    QByteArray bytes;
    const QMyStoredFile::ReadResult read = QMyStoredFile::Read(listFilePath, kMaxListBytes, bytes);
    if (read != QMyStoredFile::ReadResult::Ok) {
        // A missing list is a first start; a refused one must survive.
        m_loadFailed = read == QMyStoredFile::ReadResult::Refused;
        return false;
    }
    const qsizetype count = bytes.size() / qsizetype(sizeof(FILE_ITEM));
    for (qsizetype i = 0; i < count; ++i) {
        FILE_ITEM item;
        memcpy(&item, bytes.constData() + i * qsizetype(sizeof(FILE_ITEM)), sizeof(item));
        if (IsFileExisted(FileItemPath(&item)))
            files.append(new FILE_ITEM(item));
        else
            DelFile(getFileItemThumbPicture(&item));
    }
    return true;
}

bool QMyFilesHelper::SaveAllFiles()
{
    m_unsaved = !QMyStoredFile::Save(listFilePath, SerializeRecords(files));
    if (m_unsaved)
        return false;
    m_loadFailed = false;
    return true;
}

bool QMyFilesHelper::IsVideoItem(const FILE_ITEM* item)
{
    const size_t len = qstrnlen(item->path, sizeof(item->path));
    if (len < 4)
        return false;
    const char* tail = item->path + len - 3;
    return memcmp(tail, "mp4", 3) == 0 || memcmp(tail, ".ts", 3) == 0 ||
           memcmp(tail, "mov", 3) == 0;
}

FILE_ITEM* QMyFilesHelper::AddFile(const QString& path, const QString& info,
                                   const QString& thumbSource)
{
    auto* item = new FILE_ITEM;
    memset(item, 0, sizeof(*item));
    const int slash = path.lastIndexOf('/');
    copyField(item->name, sizeof(item->name), path.mid(slash + 1).toUtf8());
    copyField(item->path, sizeof(item->path), path.toUtf8());
    copyField(item->info, sizeof(item->info), info.toUtf8());
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    item->addedTime = static_cast<int32_t>(static_cast<uint32_t>(now));
    uint32_t guid[2];
    SetGuidData(guid);
    // Two captures within one millisecond would share a thumbnail name, and
    // deleting one would take the other's thumbnail with it.
    for (bool clash = true; clash;) {
        clash = false;
        for (const FILE_ITEM* other : files) {
            if (other->idTime == guid[0] && other->idTick == guid[1]) {
                ++guid[1];
                clash = true;
                break;
            }
        }
    }
    item->idTime = guid[0];
    item->idTick = guid[1];

    const QString thumb = getFileItemThumbPicture(item);
    if (IsVideoItem(item)) {
        if (IsFileExisted(thumbSource))
            CreateThumbPict(thumbSource, thumb, 160, 90);
    } else {
        CreateThumbPict(path, thumb, 160, 90);
    }
    files.append(item);
    if (!SaveAllFiles())
        AfxMessageBox(AfxGetMainWindow(),
                      getLang(-1,
                              QStringLiteral("The files list #v1# could not be written, so #v2# "
                                             "may be missing from it at the next start. Is the "
                                             "disk full?"),
                              listFilePath, path),
                      MSGBOX_ERROR);
    ZD_DUDFilesChanged(g_Global.hCore);
    return item;
}

void QMyFilesHelper::DeleteItem(const FILE_ITEM* item)
{
    const qsizetype index = files.indexOf(const_cast<FILE_ITEM*>(item));
    if (index >= 0) {
        FILE_ITEM* found = files.takeAt(index);
        DelFile(FileItemPath(found));
        DelFile(getFileItemThumbPicture(found));
        delete found;
    }
    SaveAllFiles();
    ZD_DUDFilesChanged(g_Global.hCore);
}
