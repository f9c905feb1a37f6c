#include "cursorstyle.h"

#include <QWidget>

CursorStyle::CursorStyle(QObject* parent) : QObject(parent) {}

void CursorStyle::updateCursorPos(const QPoint& p, const QRect& r)
{
    const int L = r.left();
    const int T = r.top();
    const int R1 = L + r.width();
    const int B1 = T + r.height();
    const int b = borderWidth;
    const int x = p.x();
    const int y = p.y();

    const bool nearLeft = L <= x && x <= L + b;
    const bool nearRight = R1 - b <= x && x <= R1;
    const bool nearTop = T <= y && y <= T + b;
    const bool nearBottom = B1 - b <= y && y <= B1;

    if (contentWidget && contentWidget->childAt(x - L, y - T)) {
        position = PosNone;
        return;
    }
    if (nearLeft && nearTop)
        position = PosTopLeft;
    else if (nearLeft && nearBottom)
        position = PosBottomLeft;
    else if (nearRight && nearTop)
        position = PosTopRight;
    else if (nearRight && nearBottom)
        position = PosBottomRight;
    else if (nearLeft)
        position = PosLeft;
    else if (nearRight)
        position = PosRight;
    else if (nearTop)
        position = PosTop;
    else if (nearBottom)
        position = PosBottom;
    else if (moveStripEnabled && T + b < y && y < T + b + 20)
        position = PosMoveStrip;
    else
        position = PosNone;
}

void CursorStyle::updateCursorStyle(const QPoint& p, QWidget* w, const QRect& r)
{
    updateCursorPos(p, r);
    switch (position) {
    case PosLeft:
    case PosRight:
        w->setCursor(Qt::SizeHorCursor);
        break;
    case PosTop:
    case PosBottom:
        w->setCursor(Qt::SizeVerCursor);
        break;
    case PosTopLeft:
    case PosBottomRight:
        w->setCursor(Qt::SizeFDiagCursor);
        break;
    case PosBottomLeft:
    case PosTopRight:
        w->setCursor(Qt::SizeBDiagCursor);
        break;
    case PosMoveStrip:
        w->setCursor(Qt::SizeAllCursor);
        break;
    default:
        w->unsetCursor();
        break;
    }
}
