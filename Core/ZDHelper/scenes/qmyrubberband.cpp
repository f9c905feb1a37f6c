#include "qmyrubberband.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPen>
#include <QRegion>

#include <cmath>

#include "cursorstyle.h"
#include "myevent.h"
#include "screenscale.h"
#include "stdafx.h"
#include "zdhelpergui.h"

namespace
{

// Smaller than this on either side the frame can no longer be grabbed.
constexpr int kMinSide = 33;

// How far the window's visible band reaches on each side of the frame line:
// room for the 3-pixel pen.
constexpr int kBandHalf = 2;

const char* const kMenuStyle =
    "QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} QMenu::Item:selected{background: "
    "#5a69e1;} QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}";

QPoint PointOfFields(qint64 lParam)
{
    const quint64 v = quint64(lParam);
    return QPoint(qint16(quint16(v >> 48)), qint16(quint16(v >> 32)));
}

} // namespace

QMyRubberBand::QMyRubberBand(QWidget* parent) : QWidget(parent)
{
    // A tool window rather than a pop-up: a pop-up would grab the mouse and
    // keyboard of the whole program on X11 and close at the first outside
    // click, while the frame must stay over the preview while the user works.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // The menu opens from the main window's mouse messages, inside the frame
    // as on its line (updateBand); the line itself asks for no second one.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setObjectName("QMyRubberBand");
    setWindowTitle("QMyRubberBand");
    resize(400, 300);
    cursorHelper = new CursorStyle(this);
    cursorHelper->borderWidth = 10;
    cursorHelper->moveStripEnabled = true;
    object = this;
    ZDHelperGUI::g__mouse_ev_list.append(this);
}

QMyRubberBand::~QMyRubberBand() = default;

QRect QMyRubberBand::limitRect() const
{
    if (!limit.isNull())
        return limit;
    if (!previewHost)
        return QRect();
    return QRect(previewHost->mapToGlobal(QPoint(0, 0)), previewHost->size());
}

QRect QMyRubberBand::TransToGlobal(const QRect& local) const
{
    return local.translated(limitRect().topLeft());
}

bool QMyRubberBand::setGeometryFromLocal(const QRect& local)
{
    if (!previewHost)
        return false;
    const QRect g = TransToGlobal(local);
    setGeometry(g.x(), g.y(), g.width(), g.height());
    return true;
}

void QMyRubberBand::setGeometry(int x, int y, int w, int h)
{
    const QRect L = limitRect();
    x = qMax(L.left(), x);
    y = qMax(L.top(), y);
    if (moving) {
        x = qMin(L.right() - w, x);
        y = qMin(L.bottom() - h, y);
    } else {
        x = qMin(L.right() - 32, x);
        y = qMin(L.bottom() - 32, y);
        if (x + w > L.right())
            w = L.right() - x;
        if (y + h > L.bottom())
            h = L.bottom() - y;
    }
    frameRect =
        QRect(QPoint(x - L.left(), y - L.top()), QPoint(x - L.left() + w - 1, y - L.top() + h - 1));
    dbg("finnal rect %d,%d,%d,%d (red_line_rect:%d,%d,%d,%d) (boddy rect: %d,%d,%d,%d)\n", x, y, w,
        h, frameRect.left(), frameRect.top(), frameRect.right(), frameRect.bottom(), L.left(),
        L.top(), L.right(), L.bottom());
    updateBand();
    update();
}

void QMyRubberBand::updateBand()
{
    // Only the band around the frame line belongs to the window. Without a
    // compositing manager (a plain X11 window manager) a translucent window
    // shows black where it is transparent, and a window over the whole
    // preview hid the video; the band also leaves presses inside the frame
    // to the preview, where the main window's mouse messages report them.
    if (frameRect.isEmpty()) {
        setMask(QRegion(0, 0, 1, 1));
        return;
    }
    const QRect outer = frameRect.adjusted(-kBandHalf, -kBandHalf, kBandHalf, kBandHalf);
    const QRect inner =
        frameRect.adjusted(kBandHalf + 1, kBandHalf + 1, -kBandHalf - 1, -kBandHalf - 1);
    setMask(inner.isEmpty() ? QRegion(outer) : QRegion(outer).subtracted(QRegion(inner)));
}

void QMyRubberBand::setKeepaspect(bool keep, int sourceWidth, int sourceHeight)
{
    if (sourceWidth <= 0 || sourceHeight <= 0)
        return;
    const double q = double(sourceWidth) / double(sourceHeight);
    if (keepAspect == 0 && keep) {
        const int w = frameRect.width();
        const int h = frameRect.height();
        if (w > int(std::trunc(h * q)))
            frameRect.setRight(frameRect.left() + int(std::trunc(h * q)) - 1);
        else
            frameRect.setBottom(frameRect.top() + int(std::trunc(w / q)) - 1);
        updateBand();
        update();
        emit rectChanging(object, frameRect);
    }
    ratio = q;
    keepAspect = keep ? 1 : 0;
}

void QMyRubberBand::endDrag()
{
    moving = false;
    pressed = false;
}

bool QMyRubberBand::event(QEvent* e)
{
    if (e->type() == MyEvent::EventType) {
        auto* m = static_cast<MyEvent*>(e);
        if (m->msg == MSG_MOUSE_ACTIVITY) {
            if (isVisible())
                onMouse(int(m->wParam), PointOfFields(m->lParam));
            return true;
        }
        if (m->msg == MSG_MAIN_WINDOW_DEACTIVATED) {
            // A window system that hands the activation to the frame itself
            // as it appears (the test platform does) has not left the
            // program.
            if (m->wParam == 0 && QApplication::activeWindow() != this) {
                endDrag();
                hide();
            }
            return true;
        }
    }
    return QWidget::event(e);
}

void QMyRubberBand::onMouse(int kind, const QPoint& p)
{
    const QRect window = limitRect();
    switch (kind) {
    case 3:
        if (window.contains(p)) {
            pressed = true;
            rectAtPress = frameRect;
            rectAtPressKept = frameRect;
            pressPoint = p;
            int region = cursorHelper->position;
            // The inside of the frame moves it, as the strip under its top
            // edge does.
            if (region == CursorStyle::PosNone && TransToGlobal(frameRect).contains(p))
                region = CursorStyle::PosMoveStrip;
            moving = region == CursorStyle::PosMoveStrip;
        }
        break;
    case 1:
        if (pressed && moving) {
            const QRect r = TransToGlobal(rectAtPress).translated(p - pressPoint);
            setGeometry(r.x(), r.y(), r.width(), r.height());
            emit rectChanging(object, frameRect);
        } else if (pressed) {
            resizeStep(p, cursorHelper->position);
        }
        cursorHelper->updateCursorStyle(p, this, TransToGlobal(frameRect));
        break;
    case 4: {
        const bool wasPressed = pressed;
        endDrag();
        if (wasPressed && window.contains(p) && frameRect != rectAtPressKept)
            emit rectChanged(object, frameRect);
        break;
    }
    case 6: {
        // A right click inside the frame lands on the preview, not on this
        // window; the menu opens once the click is delivered.
        const QPoint local = p - window.topLeft();
        if (frameRect.contains(local))
            QMetaObject::invokeMethod(
                this, [this, local] { ShowContextMenu(local); }, Qt::QueuedConnection);
        break;
    }
    default:
        break;
    }
}

void QMyRubberBand::resizeStep(const QPoint& p, int region)
{
    if (region < 1 || region > 8)
        return;
    const QPoint d = p - pressPoint;
    int l = rectAtPress.left(), t = rectAtPress.top();
    int r = rectAtPress.right(), b = rectAtPress.bottom();
    switch (region) {
    case CursorStyle::PosLeft:
        l += d.x();
        break;
    case CursorStyle::PosRight:
        r += d.x();
        break;
    case CursorStyle::PosTop:
        t += d.y();
        break;
    case CursorStyle::PosBottom:
        b += d.y();
        break;
    case CursorStyle::PosTopLeft:
        t += d.y();
        l += d.x();
        break;
    case CursorStyle::PosBottomLeft:
        b += d.y();
        l += d.x();
        break;
    case CursorStyle::PosTopRight:
        t += d.y();
        r += d.x();
        break;
    case CursorStyle::PosBottomRight:
        b += d.y();
        r += d.x();
        break;
    default:
        break;
    }
    bool vertical;
    if (region == CursorStyle::PosTop || region == CursorStyle::PosBottom)
        vertical = true;
    else if (region == CursorStyle::PosLeft || region == CursorStyle::PosRight)
        vertical = false;
    else
        vertical = d.y() > d.x();
    if (keepAspect && ratio > 0) {
        if (vertical) {
            const int newW = int(std::trunc(ratio * (b - t + 1)));
            const int oldW = r - l + 1;
            l -= (newW - oldW) / 2;
            r = l + newW - 1;
        } else {
            const int newH = int(std::trunc((r - l + 1) / ratio));
            const int oldH = b - t + 1;
            t -= (newH - oldH) / 2;
            b = t + newH - 1;
        }
    }
    if (l > r)
        return;
    const QRect L = limitRect();
    const QPoint origin = L.topLeft();
    if (!L.contains(QPoint(l, t) + origin) || !L.contains(QPoint(r, b) + origin))
        return;
    const QRect next(QPoint(l, t), QPoint(r, b));
    if (t > b || next.width() < kMinSide || next.height() < kMinSide || next == rectAtPress)
        return;
    const QRect g = TransToGlobal(next);
    setGeometry(g.x(), g.y(), g.width(), g.height());
    emit rectChanging(object, frameRect);
    rectAtPress = frameRect;
    pressPoint = p;
}

void QMyRubberBand::paintEvent(QPaintEvent*)
{
    if (paintState == 1) {
        paintState = 2;
        // The first paint draws nothing; the frame must not wait for a drag
        // to be drawn.
        QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
        return;
    }
    if (paintState != 2)
        return;
    QPainter painter(this);
    QPen pen(QColor(255, 0, 0), 3, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frameRect);
}

void QMyRubberBand::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (previewHost) {
        const QRect L = limitRect();
        QWidget::setGeometry(L);
        setFixedSize(L.size());
        updateBand();
        paintState = 1;
        // The first paint is skipped; ask for the one that draws.
        update();
    }
}

void QMyRubberBand::hideEvent(QHideEvent* e)
{
    paintState = 0;
    endDrag();
    QWidget::hideEvent(e);
}

void QMyRubberBand::ShowContextMenu(const QPoint& point)
{
    if (!frameRect.contains(point))
        return;
    QMenu menu(this);
    // Ids of their own: the row's buttons show "lock", "Edit" and "Del"
    // under 22003, 22007 and 22008.
    FillMenu(menu, {{22014, "Lock", 1},
                    {22011, "Full window", 2},
                    {22012, "keep aspect", 5},
                    {22015, "Setup", 3},
                    {22016, "Delete", 4}});
    for (QAction* action : menu.actions()) {
        if (action->data().toInt() == 5) {
            action->setCheckable(true);
            action->setChecked(keepAspect != 0);
        }
    }
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen)
        emit menuClicked(object, chosen->data().toInt());
}

void QMyRubberBand::FillMenu(QMenu& menu, std::initializer_list<MenuEntry> entries)
{
    AdjustFonts(&menu);
    menu.setStyleSheet(kMenuStyle);
    for (const MenuEntry& entry : entries) {
        QAction* action = menu.addAction(getLang(entry.textId, entry.text));
        action->setData(entry.data);
        menu.addSeparator();
    }
}
