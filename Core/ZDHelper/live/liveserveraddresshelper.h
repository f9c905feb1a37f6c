// The user's list of RTMP servers and its file "rtmpserver": a -11 header,
// then 4097-byte records (name, address, key, room URL, each 1024 bytes of
// UTF-8, and an enabled byte) up to the end of the file.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

struct SERVER_ADDRITEM {
    QString address;
    QString key;
    QString name;
    bool enabled = false;
    QString roomUrl;
};

class QLiveServerAddressHelper : public QObject
{
    Q_OBJECT
public:
    static constexpr qint32 FileMagic = -11;
    static constexpr int FieldBytes = 1024;
    static constexpr int RecordBytes = 4 * FieldBytes + 1;

    QLiveServerAddressHelper();
    ~QLiveServerAddressHelper() override;

    void Load();
    // Writes the list now; true when the file was written whole.
    bool Save();
    void getStrings(QList<QString>& rows) const;
    bool getAt(int index, QString& name, QString& address, QString& key, bool& enabled,
               QString& roomUrl) const;
    bool IsDouble(const QString& name, const QString& address, const QString& key,
                  int skipIndex) const;
    bool Add(const QString& name, const QString& address, const QString& key, bool enabled,
             const QString& roomUrl);

    static QString filePath();
    // Whether the last Load found a file it could not read; such a file is
    // kept at exit unless the list was changed since.
    bool loadFailed() const { return m_loadFailed; }

    // The file's bytes of a list and the reverse. The parser gives false for
    // bytes that do not start with the header.
    static QByteArray SerializeServers(const QList<SERVER_ADDRITEM*>& list);
    static bool ParseServers(const QByteArray& bytes, QList<SERVER_ADDRITEM*>& out);

    QList<SERVER_ADDRITEM*> servers;

private:
    void clear();
    bool m_loadFailed = false;
    bool m_changed = false;
};
