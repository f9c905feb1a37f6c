#include "myevent.h"

#include <QCoreApplication>
#include <atomic>

MyEvent::~MyEvent() = default;

namespace
{
// Engine threads read the main-window pointer while posting their reports, so
// it is kept in an atomic; the window itself is only touched on the GUI thread.
std::atomic<QWidget*> g_mainWindow{nullptr};
} // namespace

QWidget* AfxGetMainWindow()
{
    return g_mainWindow.load(std::memory_order_acquire);
}

void AfxSetMainWindow(QWidget* window)
{
    g_mainWindow.store(window, std::memory_order_release);
}

static QObject* resolveTarget(QObject* target)
{
    return target ? target : AfxGetMainWindow();
}

void PostMessage(QObject* target, unsigned long msg, long wParam, long long lParam, void* ptr)
{
    QObject* receiver = resolveTarget(target);
    if (!receiver)
        return;
    QCoreApplication::postEvent(receiver, new MyEvent(msg, wParam, lParam, ptr),
                                Qt::NormalEventPriority);
}

void SendMessage(QObject* target, unsigned long msg, long wParam, long long lParam, void* ptr)
{
    QObject* receiver = resolveTarget(target);
    if (!receiver)
        return;
    MyEvent event(msg, wParam, lParam, ptr);
    QCoreApplication::sendEvent(receiver, &event);
}
