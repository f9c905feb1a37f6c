#include "enginereceivers.h"

#include "myevent.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>

namespace
{
QMutex g_mutex;
QSet<const QObject*>& registered()
{
    static QSet<const QObject*> set;
    return set;
}
} // namespace

void EngineReceivers::add(QObject* receiver)
{
    QMutexLocker lock(&g_mutex);
    registered().insert(receiver);
}

void EngineReceivers::remove(QObject* receiver)
{
    QMutexLocker lock(&g_mutex);
    registered().remove(receiver);
}

bool EngineReceivers::contains(const QObject* receiver)
{
    QMutexLocker lock(&g_mutex);
    return registered().contains(receiver);
}

bool EngineReceivers::postIfRegistered(QObject* receiver, unsigned long msg, long wParam,
                                       long long lParam, void* ptr)
{
    QMutexLocker lock(&g_mutex);
    if (!receiver || !registered().contains(receiver))
        return false;
    PostMessage(receiver, msg, wParam, lParam, ptr);
    return true;
}
