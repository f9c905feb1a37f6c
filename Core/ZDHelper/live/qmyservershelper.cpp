#include "qmyservershelper.h"

#include <QAction>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>

#include "cpublic.h"
#include "qmystoredfile.h"
#include "screenscale.h"

qmyservershelper::qmyservershelper() = default;

qmyservershelper::~qmyservershelper() = default;

QString qmyservershelper::filePath()
{
    return CPublic::GetResourcePath() + QStringLiteral("/services.xconfig");
}

QList<qmyservershelper::Service> qmyservershelper::ParseServices(const QByteArray& json)
{
    QList<Service> services;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || doc.isNull() || !doc.isObject())
        return services;
    const QJsonObject top = doc.object();
    const QStringList serviceNames = top.keys();
    for (qsizetype i = serviceNames.size() - 1; i >= 0; --i) {
        Service service;
        service.name = serviceNames.at(i);
        const QJsonObject servers = top.value(service.name).toObject().value("servers").toObject();
        const QStringList serverNames = servers.keys();
        for (qsizetype j = serverNames.size() - 1; j >= 0; --j)
            service.servers.append(
                {serverNames.at(j), servers.value(serverNames.at(j)).toString()});
        services.append(service);
    }
    return services;
}

bool qmyservershelper::LoadServers(QMenu* menu, QList<QString>& urls)
{
    return LoadServersFrom(filePath(), menu, urls);
}

bool qmyservershelper::LoadServersFrom(const QString& path, QMenu* menu, QList<QString>& urls)
{
    // The file ships with the program, but it is still outside bytes: an
    // oversized one is not read into memory.
    QByteArray bytes;
    const QMyStoredFile::ReadResult read = QMyStoredFile::Read(path, MaxFileBytes, bytes);
    if (read == QMyStoredFile::ReadResult::Missing)
        return false;
    urls.clear();
    for (const Service& service : ParseServices(bytes)) {
        QMenu* sub = menu ? menu->addMenu(service.name) : nullptr;
        if (sub)
            AdjustFonts(sub);
        for (const Server& server : service.servers) {
            if (sub) {
                QAction* action = sub->addAction(server.name);
                action->setData(int(urls.size()));
            }
            urls.append(server.address);
        }
    }
    return true;
}
