#include "qmyfilters.h"

#include <QFile>
#include <QSet>
#include <QtEndian>
#include <cstring>

#include "cpublic.h"
#include "qmystoredfile.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{

// A device name is the file's base name; a "/" in it must not lead the file
// into another folder.
QString fileBaseName(const QString& key)
{
    QString base = key;
    base.replace('/', '_').replace('\\', '_').replace(QChar(0), '_');
    return base;
}

// Filters of old or damaged files may share an id or carry the "all filters"
// id; the engine keys filters by id, so each gets its own.
void makeFilterIdsDistinct(QList<FILTERITEM>& list)
{
    QSet<uint32_t> seen;
    for (const FILTERITEM& f : list)
        seen.insert(f.id);
    QSet<uint32_t> kept;
    uint32_t next = 1;
    for (FILTERITEM& f : list) {
        if (f.id != FILTER_ID_ALL && !kept.contains(f.id)) {
            kept.insert(f.id);
            continue;
        }
        while (seen.contains(next) || next == FILTER_ID_ALL)
            ++next;
        f.id = next;
        seen.insert(next);
        kept.insert(next);
    }
}

} // namespace

QMyFilters::QMyFilters(const QString& devName, QObject* parent) : QObject(parent), devName(devName)
{
}

QMyFilters::~QMyFilters() = default;

QString QMyFilters::filePath() const
{
    return g_Public.GetCacheDataPath() + "/" + fileBaseName(devName) + ".filter";
}

int QMyFilters::GetIdxByFID(uint32_t id) const
{
    for (int i = 0; i < filterList.size(); ++i) {
        if (filterList.at(i).id == id)
            return i;
    }
    return -1;
}

FILTERITEM* QMyFilters::getFilter(uint32_t id)
{
    const int index = GetIdxByFID(id);
    return index < 0 ? nullptr : &filterList[index];
}

uint32_t QMyFilters::NewFilterId() const
{
    uint32_t id = static_cast<uint32_t>(getTickCount());
    while (id == FILTER_ID_ALL || GetIdxByFID(id) >= 0)
        ++id;
    return id;
}

int QMyFilters::addFilter(const FILTERITEM& item)
{
    if (item.id == FILTER_ID_ALL || GetIdxByFID(item.id) >= 0) {
        AddLog(2, "add filter failed. " + QString::fromLocal8Bit(FilterItemCmd(item)) +
                      QString::asprintf(" (id %u is taken)", item.id));
        return -1;
    }
    const QByteArray cmd = FilterItemCmd(item);
    if (ZD_AddFilter(g_Global.hCore, pip, int(item.type), int(item.enabled), cmd.constData(),
                     item.id) < 1) {
        AddLog(2, "add filter failed. " + QString::fromLocal8Bit(cmd));
        return -1;
    }
    filterList.append(item);
    return filterList.size() - 1;
}

void QMyFilters::DelFilter(uint32_t id)
{
    const int index = GetIdxByFID(id);
    if (index < 0)
        return;
    ZD_DeleteFilter(g_Global.hCore, pip, id);
    filterList.removeAt(index);
}

bool QMyFilters::EditFilter(uint32_t id, const FILTERITEM* item)
{
    FILTERITEM* stored = getFilter(id);
    if (!stored || !item || stored->type != item->type)
        return false;
    if (stored != item)
        memcpy(stored, item, sizeof(FILTERITEM));
    if (ZD_EditFilter(g_Global.hCore, pip, id, FilterItemCmd(*stored).constData()) <= 0) {
        AddLog(2, "edit filter failed. " + QString::fromLocal8Bit(FilterItemCmd(*stored)));
        return false;
    }
    return true;
}

bool QMyFilters::EnableFilter(uint32_t id, bool on)
{
    FILTERITEM* stored = getFilter(id);
    if (!stored)
        return false;
    stored->enabled = on ? 1 : 0;
    if (ZD_EditFilter(g_Global.hCore, pip, id, on ? "enabled=1" : "enabled=0") <= 0) {
        AddLog(2, "Enable/Disable filter failed.");
        // Not switched on: the record must not say it is.
        stored->enabled = 0;
        return false;
    }
    return true;
}

void QMyFilters::setPipDevName(const QString& name)
{
    // The field keeps its terminator; a longer name is cut at a character.
    QByteArray bytes = name.toLocal8Bit();
    qsizetype n = std::min<qsizetype>(bytes.size(), sizeof(pipDevName) - 1);
    if (n < bytes.size()) {
        while (n > 0 && (uchar(bytes.at(n)) & 0xC0) == 0x80)
            --n;
    }
    memset(pipDevName, 0, sizeof(pipDevName));
    memcpy(pipDevName, bytes.constData(), n);
    pip = pipDevName;
}

QList<FILTERITEM> QMyFilters::ParseFilters(const QByteArray& bytes)
{
    QList<FILTERITEM> list;
    if (bytes.size() < 4)
        return list;
    const qint32 count = qFromLittleEndian<qint32>(bytes.constData());
    // The count only bounds a loop that stops at the last whole record.
    qsizetype offset = 4;
    for (qint32 i = 0; i < count; ++i) {
        if (bytes.size() - offset < qsizetype(sizeof(FILTERITEM)))
            break;
        FILTERITEM item;
        memcpy(&item, bytes.constData() + offset, sizeof(item));
        offset += sizeof(item);
        list.append(item);
    }
    return list;
}

QByteArray QMyFilters::SerializeFilters(const QList<FILTERITEM>& list)
{
    QByteArray out;
    char raw[4];
    qToLittleEndian<qint32>(qint32(list.size()), raw);
    out.append(raw, 4);
    for (const FILTERITEM& item : list)
        out.append(reinterpret_cast<const char*>(&item), sizeof(item));
    return out;
}

bool QMyFilters::loadDeviceFilters()
{
    filterList.clear();
    QByteArray bytes;
    if (QMyStoredFile::Read(filePath(), QMyStoredFile::kDefaultMaxBytes, bytes) !=
        QMyStoredFile::ReadResult::Ok)
        return false;
    filterList = ParseFilters(bytes);
    makeFilterIdsDistinct(filterList);
    return true;
}

bool QMyFilters::saveDeviceFilters()
{
    return QMyStoredFile::Save(filePath(), SerializeFilters(filterList));
}

void QMyFilters::ApplyAllFilters()
{
    ZD_DeleteFilter(g_Global.hCore, pip, FILTER_ID_ALL);
    for (const FILTERITEM& item : filterList) {
        const QByteArray cmd = FilterItemCmd(item);
        if (ZD_AddFilter(g_Global.hCore, pip, int(item.type), int(item.enabled), cmd.constData(),
                         item.id) < 1)
            AddLog(2, "apply filter failed. " + QString::fromLocal8Bit(cmd));
    }
}
