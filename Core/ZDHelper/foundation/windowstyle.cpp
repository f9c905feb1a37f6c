#include "windowstyle.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QWidget>

WindowStyle::WindowStyle(QObject* parent) : QObject(parent) {}

void WindowStyle::activateOn(QWidget* w)
{
    if (!w)
        return;
    dragWidget = w;
    cursorStyle.contentWidget = w;
    window = w->window();
    window->installEventFilter(this);
}

void WindowStyle::mousePressHandle(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    leftPressed = true;
    const QPoint global = e->globalPosition().toPoint();
    const QPoint point = dragWidget == window ? global : e->position().toPoint();
    if (dragWidget->geometry().contains(point)) {
        pressInDragWidget = true;
        dragOffset = global - window->mapToGlobal(QPoint(0, 0));
    }
}

void WindowStyle::mouseDBClickedHandle(QMouseEvent* e)
{
    if (noDoubleClick || e->button() != Qt::LeftButton)
        return;
    if (!dragWidget->geometry().contains(e->position().toPoint()))
        return;
    // Called by name so that a window declaring its own showNormal and
    // showMaximized slots (the main window keeps its player area across the
    // change that way) gets those rather than QWidget's.
    const char* slot = window->isMaximized() ? "showNormal" : "showMaximized";
    QMetaObject::invokeMethod(window, slot, Qt::DirectConnection);
}

bool WindowStyle::eventFilter(QObject* o, QEvent* e)
{
    if (o == window && window) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            mousePressHandle(static_cast<QMouseEvent*>(e));
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
                leftPressed = false;
                pressInDragWidget = false;
            }
            break;
        case QEvent::MouseButtonDblClick:
            mouseDBClickedHandle(static_cast<QMouseEvent*>(e));
            break;
        case QEvent::MouseMove:
            if (leftPressed && cursorStyle.position == 0 && movable && pressInDragWidget) {
                const QPoint global = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
                // dragOffset is taken from the client area, but move() places
                // the frame; the window manager's frame on Linux would
                // otherwise make the window jump by its own height.
                const QPoint frameToClient = window->geometry().topLeft() - window->pos();
                window->move(global - dragOffset - frameToClient);
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(o, e);
}
