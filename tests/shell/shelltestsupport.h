// Helpers of the main-window tests: two offscreen screens of known size, the
// engine's call trace, and a spy that sees the bus messages a widget receives
// (and may swallow some, so that a test never runs a modal menu).
#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtTest>

#include "myevent.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"

namespace shelltest
{

// Two screens side by side: A (0,0 1920x1080, primary) and B (1920,0
// 1280x1024). Must run before the application object is made, so it is
// called from a static initialiser of the test file.
inline bool useTwoOffscreenScreens()
{
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=" ZD_TEST_SOURCE_DIR
                                          "/tests/shell/offscreen-two-screens.json"));
    return true;
}

using zdtest::engineTrace;

using zdtest::traceLines;

struct SeenMessage {
    quint64 msg;
    qint64 wParam;
    qint64 lParam;
};

class MessageSpy : public QObject
{
public:
    MessageSpy(QObject* watched, const QString& name, QStringList* order = nullptr)
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
    bool eventFilter(QObject* o, QEvent* e) override
    {
        Q_UNUSED(o);
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

} // namespace shelltest
