// Classifies a mouse position against a rectangle into one of eight edge or
// corner zones or a move strip, and shows the matching resize cursor.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;

class CursorStyle : public QObject
{
    Q_OBJECT
public:
    // Zones of `position`.
    enum {
        PosNone = 0,
        PosLeft = 1,
        PosRight = 2,
        PosTop = 3,
        PosBottom = 4,
        PosTopLeft = 5,
        PosBottomLeft = 6,
        PosTopRight = 7,
        PosBottomRight = 8,
        PosMoveStrip = 9
    };

    explicit CursorStyle(QObject* parent = nullptr);

    void updateCursorPos(const QPoint& p, const QRect& r);
    void updateCursorStyle(const QPoint& p, QWidget* w, const QRect& r);

    int borderWidth = 5;
    bool moveStripEnabled = false;
    // Child widgets of this widget block every zone, so controls placed on an
    // edge keep their own cursor.
    QWidget* contentWidget = nullptr;
    int position = PosNone;
};
