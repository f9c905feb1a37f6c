// A sysfs tree of USB devices for the agent's tests.
#pragma once

#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>

namespace agenttest
{

inline void writeAttribute(const QString& folder, const QString& name, const QByteArray& value)
{
    QDir().mkpath(folder);
    QFile f(folder + "/" + name);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(value + "\n");
}

// A device folder under <root>/bus/usb/devices; attributes left out of
// values are not written.
inline void addUsbDevice(const QString& root, const QString& name,
                         const QMap<QString, QByteArray>& values)
{
    const QString folder = root + "/bus/usb/devices/" + name;
    QDir().mkpath(folder);
    for (auto it = values.begin(); it != values.end(); ++it)
        writeAttribute(folder, it.key(), it.value());
}

inline QMap<QString, QByteArray> captureBox()
{
    return {{"idVendor", "1234"},   {"idProduct", "5678"},     {"bcdDevice", "0100"},
            {"bDeviceClass", "ef"}, {"bDeviceSubClass", "02"}, {"busnum", "3"},
            {"devnum", "4"},        {"devpath", "1.2"},        {"serial", "ABC123"}};
}

} // namespace agenttest
