// Lets a window be dragged by one of its widgets (its title strip) and
// maximised or restored by a double click on it.
#pragma once

#include <QObject>
#include <QPoint>

#include "cursorstyle.h"

class QMouseEvent;
class QWidget;

class WindowStyle : public QObject
{
    Q_OBJECT
public:
    explicit WindowStyle(QObject* parent = nullptr);

    void activateOn(QWidget* w);
    bool eventFilter(QObject* o, QEvent* e) override;

    void mousePressHandle(QMouseEvent* e);
    void mouseDBClickedHandle(QMouseEvent* e);

    QPoint dragOffset;
    QWidget* dragWidget = nullptr;
    QWidget* window = nullptr;
    bool leftPressed = false;
    bool pressInDragWidget = false;
    bool movable = true;
    bool resizable = true;
    bool noDoubleClick = false;
    CursorStyle cursorStyle;
};
