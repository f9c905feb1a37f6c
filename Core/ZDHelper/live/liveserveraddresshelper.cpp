#include "liveserveraddresshelper.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

#include "cpublic.h"
#include "qmystoredfile.h"
#include "stdafx.h"

namespace
{

QString fieldText(const char* field)
{
    return QString::fromUtf8(field, qstrnlen(field, QLiveServerAddressHelper::FieldBytes));
}

// A value that does not fit with its terminator is stored empty, the whole
// field zero.
void appendField(QByteArray& out, const QString& value)
{
    char field[QLiveServerAddressHelper::FieldBytes];
    strcpy_s(field, sizeof(field), value.toUtf8().constData());
    const size_t used = qstrnlen(field, sizeof(field));
    memset(field + used, 0, sizeof(field) - used);
    out.append(field, sizeof(field));
}

} // namespace

QLiveServerAddressHelper::QLiveServerAddressHelper() : QObject(nullptr)
{
    Load();
}

QLiveServerAddressHelper::~QLiveServerAddressHelper()
{
    // Writing an empty list over a file that could not be read would lose
    // the user's servers; it is kept unless the list was changed.
    const bool changed = m_changed || !servers.isEmpty();
    if (!m_loadFailed || changed)
        Save();
    clear();
}

QString QLiveServerAddressHelper::filePath()
{
    return g_Public.GetAppDatePath() + "/rtmpserver";
}

void QLiveServerAddressHelper::clear()
{
    qDeleteAll(servers);
    servers.clear();
}

bool QLiveServerAddressHelper::ParseServers(const QByteArray& bytes, QList<SERVER_ADDRITEM*>& out)
{
    if (bytes.size() < 4 || qFromLittleEndian<qint32>(bytes.constData()) != FileMagic)
        return false;
    // Records follow up to the end; a trailing piece is dropped. A record cut
    // right after its four texts has no flag and is dropped as well.
    for (qsizetype offset = 4; bytes.size() - offset >= RecordBytes; offset += RecordBytes) {
        const char* record = bytes.constData() + offset;
        auto* item = new SERVER_ADDRITEM;
        item->name = fieldText(record);
        item->address = fieldText(record + FieldBytes);
        item->key = fieldText(record + 2 * FieldBytes);
        item->roomUrl = fieldText(record + 3 * FieldBytes);
        item->enabled = record[4 * FieldBytes] != 0;
        out.append(item);
    }
    return true;
}

QByteArray QLiveServerAddressHelper::SerializeServers(const QList<SERVER_ADDRITEM*>& list)
{
    QByteArray out;
    char raw[4];
    qToLittleEndian<qint32>(FileMagic, raw);
    out.append(raw, 4);
    for (const SERVER_ADDRITEM* item : list) {
        appendField(out, item->name);
        appendField(out, item->address);
        appendField(out, item->key);
        appendField(out, item->roomUrl);
        out.append(char(item->enabled ? 1 : 0));
    }
    return out;
}

void QLiveServerAddressHelper::Load()
{
    clear();
    m_changed = false;
    m_loadFailed = false;
    QByteArray bytes;
    const QMyStoredFile::ReadResult read =
        QMyStoredFile::Read(filePath(), QMyStoredFile::kDefaultMaxBytes, bytes);
    if (read != QMyStoredFile::ReadResult::Ok) {
        m_loadFailed = read == QMyStoredFile::ReadResult::Refused;
        return;
    }
    if (!ParseServers(bytes, servers)) {
        m_loadFailed = true;
        AddLog(8, "Read " + filePath() + " failed: not a server list.");
    }
}

bool QLiveServerAddressHelper::Save()
{
    if (!QMyStoredFile::Save(filePath(), SerializeServers(servers)))
        return false;
    // The list on disk is now the user's; it is written again at exit.
    m_loadFailed = false;
    return true;
}

void QLiveServerAddressHelper::getStrings(QList<QString>& rows) const
{
    rows.clear();
    for (const SERVER_ADDRITEM* item : servers)
        rows.append(item->name + " (" + item->address + "/" + "*******" + ")");
}

bool QLiveServerAddressHelper::getAt(int index, QString& name, QString& address, QString& key,
                                     bool& enabled, QString& roomUrl) const
{
    if (index < 0 || index >= servers.size())
        return false;
    const SERVER_ADDRITEM* item = servers.at(index);
    name = item->name;
    address = item->address;
    key = item->key;
    enabled = item->enabled;
    roomUrl = item->roomUrl;
    return true;
}

bool QLiveServerAddressHelper::IsDouble(const QString& name, const QString& address,
                                        const QString& key, int skipIndex) const
{
    Q_UNUSED(name);
    for (int i = 0; i < servers.size(); ++i) {
        if (i == skipIndex)
            continue;
        const SERVER_ADDRITEM* item = servers.at(i);
        if (item->address == address && item->key == key)
            return true;
    }
    return false;
}

bool QLiveServerAddressHelper::Add(const QString& name, const QString& address, const QString& key,
                                   bool enabled, const QString& roomUrl)
{
    if (IsDouble(name, address, key, -1))
        return false;
    auto* item = new SERVER_ADDRITEM;
    item->name = name;
    item->address = address;
    item->key = key;
    item->enabled = enabled;
    item->roomUrl = roomUrl;
    servers.append(item);
    m_changed = true;
    return true;
}
