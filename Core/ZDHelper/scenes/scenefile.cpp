#include "scenefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cpublic.h"
#include "qmystoredfile.h"
#include "stdafx.h"

namespace
{

bool InRangeOrZero(int32_t v, int32_t low, int32_t high)
{
    return v == 0 || (v >= low && v <= high);
}

bool IsPerMille(int32_t v)
{
    return v >= 0 && v <= 1000;
}

SCENE_FILE_HEADER HeaderFromBytes(const char* p)
{
    SCENE_FILE_HEADER h;
    h.magic = qFromLittleEndian<int32_t>(p);
    h.width = qFromLittleEndian<int32_t>(p + 4);
    h.height = qFromLittleEndian<int32_t>(p + 8);
    h.fps = qFromLittleEndian<int32_t>(p + 12);
    h.count = qFromLittleEndian<int32_t>(p + 16);
    return h;
}

} // namespace

bool SceneFile::IsValidName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0));
}

QString SceneFile::PathOf(const QString& name)
{
    const QString n = name.isEmpty() ? QStringLiteral("default") : CPublic::ValidPathString(name);
    if (!IsValidName(n))
        return QString();
    return CPublic::GetSceneDataPath() + QLatin1Char('/') + n;
}

bool SceneFile::IsValidHeader(const SCENE_FILE_HEADER& h)
{
    if (h.magic != kMagic)
        return false;
    const bool sizeKept = h.width == 0 && h.height == 0;
    const bool sizeSet = h.width >= 320 && h.width <= 3840 && h.height >= 240 && h.height <= 2160;
    return (sizeKept || sizeSet) && InRangeOrZero(h.fps, 15, 60) && h.count >= 0 &&
           h.count <= kMaxRecords;
}

bool SceneFile::IsValidRecord(const SceneItemData_Save& record)
{
    const int32_t kind = qFromLittleEndian(record.type);
    if (kind < 0 || kind >= SCENE_KIND_COUNT)
        return false;
    const QByteArray key(record.uuid, int(qstrnlen(record.uuid, sizeof record.uuid)));
    if (key.isEmpty() || key.size() > 5)
        return false;
    for (char c : key) {
        if (c < '0' || c > '9')
            return false;
    }
    if (!IsPerMille(qFromLittleEndian(record.x)) || !IsPerMille(qFromLittleEndian(record.y)) ||
        !IsPerMille(qFromLittleEndian(record.w)) || !IsPerMille(qFromLittleEndian(record.h)))
        return false;
    if (kind == SCENE_KIND_MOVIE || kind == SCENE_KIND_PICTURES) {
        const QString path =
            SceneFieldText(reinterpret_cast<const char*>(record.params) + SCENE_LIST_PATH_OFFSET,
                           SCENE_LIST_PATH_BYTES);
        if (!path.isEmpty()) {
            // A list file elsewhere would let a scene file make the engine
            // read, and the scene list delete, any file of the user's.
            const QString cache = CPublic::GetCacheDataPath() + QLatin1Char('/');
            if (QDir::cleanPath(path) != path || !path.startsWith(cache) ||
                path.size() == cache.size())
                return false;
        }
    }
    return true;
}

bool SceneFile::Parse(const QByteArray& bytes, SCENE_FILE_HEADER& header,
                      QList<SceneItemData_Save>& records, int* skipped,
                      QList<SkippedRecord>* skippedRecords)
{
    records.clear();
    if (skipped)
        *skipped = 0;
    if (skippedRecords)
        skippedRecords->clear();
    if (bytes.size() < qsizetype(sizeof(SCENE_FILE_HEADER)))
        return false;
    const SCENE_FILE_HEADER h = HeaderFromBytes(bytes.constData());
    if (!IsValidHeader(h))
        return false;
    header = h;
    const qsizetype recordBytes = sizeof(SceneItemData_Save);
    qsizetype offset = sizeof(SCENE_FILE_HEADER);
    for (int i = 0; i < h.count && offset + recordBytes <= bytes.size(); ++i) {
        SceneItemData_Save record;
        std::memcpy(&record, bytes.constData() + offset, sizeof record);
        offset += recordBytes;
        if (IsValidRecord(record)) {
            records.append(record);
            continue;
        }
        if (skipped)
            ++*skipped;
        if (skippedRecords)
            skippedRecords->append({i, record});
    }
    return true;
}

QByteArray SceneFile::Serialize(const SCENE_FILE_HEADER& header,
                                const QList<SceneItemData_Save>& records)
{
    QByteArray bytes(qsizetype(sizeof(SCENE_FILE_HEADER)), '\0');
    char* p = bytes.data();
    qToLittleEndian<int32_t>(kMagic, p);
    qToLittleEndian<int32_t>(header.width, p + 4);
    qToLittleEndian<int32_t>(header.height, p + 8);
    qToLittleEndian<int32_t>(header.fps, p + 12);
    qToLittleEndian<int32_t>(int32_t(records.size()), p + 16);
    for (const SceneItemData_Save& record : records)
        bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
    return bytes;
}

bool SceneFile::ReadBytes(const QString& path, QByteArray& bytes, qint64 maxBytes)
{
    return QMyStoredFile::Read(path, maxBytes, bytes) == QMyStoredFile::ReadResult::Ok;
}

bool SceneFile::ReadHeader(const QString& path, SCENE_FILE_HEADER& header)
{
    QByteArray bytes;
    if (!ReadBytes(path, bytes) || bytes.size() < qsizetype(sizeof(SCENE_FILE_HEADER)))
        return false;
    const SCENE_FILE_HEADER h = HeaderFromBytes(bytes.constData());
    if (!IsValidHeader(h))
        return false;
    header = h;
    return true;
}

bool SceneFile::Read(const QString& path, SCENE_FILE_HEADER& header,
                     QList<SceneItemData_Save>& records, int* skipped,
                     QList<SkippedRecord>* skippedRecords)
{
    QByteArray bytes;
    if (!ReadBytes(path, bytes))
        return false;
    return Parse(bytes, header, records, skipped, skippedRecords);
}

QString SceneFile::KeepAsideIfDamaged(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink()))
        return QString();
    QByteArray bytes;
    SCENE_FILE_HEADER header;
    QList<SceneItemData_Save> records;
    if (ReadBytes(path, bytes) && Parse(bytes, header, records) &&
        bytes.size() >= qint64(sizeof(SCENE_FILE_HEADER)) +
                            qint64(header.count) * qint64(sizeof(SceneItemData_Save)))
        return QString();
    const QString aside = path + QStringLiteral(".damaged");
    // rename(2) replaces an older copy in one step: the newest is kept.
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        AddLog(2, QStringLiteral("Could not keep %1 aside: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return QString();
    }
    return aside;
}

bool SceneFile::WriteWhole(const QString& path, const QByteArray& bytes)
{
    return QMyStoredFile::Save(path, bytes);
}

bool SceneFile::Write(const QString& path, const SCENE_FILE_HEADER& header,
                      const QList<SceneItemData_Save>& records)
{
    return WriteWhole(path, Serialize(header, records));
}
