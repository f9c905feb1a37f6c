// The streaming-service presets of the server editor, read from
// "services.xconfig" in the resources folder: a JSON object whose members are
// services, each with an object "servers" of server names and RTMP addresses.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QMenu;

class qmyservershelper
{
public:
    struct Server {
        QString name;
        QString address;
    };
    struct Service {
        QString name;
        QList<Server> servers;
    };

    // A file larger than this is not a presets list; it is read as empty.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    qmyservershelper();
    ~qmyservershelper();

    // Fills menu with one sub-menu per service and one entry per server,
    // whose data indexes its address in urls. False when the file could not
    // be opened (nothing changed); true otherwise, also when it held nothing
    // usable.
    bool LoadServers(QMenu* menu, QList<QString>& urls);
    // The same from another file; a null menu fills only urls.
    static bool LoadServersFrom(const QString& path, QMenu* menu, QList<QString>& urls);

    static QString filePath();
    // The services of a presets text in menu order: services and, within
    // each, servers in reverse key order. Malformed text gives none.
    static QList<Service> ParseServices(const QByteArray& json);
};
