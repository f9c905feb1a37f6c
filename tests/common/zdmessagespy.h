// Sees the bus messages (MyEvent) that reach a watched object, in order, and
// may keep some of them from it (so that a test never runs a modal menu).
// With a list to write into, several spies record one common order as
// "name:message".
#pragma once

#include <QEvent>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include "myevent.h"

namespace zdtest
{

struct SeenMessage {
    quint64 msg;
    qint64 wParam;
    qint64 lParam;
};

class MessageSpy : public QObject
{
public:
    explicit MessageSpy(QObject* watched, const QString& name = QString(),
                        QStringList* order = nullptr)
        : m_name(name), m_order(order)
    {
        watched->installEventFilter(this);
    }

    QList<SeenMessage> seen;
    // Messages that the spy keeps from reaching the watched object.
    QSet<quint64> swallow;

    QList<SeenMessage> of(quint64 msg) const
    {
        QList<SeenMessage> list;
        for (const SeenMessage& m : seen) {
            if (m.msg == msg)
                list << m;
        }
        return list;
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != MyEvent::EventType)
            return false;
        auto* m = static_cast<MyEvent*>(e);
        seen << SeenMessage{m->msg, m->wParam, m->lParam};
        if (m_order)
            m_order->append(QString("%1:%2").arg(m_name).arg(m->msg));
        return swallow.contains(m->msg);
    }

private:
    QString m_name;
    QStringList* m_order;
};

} // namespace zdtest
