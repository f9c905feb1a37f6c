#include "qglobalapplication.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "enginereceivers.h"
#include "myevent.h"

GlobalApplication::GlobalApplication(int& argc, char** argv) : QApplication(argc, argv) {}

GlobalApplication::~GlobalApplication() = default;

void GlobalApplication::setMouseReporter(MouseReporter reporter)
{
    m_reporter = std::move(reporter);
}

void GlobalApplication::report(int kind, int a, int b, int x, int y)
{
    if (AfxGetMainWindow() && m_reporter)
        m_reporter(kind, a, b, x, y);
}

bool GlobalApplication::IsDoubleCall(int x, int y, void* receiver)
{
    if (m_lastGlobalY > 0 && m_lastGlobalX > 0 && x == m_lastGlobalX && y == m_lastGlobalY &&
        receiver != m_lastReceiver)
        return true;
    m_lastGlobalX = x;
    m_lastGlobalY = y;
    m_lastReceiver = receiver;
    return false;
}

bool GlobalApplication::notify(QObject* receiver, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPointF local = mouse->position();
        const QPointF global = mouse->globalPosition();
        const int x = int(local.x()), y = int(local.y());
        const int gx = int(global.x()), gy = int(global.y());
        if (event->type() == QEvent::MouseMove) {
            report(1, gx, gy, x, y);
        } else if (event->type() == QEvent::MouseButtonPress) {
            m_lastButtons = int(mouse->buttons());
            if (!IsDoubleCall(gx, gy, receiver) && m_lastButtons != 0)
                report((m_lastButtons & Qt::LeftButton) ? 3 : 5, gx, gy, x, y);
        } else {
            // The buttons remembered at the press decide, not the release's.
            if (!IsDoubleCall(gx, gy, receiver) && m_lastButtons != 0)
                report((m_lastButtons & Qt::LeftButton) ? 4 : 6, gx, gy, x, y);
        }
        break;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPointF local = wheel->position();
        report(2, wheel->pixelDelta().x(), wheel->pixelDelta().y(), int(local.x()), int(local.y()));
        break;
    }
    default:
        break;
    }
    return QApplication::notify(receiver, event);
}

void handle_PIPE_SIG(int) {}

void zd_message_callback(int sync, void* target, unsigned int msg, unsigned long wParam,
                         long long lParam, void* ptr, void* user)
{
    Q_UNUSED(user);
    if (!target && !AfxGetMainWindow())
        return;
    auto* receiver = static_cast<QObject*>(target);
    // A search's answer comes seconds later: the dialog that asked may be
    // gone, and is then no longer registered.
    if (msg == MSG_DUD_SEARCH_DONE) {
        EngineReceivers::postIfRegistered(receiver, msg, long(wParam), lParam, ptr);
        return;
    }
    if (sync == 0)
        PostMessage(receiver, msg, long(wParam), lParam, ptr);
    else
        SendMessage(receiver, msg, long(wParam), lParam, ptr);
}
