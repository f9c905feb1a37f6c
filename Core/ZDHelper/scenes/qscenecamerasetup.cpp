#include "qscenecamerasetup.h"

#include <QByteArray>
#include <QString>

#include <cstring>

#include "stdafx.h"

namespace
{

// A fixed text field up to its first NUL or its end: a field the engine
// filled to the brim has no terminator.
QByteArray fieldBytes(const char* field, size_t size)
{
    const void* nul = std::memchr(field, 0, size);
    const size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
    return QByteArray(field, static_cast<qsizetype>(n));
}

} // namespace

bool QSceneCameraSetup::IsMyDevice(const DEV_NAME* device)
{
    if (device == nullptr)
        return false;
    const QString path = QString::fromLatin1(fieldBytes(device->path, sizeof device->path));
    if (path.isEmpty() || g_valid_captures.isEmpty())
        return true;
    const QString name = QString::fromLatin1(fieldBytes(device->name, sizeof device->name));
    for (const QString& entry : g_valid_captures) {
        if (entry.startsWith(QLatin1Char(':'))) {
            QString id = entry;
            id.remove(QLatin1Char(':'));
            id.remove(QLatin1Char('*'));
            if (path.contains(id))
                return true;
        } else if (entry.contains(QLatin1Char('*'))) {
            QString part = entry;
            part.remove(QLatin1Char('*'));
            if (name.contains(part))
                return true;
        } else if (entry == name) {
            return true;
        }
    }
    return false;
}

bool QSceneCameraSetup::IsIt4k30Dev(const DEV_NAME* device)
{
    if (device == nullptr)
        return false;
    const QByteArray path = fieldBytes(device->path, sizeof device->path);
    return path.contains("VID_048D&PID_93") || path.contains("VID_6B4F&PID_32");
}

bool QSceneCameraSetup::IsIt9910Dev(const DEV_NAME* device)
{
    if (device == nullptr)
        return false;
    return fieldBytes(device->path, sizeof device->path).contains("PID_9910");
}

bool QSceneCameraSetup::isEqueDeviceName(const DEV_NAME* a, const DEV_NAME* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    return fieldBytes(a->name, sizeof a->name) == fieldBytes(b->name, sizeof b->name) &&
           fieldBytes(a->path, sizeof a->path) == fieldBytes(b->path, sizeof b->path) &&
           a->kind == b->kind;
}

bool QSceneCameraSetup::isEqueDeviceFormat(const DEV_CAPACITY* a, const DEV_CAPACITY* b)
{
    if (a == nullptr || b == nullptr)
        return false;
    return a->fourcc == b->fourcc && a->width == b->width && a->height == b->height;
}
