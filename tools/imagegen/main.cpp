// Draws every picture of the program (the embedded ":/images/res/" tree) in
// one dark style, so that they can be regenerated and restyled in one place.
//
//   zd_imagegen <output folder>
//   zd_imagegen --app-icons <output folder> <icon name> <size>...
//     (the program's icon for the desktop's menus, in the hicolor theme's
//     <size>x<size>/apps/ folders; the build names the sizes it installs)
//
// Conventions:
// - Everything is drawn at twice the size it is shown at; the widgets scale
//   the pictures down smoothly, which keeps thin lines crisp at every
//   display factor.
// - Button sprites hold four cells side by side, in the order the picture
//   button uses them: normal, hover, pressed, disabled. Where a disabled
//   button marks the current choice (the record/live switch, the files
//   window's list/icon switch) the disabled cell is drawn as "selected".
// - Line icons are drawn on a 24-unit grid with round caps and joins.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace
{

// ---------------------------------------------------------------- palette

const QColor kInk(197, 202, 211);      // icon lines at rest
const QColor kInkHover(255, 255, 255); // icon lines under the mouse
const QColor kInkPressed(176, 186, 255);
const QColor kInkDisabled(197, 202, 211, 72);
const QColor kAccent(90, 105, 225); // the menu selection colour of the program
const QColor kAccentLight(123, 136, 255);
const QColor kRed(229, 72, 77);
const QColor kGreen(47, 191, 113);
const QColor kBlue(76, 141, 246);
const QColor kAmber(245, 165, 36);
const QColor kSky(76, 195, 246);

enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

constexpr int kZoom = 2; // pictures are drawn at twice their shown size

QString g_outDir;
int g_written = 0;
bool g_failed = false;

void save(const QImage& img, const QString& name)
{
    const QString path = g_outDir + "/" + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        g_failed = true;
        return;
    }
    ++g_written;
}

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QColor withAlpha(QColor c, int a)
{
    c.setAlpha(a);
    return c;
}

QColor lighter(const QColor& c, int percent)
{
    return c.lighter(percent);
}

// ---------------------------------------------------------------- glyphs
// Each glyph draws on a 24 x 24 grid with the painter's pen (the ink, width
// 2, round caps) already set and no brush. `ink` is the line colour of the
// state; `accent` the glyph's own colour (dimmed when disabled).

struct Ink {
    QColor fg;
    QColor accent;
    State state;
};

using Glyph = std::function<void(QPainter&, const Ink&)>;

void fillWith(QPainter& p, const QColor& c)
{
    p.setBrush(c);
}

void gClose(QPainter& p, const Ink&)
{
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

void gMinimise(QPainter& p, const Ink&)
{
    p.drawLine(QPointF(5, 12.5), QPointF(19, 12.5));
}

void gMenu(QPainter& p, const Ink&)
{
    p.drawLine(QPointF(4, 6), QPointF(20, 6));
    p.drawLine(QPointF(4, 12), QPointF(20, 12));
    p.drawLine(QPointF(4, 18), QPointF(20, 18));
}

void gMaximise(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(5, 5, 14, 14), 1.5, 1.5);
}

void gRestore(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(4, 9, 11, 11), 1.5, 1.5);
    QPainterPath back;
    back.moveTo(9, 9);
    back.lineTo(9, 5.5);
    back.quadTo(9, 4, 10.5, 4);
    back.lineTo(18.5, 4);
    back.quadTo(20, 4, 20, 5.5);
    back.lineTo(20, 13.5);
    back.quadTo(20, 15, 18.5, 15);
    back.lineTo(15, 15);
    p.drawPath(back);
}

void gGear(QPainter& p, const Ink&)
{
    // Sampled in polar form: eight trapezoid teeth between two radii.
    const int teeth = 8;
    const qreal ro = 10.2, ri = 7.4;
    const QPointF c(12, 12);
    QPainterPath gear;
    const int samples = 960;
    for (int i = 0; i <= samples; ++i) {
        const qreal a = 2 * M_PI * i / samples;
        qreal f = a * teeth / (2 * M_PI) + 0.15;
        f -= qFloor(f);
        qreal r;
        if (f < 0.30)
            r = ro;
        else if (f < 0.42)
            r = ro - (ro - ri) * (f - 0.30) / 0.12;
        else if (f < 0.88)
            r = ri;
        else
            r = ri + (ro - ri) * (f - 0.88) / 0.12;
        const QPointF pt(c.x() + r * qCos(a), c.y() + r * qSin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    p.drawPath(gear);
    p.drawEllipse(c, 3.2, 3.2);
}

void gStopwatch(QPainter& p, const Ink& ink)
{
    p.drawEllipse(QPointF(12, 13.5), 8.5, 8.5);
    p.drawLine(QPointF(10, 2.5), QPointF(14, 2.5));
    p.drawLine(QPointF(12, 2.5), QPointF(12, 5));
    p.drawLine(QPointF(18.8, 6.4), QPointF(20.2, 7.8));
    QPen hand = p.pen();
    hand.setColor(ink.accent);
    p.setPen(hand);
    p.drawLine(QPointF(12, 13.5), QPointF(12, 8.5));
    p.drawLine(QPointF(12, 13.5), QPointF(15.5, 15.5));
}

void gClock(QPainter& p, const Ink&)
{
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.drawLine(QPointF(12, 12), QPointF(12, 6.5));
    p.drawLine(QPointF(12, 12), QPointF(16, 14.5));
}

void gSpeaker(QPainter& p, const Ink&)
{
    QPainterPath body;
    body.moveTo(3, 9.5);
    body.lineTo(7.5, 9.5);
    body.lineTo(12.5, 5);
    body.lineTo(12.5, 19);
    body.lineTo(7.5, 14.5);
    body.lineTo(3, 14.5);
    body.closeSubpath();
    p.drawPath(body);
}

void gVolume(QPainter& p, const Ink& ink)
{
    gSpeaker(p, ink);
    p.drawArc(QRectF(11, 8, 8, 8), -50 * 16, 100 * 16);
    p.drawArc(QRectF(9.5, 4.5, 13, 15), -55 * 16, 110 * 16);
}

void gMuted(QPainter& p, const Ink& ink)
{
    gSpeaker(p, ink);
    QPen pen = p.pen();
    pen.setColor(ink.accent);
    p.setPen(pen);
    p.drawLine(QPointF(16, 9.5), QPointF(21, 14.5));
    p.drawLine(QPointF(21, 9.5), QPointF(16, 14.5));
}

void gFolderFilm(QPainter& p, const Ink& ink)
{
    QPainterPath folder;
    folder.moveTo(2.5, 6);
    folder.quadTo(2.5, 4, 4.5, 4);
    folder.lineTo(9, 4);
    folder.lineTo(11, 6.5);
    folder.lineTo(19.5, 6.5);
    folder.quadTo(21.5, 6.5, 21.5, 8.5);
    folder.lineTo(21.5, 17.5);
    folder.quadTo(21.5, 19.5, 19.5, 19.5);
    folder.lineTo(4.5, 19.5);
    folder.quadTo(2.5, 19.5, 2.5, 17.5);
    folder.closeSubpath();
    p.drawPath(folder);
    // A play mark: the folder of recordings.
    QPainterPath play;
    play.moveTo(10.2, 10);
    play.lineTo(15.2, 13);
    play.lineTo(10.2, 16);
    play.closeSubpath();
    p.save();
    p.setPen(Qt::NoPen);
    fillWith(p, ink.accent);
    p.drawPath(play);
    p.restore();
}

void gFolderOpen(QPainter& p, const Ink&)
{
    QPainterPath back;
    back.moveTo(3, 18.5);
    back.lineTo(3, 5.5);
    back.quadTo(3, 4, 4.5, 4);
    back.lineTo(9, 4);
    back.lineTo(11, 6.5);
    back.lineTo(18, 6.5);
    back.quadTo(19.5, 6.5, 19.5, 8);
    back.lineTo(19.5, 10);
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(3, 19.5);
    front.lineTo(6.5, 10.5);
    front.lineTo(22, 10.5);
    front.lineTo(18.5, 19.5);
    front.closeSubpath();
    p.drawPath(front);
}

void gCamera(QPainter& p, const Ink& ink)
{
    QPainterPath body;
    body.moveTo(2.5, 9);
    body.quadTo(2.5, 7, 4.5, 7);
    body.lineTo(7.5, 7);
    body.lineTo(9.2, 4.5);
    body.lineTo(14.8, 4.5);
    body.lineTo(16.5, 7);
    body.lineTo(19.5, 7);
    body.quadTo(21.5, 7, 21.5, 9);
    body.lineTo(21.5, 17.5);
    body.quadTo(21.5, 19.5, 19.5, 19.5);
    body.lineTo(4.5, 19.5);
    body.quadTo(2.5, 19.5, 2.5, 17.5);
    body.closeSubpath();
    p.drawPath(body);
    p.drawEllipse(QPointF(12, 13), 3.8, 3.8);
    p.save();
    p.setPen(Qt::NoPen);
    fillWith(p, ink.accent);
    p.drawEllipse(QPointF(18.2, 9.8), 1.1, 1.1);
    p.restore();
}

void gGif(QPainter& p, const Ink& ink)
{
    p.drawRoundedRect(QRectF(2.5, 5.5, 19, 13), 2.5, 2.5);
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(8);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.2);
    p.save();
    p.setFont(f);
    p.setPen(ink.fg);
    p.drawText(QRectF(2.5, 5.5, 19, 13.4), Qt::AlignCenter, "GIF");
    p.restore();
}

void gCast(QPainter& p, const Ink& ink)
{
    QPainterPath screen;
    screen.moveTo(2.5, 9);
    screen.lineTo(2.5, 6);
    screen.quadTo(2.5, 4, 4.5, 4);
    screen.lineTo(19.5, 4);
    screen.quadTo(21.5, 4, 21.5, 6);
    screen.lineTo(21.5, 18);
    screen.quadTo(21.5, 20, 19.5, 20);
    screen.lineTo(14, 20);
    p.drawPath(screen);
    QPen pen = p.pen();
    pen.setColor(ink.accent);
    p.setPen(pen);
    p.drawArc(QRectF(-5.5, 12.5, 15, 15), 0, 90 * 16);
    p.drawArc(QRectF(-9.5, 8.5, 23, 23), 0, 90 * 16);
    p.save();
    p.setPen(Qt::NoPen);
    fillWith(p, ink.accent);
    p.drawEllipse(QPointF(3, 19.5), 1.4, 1.4);
    p.restore();
}

void gChevronLeft(QPainter& p, const Ink&)
{
    QPainterPath c;
    c.moveTo(14.5, 6);
    c.lineTo(8.5, 12);
    c.lineTo(14.5, 18);
    p.drawPath(c);
}

void gChevronRight(QPainter& p, const Ink&)
{
    QPainterPath c;
    c.moveTo(9.5, 6);
    c.lineTo(15.5, 12);
    c.lineTo(9.5, 18);
    p.drawPath(c);
}

void gChevronUp(QPainter& p, const Ink&)
{
    QPainterPath c;
    c.moveTo(6, 15);
    c.lineTo(12, 9);
    c.lineTo(18, 15);
    p.drawPath(c);
}

void gChevronDown(QPainter& p, const Ink&)
{
    QPainterPath c;
    c.moveTo(6, 9);
    c.lineTo(12, 15);
    c.lineTo(18, 9);
    p.drawPath(c);
}

void gPlusCircle(QPainter& p, const Ink&)
{
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.drawLine(QPointF(12, 7.5), QPointF(12, 16.5));
    p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
}

void gMinusCircle(QPainter& p, const Ink&)
{
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
}

void gPlus(QPainter& p, const Ink&)
{
    p.drawLine(QPointF(12, 5), QPointF(12, 19));
    p.drawLine(QPointF(5, 12), QPointF(19, 12));
}

void gLayers(QPainter& p, const Ink&)
{
    QPainterPath top;
    top.moveTo(12, 3);
    top.lineTo(21.5, 8);
    top.lineTo(12, 13);
    top.lineTo(2.5, 8);
    top.closeSubpath();
    p.drawPath(top);
    QPainterPath mid;
    mid.moveTo(2.5, 12.5);
    mid.lineTo(12, 17.5);
    mid.lineTo(21.5, 12.5);
    p.drawPath(mid);
    QPainterPath low;
    low.moveTo(2.5, 17);
    low.lineTo(12, 22);
    low.lineTo(21.5, 17);
    p.drawPath(low);
}

void gBars(QPainter& p, const Ink& ink)
{
    p.drawLine(QPointF(5, 20), QPointF(5, 14));
    p.drawLine(QPointF(10, 20), QPointF(10, 10));
    p.drawLine(QPointF(15, 20), QPointF(15, 6));
    QPen pen = p.pen();
    pen.setColor(ink.accent);
    p.setPen(pen);
    p.drawLine(QPointF(20, 20), QPointF(20, 3.5));
}

void gPencil(QPainter& p, const Ink&)
{
    QPainterPath pen;
    pen.moveTo(16.5, 3.5);
    pen.lineTo(20.5, 7.5);
    pen.lineTo(8, 20);
    pen.lineTo(3, 21);
    pen.lineTo(4, 16);
    pen.closeSubpath();
    p.drawPath(pen);
    p.drawLine(QPointF(14, 6), QPointF(18, 10));
}

void gTrash(QPainter& p, const Ink&)
{
    p.drawLine(QPointF(3.5, 6.5), QPointF(20.5, 6.5));
    QPainterPath lid;
    lid.moveTo(9, 6.5);
    lid.lineTo(9, 4.5);
    lid.quadTo(9, 3, 10.5, 3);
    lid.lineTo(13.5, 3);
    lid.quadTo(15, 3, 15, 4.5);
    lid.lineTo(15, 6.5);
    p.drawPath(lid);
    QPainterPath body;
    body.moveTo(5.5, 6.5);
    body.lineTo(6.5, 19.5);
    body.quadTo(6.7, 21, 8.2, 21);
    body.lineTo(15.8, 21);
    body.quadTo(17.3, 21, 17.5, 19.5);
    body.lineTo(18.5, 6.5);
    p.drawPath(body);
    p.drawLine(QPointF(10, 10.5), QPointF(10, 17));
    p.drawLine(QPointF(14, 10.5), QPointF(14, 17));
}

QPainterPath trianglePath()
{
    QPainterPath t;
    t.moveTo(10.3, 4);
    t.quadTo(12, 1.6, 13.7, 4);
    t.lineTo(21.6, 18);
    t.quadTo(22.8, 20.6, 20, 20.6);
    t.lineTo(4, 20.6);
    t.quadTo(1.2, 20.6, 2.4, 18);
    t.closeSubpath();
    return t;
}

void gWarning(QPainter& p, const Ink& ink)
{
    p.save();
    p.setPen(Qt::NoPen);
    fillWith(p, ink.accent);
    p.drawPath(trianglePath());
    QColor mark(30, 33, 41);
    p.setPen(QPen(mark, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 8.5), QPointF(12, 13.5));
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawEllipse(QPointF(12, 17), 1.3, 1.3);
    p.restore();
}

QPainterPath eyePath()
{
    QPainterPath e;
    e.moveTo(1.5, 12);
    e.cubicTo(4.5, 6.5, 8, 5, 12, 5);
    e.cubicTo(16, 5, 19.5, 6.5, 22.5, 12);
    e.cubicTo(19.5, 17.5, 16, 19, 12, 19);
    e.cubicTo(8, 19, 4.5, 17.5, 1.5, 12);
    e.closeSubpath();
    return e;
}

void gEye(QPainter& p, const Ink&)
{
    p.drawPath(eyePath());
    p.drawEllipse(QPointF(12, 12), 3.2, 3.2);
}

void gEyeOff(QPainter& p, const Ink& ink)
{
    p.drawPath(eyePath());
    p.drawEllipse(QPointF(12, 12), 3.2, 3.2);
    QPen pen = p.pen();
    pen.setColor(ink.accent);
    p.setPen(pen);
    p.drawLine(QPointF(3.5, 3.5), QPointF(20.5, 20.5));
}

void gLockClosed(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(4.5, 11, 15, 10), 2, 2);
    QPainterPath s;
    s.moveTo(8, 11);
    s.lineTo(8, 7.5);
    s.arcTo(QRectF(8, 3.5, 8, 8), 180, -180);
    s.lineTo(16, 11);
    p.drawPath(s);
}

void gLockOpen(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(4.5, 11, 15, 10), 2, 2);
    QPainterPath s;
    s.moveTo(8, 11);
    s.lineTo(8, 7.5);
    s.arcTo(QRectF(8, 3.5, 8, 8), 180, -160);
    p.drawPath(s);
}

void gHelpCircle(QPainter& p, const Ink&)
{
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QPainterPath q;
    q.moveTo(9.2, 9.3);
    q.cubicTo(9.4, 7.4, 10.6, 6.6, 12.1, 6.6);
    q.cubicTo(13.9, 6.6, 15, 7.8, 15, 9.3);
    q.cubicTo(15, 11.4, 12.1, 11.7, 12.1, 13.8);
    p.drawPath(q);
    QPen dot = p.pen();
    dot.setWidthF(2.6);
    p.save();
    p.setPen(dot);
    p.drawPoint(QPointF(12.1, 17.2));
    p.restore();
}

void gList(QPainter& p, const Ink&)
{
    for (qreal y : {6.0, 12.0, 18.0}) {
        p.drawLine(QPointF(8.5, y), QPointF(20.5, y));
        p.drawPoint(QPointF(4, y));
    }
}

void gGrid(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(3.5, 3.5, 7, 7), 1.2, 1.2);
    p.drawRoundedRect(QRectF(13.5, 3.5, 7, 7), 1.2, 1.2);
    p.drawRoundedRect(QRectF(3.5, 13.5, 7, 7), 1.2, 1.2);
    p.drawRoundedRect(QRectF(13.5, 13.5, 7, 7), 1.2, 1.2);
}

void gRecordRing(QPainter& p, const Ink& ink)
{
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.save();
    p.setPen(Qt::NoPen);
    fillWith(p, ink.accent);
    p.drawEllipse(QPointF(12, 12), 5.2, 5.2);
    p.restore();
}

void gBroadcast(QPainter& p, const Ink& ink)
{
    p.save();
    p.setPen(Qt::NoPen);
    fillWith(p, ink.accent);
    p.drawEllipse(QPointF(12, 12), 2.6, 2.6);
    p.restore();
    p.drawArc(QRectF(6.5, 6.5, 11, 11), 135 * 16, 90 * 16);
    p.drawArc(QRectF(6.5, 6.5, 11, 11), -45 * 16, 90 * 16);
    p.drawArc(QRectF(2, 2, 20, 20), 135 * 16, 90 * 16);
    p.drawArc(QRectF(2, 2, 20, 20), -45 * 16, 90 * 16);
}

void gVideoCamera(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(2, 6, 14, 12), 2.2, 2.2);
    QPainterPath lens;
    lens.moveTo(16, 10.5);
    lens.lineTo(22, 7);
    lens.lineTo(22, 17);
    lens.lineTo(16, 13.5);
    p.drawPath(lens);
}

void gVideoCameraOff(QPainter& p, const Ink& ink)
{
    gVideoCamera(p, ink);
    p.drawLine(QPointF(2, 2.5), QPointF(22, 21.5));
}

void gPicture(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(3, 3.5, 18, 17), 2.2, 2.2);
    p.drawEllipse(QPointF(8.5, 9), 1.8, 1.8);
    QPainterPath m;
    m.moveTo(3.5, 18.5);
    m.lineTo(9.5, 13);
    m.lineTo(12.5, 15.5);
    m.lineTo(16, 11);
    m.lineTo(20.5, 16);
    p.drawPath(m);
}

void gFilm(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(3, 2.5, 18, 19), 2.2, 2.2);
    p.drawLine(QPointF(7.5, 2.5), QPointF(7.5, 21.5));
    p.drawLine(QPointF(16.5, 2.5), QPointF(16.5, 21.5));
    p.drawLine(QPointF(3, 12), QPointF(21, 12));
    p.drawLine(QPointF(3, 7.2), QPointF(7.5, 7.2));
    p.drawLine(QPointF(3, 16.8), QPointF(7.5, 16.8));
    p.drawLine(QPointF(16.5, 7.2), QPointF(21, 7.2));
    p.drawLine(QPointF(16.5, 16.8), QPointF(21, 16.8));
}

void gMic(QPainter& p, const Ink&)
{
    p.drawRoundedRect(QRectF(8.5, 2, 7, 12.5), 3.5, 3.5);
    QPainterPath arc;
    arc.moveTo(5, 10.5);
    arc.cubicTo(5, 15, 8, 17.8, 12, 17.8);
    arc.cubicTo(16, 17.8, 19, 15, 19, 10.5);
    p.drawPath(arc);
    p.drawLine(QPointF(12, 17.8), QPointF(12, 21.5));
    p.drawLine(QPointF(8.5, 21.5), QPointF(15.5, 21.5));
}

void gText(QPainter& p, const Ink&)
{
    QPainterPath t;
    t.moveTo(4.5, 7.5);
    t.lineTo(4.5, 4.5);
    t.lineTo(19.5, 4.5);
    t.lineTo(19.5, 7.5);
    p.drawPath(t);
    p.drawLine(QPointF(12, 4.5), QPointF(12, 19.5));
    p.drawLine(QPointF(8.5, 19.5), QPointF(15.5, 19.5));
}

// ---------------------------------------------------------------- cells

struct IconLook {
    // Colour of the glyph's own highlights (record dot, play mark...).
    QColor accent = kAccentLight;
    // Hover plate colour; the close button turns red, the delete button
    // red-tinted.
    QColor hoverPlate = QColor(255, 255, 255, 30);
    QColor hoverInk = kInkHover;
    QColor pressedPlate = withAlpha(kAccent, 80);
    // The disabled cell marks the current choice instead of "unavailable".
    bool disabledIsSelected = false;
    QColor selectedPlate = kAccent;
    qreal glyphFraction = 0.78; // glyph side / shorter cell side
    qreal stroke = 2.0;         // in grid units
    qreal plateRadius = 0.22;   // of the shorter side
    bool plateAtRest = false;   // a faint plate even at rest
};

void drawGlyph(QPainter& p, const QRectF& box, const Glyph& glyph, const Ink& ink, qreal stroke)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    p.setPen(QPen(ink.fg, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    glyph(p, ink);
    p.restore();
}

QRectF glyphBox(const QRectF& cell, qreal fraction)
{
    const qreal side = qMin(cell.width(), cell.height()) * fraction;
    return QRectF(cell.center().x() - side / 2, cell.center().y() - side / 2, side, side);
}

void iconCell(QPainter& p, const QRectF& cell, State st, const Glyph& glyph, const IconLook& look)
{
    const qreal shortSide = qMin(cell.width(), cell.height());
    const qreal r = shortSide * look.plateRadius;
    const QRectF plate = cell.adjusted(1, 1, -1, -1);
    Ink ink{kInk, look.accent, st};
    QRectF box = glyphBox(cell, look.glyphFraction);
    p.setPen(Qt::NoPen);
    switch (st) {
    case Normal:
        if (look.plateAtRest) {
            p.setBrush(QColor(255, 255, 255, 14));
            p.drawRoundedRect(plate, r, r);
        }
        break;
    case Hover:
        p.setBrush(look.hoverPlate);
        p.drawRoundedRect(plate, r, r);
        ink.fg = look.hoverInk;
        ink.accent = lighter(look.accent, 115);
        break;
    case Pressed:
        p.setBrush(look.pressedPlate);
        p.drawRoundedRect(plate, r, r);
        ink.fg = kInkPressed;
        box.translate(0, shortSide * 0.02);
        break;
    case Disabled:
        if (look.disabledIsSelected) {
            QLinearGradient g(plate.topLeft(), plate.bottomLeft());
            g.setColorAt(0, lighter(look.selectedPlate, 112));
            g.setColorAt(1, look.selectedPlate);
            p.setBrush(g);
            p.drawRoundedRect(plate, r, r);
            ink.fg = Qt::white;
            ink.accent = Qt::white;
        } else {
            ink.fg = kInkDisabled;
            ink.accent = withAlpha(look.accent, 80);
        }
        break;
    }
    drawGlyph(p, box, glyph, ink, look.stroke);
}

// A four-state sprite of a line icon, shown at w x h.
void iconSprite(const QString& name, int w, int h, const Glyph& glyph,
                const IconLook& look = IconLook())
{
    const int cw = w * kZoom, ch = h * kZoom;
    QImage img = blank(cw * 4, ch);
    QPainter p(&img);
    smooth(p);
    for (int i = 0; i < 4; ++i)
        iconCell(p, QRectF(i * cw, 0, cw, ch), State(i), glyph, look);
    p.end();
    save(img, name);
}

// A single line icon (no states) in one colour.
void icon(const QString& name, int side, const Glyph& glyph, const QColor& color,
          const QColor& accent, qreal fraction = 0.9)
{
    const int s = side * kZoom;
    QImage img = blank(s, s);
    QPainter p(&img);
    smooth(p);
    drawGlyph(p, glyphBox(QRectF(0, 0, s, s), fraction), glyph, Ink{color, accent, Normal}, 2.0);
    p.end();
    save(img, name);
}

// ---------------------------------------------------------------- pills

struct PillLook {
    QColor top, bottom, border;
};

PillLook pillState(const PillLook& base, State st)
{
    switch (st) {
    case Hover:
        return {lighter(base.top, 115), lighter(base.bottom, 115), lighter(base.border, 125)};
    case Pressed:
        return {base.bottom.darker(118), base.bottom.darker(108), base.border.darker(110)};
    case Disabled: {
        auto dim = [](QColor c) {
            const int g = qGray(c.rgb());
            return QColor((c.red() + 2 * g) / 3 * 0.62, (c.green() + 2 * g) / 3 * 0.62,
                          (c.blue() + 2 * g) / 3 * 0.62);
        };
        return {dim(base.top), dim(base.bottom), dim(base.border)};
    }
    default:
        return base;
    }
}

void pillBody(QPainter& p, const QRectF& cell, const PillLook& look, qreal radius)
{
    const QRectF body = cell.adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, look.top);
    g.setColorAt(1, look.bottom);
    p.setPen(QPen(look.border, 2));
    p.setBrush(g);
    p.drawRoundedRect(body, radius, radius);
    // A faint top sheen gives the face some depth.
    QLinearGradient sheen(body.topLeft(), QPointF(body.left(), body.center().y()));
    sheen.setColorAt(0, QColor(255, 255, 255, 34));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawRoundedRect(body.adjusted(2, 2, -2, -body.height() / 2), radius - 2, radius - 2);
}

// A wide captioned button (the widget draws the caption right of
// 15 % of the width); the symbol sits in that left part.
void pillSprite(const QString& name, int w, int h, const PillLook& base,
                const std::function<void(QPainter&, const QRectF& symbolBox, State)>& symbol)
{
    const int cw = w * kZoom, ch = h * kZoom;
    QImage img = blank(cw * 4, ch);
    QPainter p(&img);
    smooth(p);
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(i * cw, 0, cw, ch);
        const State st = State(i);
        pillBody(p, cell, pillState(base, st), ch * 0.22);
        const qreal side = ch * 0.46;
        QRectF box(cell.left() + cw * 0.135 - side / 2, cell.center().y() - side / 2, side, side);
        if (st == Pressed)
            box.translate(0, 1);
        symbol(p, box, st);
    }
    p.end();
    save(img, name);
}

void recordDot(QPainter& p, const QRectF& box, State st)
{
    QColor c = st == Disabled ? QColor(120, 70, 72) : (st == Hover ? QColor(255, 95, 96) : kRed);
    if (st == Hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(kRed, 60));
        p.drawEllipse(box.center(), box.width() * 0.62, box.width() * 0.62);
    }
    QRadialGradient g(box.center() - QPointF(box.width() * 0.15, box.width() * 0.15),
                      box.width() * 0.6);
    g.setColorAt(0, lighter(c, 125));
    g.setColorAt(1, c);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(box.center(), box.width() * 0.42, box.width() * 0.42);
}

// ---------------------------------------------------------------- round

// Round transport buttons (stop, pause, play), shown square.
void roundSprite(const QString& name, int side, bool liveLook,
                 const std::function<void(QPainter&, const QRectF& box, State)>& symbol)
{
    const int s = side * kZoom;
    QImage img = blank(s * 4, s);
    QPainter p(&img);
    smooth(p);
    const PillLook base =
        liveLook ? PillLook{QColor(64, 70, 92), QColor(52, 57, 77), kAccent}
                 : PillLook{QColor(67, 73, 85), QColor(56, 61, 71), QColor(92, 99, 114)};
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(i * s, 0, s, s);
        const State st = State(i);
        const PillLook look = pillState(base, st);
        const QRectF disc = cell.adjusted(2, 2, -2, -2);
        QLinearGradient g(disc.topLeft(), disc.bottomLeft());
        g.setColorAt(0, look.top);
        g.setColorAt(1, look.bottom);
        p.setPen(QPen(look.border, liveLook ? 2.5 : 2));
        p.setBrush(g);
        p.drawEllipse(disc);
        QRectF box = glyphBox(cell, 0.42);
        if (st == Pressed)
            box.translate(0, 1);
        symbol(p, box, st);
    }
    p.end();
    save(img, name);
}

QColor symbolInk(State st)
{
    switch (st) {
    case Hover:
        return Qt::white;
    case Pressed:
        return QColor(205, 210, 222);
    case Disabled:
        return QColor(140, 144, 152);
    default:
        return QColor(232, 234, 240);
    }
}

void stopSymbol(QPainter& p, const QRectF& box, State st)
{
    const QColor c =
        st == Disabled ? QColor(120, 70, 72) : (st == Hover ? QColor(255, 95, 96) : kRed);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const QRectF sq = box.adjusted(box.width() * 0.12, box.width() * 0.12, -box.width() * 0.12,
                                   -box.width() * 0.12);
    p.drawRoundedRect(sq, sq.width() * 0.18, sq.width() * 0.18);
}

void pauseSymbol(QPainter& p, const QRectF& box, State st)
{
    p.setPen(Qt::NoPen);
    p.setBrush(symbolInk(st));
    const qreal bw = box.width() * 0.26;
    p.drawRoundedRect(QRectF(box.left() + box.width() * 0.14, box.top(), bw, box.height()),
                      bw * 0.3, bw * 0.3);
    p.drawRoundedRect(QRectF(box.right() - box.width() * 0.14 - bw, box.top(), bw, box.height()),
                      bw * 0.3, bw * 0.3);
}

void playSymbol(QPainter& p, const QRectF& box, State st)
{
    QPainterPath t;
    const qreal w = box.width();
    t.moveTo(box.left() + w * 0.2, box.top());
    t.lineTo(box.right() + w * 0.05, box.center().y());
    t.lineTo(box.left() + w * 0.2, box.bottom());
    t.closeSubpath();
    p.setPen(QPen(symbolInk(st), w * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(symbolInk(st));
    p.drawPath(t);
}

// ---------------------------------------------------------------- pictures

void appIcon(QPainter& p, const QRectF& r)
{
    const qreal s = r.width();
    QLinearGradient bg(r.topLeft(), r.bottomLeft());
    bg.setColorAt(0, QColor(60, 66, 82));
    bg.setColorAt(1, QColor(28, 31, 39));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(r, s * 0.22, s * 0.22);
    p.setPen(QPen(QColor(255, 255, 255, 28), s * 0.008));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(s * 0.01, s * 0.01, -s * 0.01, -s * 0.01), s * 0.21, s * 0.21);

    const QPointF c = r.center();
    // Lens ring.
    QLinearGradient ring(QPointF(c.x(), c.y() - s * 0.34), QPointF(c.x(), c.y() + s * 0.34));
    ring.setColorAt(0, QColor(140, 152, 255));
    ring.setColorAt(1, QColor(70, 84, 210));
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(c, s * 0.34, s * 0.34);
    p.setBrush(QColor(18, 20, 26));
    p.drawEllipse(c, s * 0.265, s * 0.265);
    // Record dot.
    QRadialGradient dot(c - QPointF(s * 0.05, s * 0.05), s * 0.2);
    dot.setColorAt(0, QColor(255, 120, 112));
    dot.setColorAt(1, QColor(214, 48, 44));
    p.setBrush(dot);
    p.drawEllipse(c, s * 0.145, s * 0.145);
    // Glint.
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(c + QPointF(-s * 0.05, -s * 0.055), s * 0.035, s * 0.028);
}

void drawAppIcons()
{
    QImage big = blank(256, 256);
    {
        QPainter p(&big);
        smooth(p);
        appIcon(p, QRectF(8, 8, 240, 240));
    }
    save(big.scaled(160, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), "main-ico.png");

    QImageWriter ico(g_outDir + "/main.ico", "ico");
    if (!ico.write(big)) {
        std::fprintf(stderr, "cannot write main.ico: %s\n", qPrintable(ico.errorString()));
        g_failed = true;
    } else {
        ++g_written;
    }
}

// Each size drawn on its own rather than scaled down from the largest, so the
// small ones keep their edges sharp.
void drawHicolorIcons(const QString& iconName, const std::vector<int>& sides)
{
    for (const int side : sides) {
        QImage img = blank(side, side);
        {
            QPainter p(&img);
            smooth(p);
            const qreal margin = side * 8.0 / 256.0;
            appIcon(p, QRectF(margin, margin, side - 2 * margin, side - 2 * margin));
        }
        save(img, QStringLiteral("%1x%1/apps/%2.png").arg(side).arg(iconName));
    }
}

void drawTitle()
{
    const int w = 199 * kZoom, h = 35 * kZoom;
    QImage img = blank(w, h);
    QPainter p(&img);
    smooth(p);
    const qreal iconSide = 26 * kZoom;
    const QRectF iconRect(4 * kZoom, (h - iconSide) / 2, iconSide, iconSide);
    appIcon(p, iconRect);

    QFont bold("DejaVu Sans");
    bold.setBold(true);
    bold.setPixelSize(15 * kZoom);
    QFont light("DejaVu Sans");
    light.setPixelSize(15 * kZoom);
    const QString first = "Veltrano";
    const QString second = " Helper";
    const qreal x0 = iconRect.right() + 8 * kZoom;
    const QFontMetricsF fb(bold);
    const qreal baseline = h / 2.0 + fb.capHeight() / 2.0;
    p.setFont(bold);
    p.setPen(QColor(236, 238, 243));
    p.drawText(QPointF(x0, baseline), first);
    p.setFont(light);
    p.setPen(QColor(150, 160, 180));
    p.drawText(QPointF(x0 + fb.horizontalAdvance(first), baseline), second);
    p.end();
    save(img, "main-title.png");
}

void drawMessageIcons()
{
    // Exactly 315 x 105: the message box cuts it into three 105-pixel cells.
    QImage img = blank(315, 105);
    QPainter p(&img);
    smooth(p);
    const QColor colors[3] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(i * 105 + 52.5, 52.5);
        const qreal r = 46;
        QLinearGradient g(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
        g.setColorAt(0, lighter(colors[i], 118));
        g.setColorAt(1, colors[i].darker(112));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
        p.setPen(QPen(QColor(255, 255, 255, 50), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, r - 3, r - 3);

        const QPen mark(Qt::white, 9.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(mark);
        if (i == 0) {
            p.drawLine(c + QPointF(-16, -16), c + QPointF(16, 16));
            p.drawLine(c + QPointF(16, -16), c + QPointF(-16, 16));
        } else if (i == 1) {
            p.drawLine(c + QPointF(0, -24), c + QPointF(0, 6));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(c + QPointF(0, 21), 5.8, 5.8);
        } else {
            QPainterPath q;
            q.moveTo(c + QPointF(-13, -11));
            q.cubicTo(c + QPointF(-12, -23), c + QPointF(-3, -26), c + QPointF(1, -26));
            q.cubicTo(c + QPointF(9, -26), c + QPointF(14, -20), c + QPointF(14, -12));
            q.cubicTo(c + QPointF(14, -1), c + QPointF(0, -1), c + QPointF(0, 8));
            p.drawPath(q);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(c + QPointF(0, 22), 5.8, 5.8);
        }
    }
    p.end();
    save(img, "msgico.png");
}

void drawWarning()
{
    QImage img = blank(41 * kZoom, 41 * kZoom);
    QPainter p(&img);
    smooth(p);
    drawGlyph(p, QRectF(0, 0, img.width(), img.height()), gWarning, Ink{kAmber, kAmber, Normal},
              2.0);
    p.end();
    save(img, "warn.png");
}

void spinnerDots(QPainter& p, const QRectF& cell, qreal phase)
{
    // Eight dots round a circle; the brightest leads, the others trail.
    const QPointF c = cell.center();
    const qreal radius = qMin(cell.width(), cell.height()) * 0.32;
    const qreal dot = qMin(cell.width(), cell.height()) * 0.075;
    for (int k = 0; k < 8; ++k) {
        const qreal a = qDegreesToRadians(phase - k * 45.0 - 90);
        const qreal fade = 1.0 - k / 8.0;
        QColor col = kAccentLight;
        col.setAlphaF(0.18 + 0.82 * fade);
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        const qreal d = dot * (0.65 + 0.35 * fade);
        p.drawEllipse(QPointF(c.x() + radius * qCos(a), c.y() + radius * qSin(a)), d, d);
    }
}

void drawLoading()
{
    // 16 frames; the box that plays it is 1.26 times as wide as high.
    const int cw = 63 * kZoom, ch = 50 * kZoom;
    QImage img = blank(cw * 16, ch);
    QPainter p(&img);
    smooth(p);
    for (int i = 0; i < 16; ++i)
        spinnerDots(p, QRectF(i * cw, 0, cw, ch), i * 22.5);
    p.end();
    save(img, "loading16.png");
}

void drawWaitAnimation()
{
    // 156 frames at 30 ms: an arc that grows and shrinks while it turns,
    // three cycles per loop.
    const int n = 156;
    const int s = 40 * kZoom;
    QImage img = blank(s * n, s);
    QPainter p(&img);
    smooth(p);
    for (int i = 0; i < n; ++i) {
        const QRectF cell(i * s, 0, s, s);
        const qreal t = qreal(i) / n;
        const qreal cycle = t * 3.0 - qFloor(t * 3.0);
        const qreal span = 40 + 230 * (0.5 - 0.5 * qCos(2 * M_PI * cycle));
        const qreal start = -t * 360.0 * 3 - cycle * 140;
        const QRectF ring = cell.adjusted(s * 0.16, s * 0.16, -s * 0.16, -s * 0.16);
        p.setPen(QPen(QColor(255, 255, 255, 26), s * 0.085));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ring);
        p.setPen(QPen(kAccentLight, s * 0.085, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(ring, int(start * 16), int(span * 16));
    }
    p.end();
    save(img, "anim-wait1.png");
}

void drawNoCamera()
{
    // Width to height 2.86, as the preview host places it.
    const int w = 286 * kZoom, h = 100 * kZoom;
    QImage img = blank(w, h);
    QPainter p(&img);
    smooth(p);
    const QPointF c(w / 2.0, h / 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawEllipse(c, h * 0.48, h * 0.48);
    const qreal side = h * 0.56;
    drawGlyph(p, QRectF(c.x() - side / 2, c.y() - side / 2, side, side), gVideoCameraOff,
              Ink{QColor(128, 136, 150), QColor(128, 136, 150), Normal}, 1.6);
    // Dashes to either side, like a dead signal line.
    for (int dir : {-1, 1}) {
        for (int k = 0; k < 5; ++k) {
            const qreal x = c.x() + dir * (h * 0.62 + k * h * 0.16);
            QColor col(128, 136, 150, 150 - k * 28);
            p.setPen(QPen(col, h * 0.03, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(x - h * 0.045, c.y()), QPointF(x + h * 0.045, c.y()));
        }
    }
    p.end();
    save(img, "no-camera.png");
}

void drawShowBarTab()
{
    // The tab at the main window's right edge that brings the side bar back.
    const int w = 80 * kZoom, h = 120 * kZoom;
    QImage img = blank(w, h);
    QPainter p(&img);
    smooth(p);
    const QRectF body(2, 2, w - 4, h - 4);
    QLinearGradient g(body.topLeft(), body.topRight());
    g.setColorAt(0, QColor(52, 57, 68, 235));
    g.setColorAt(1, QColor(38, 42, 50, 235));
    p.setPen(QPen(QColor(255, 255, 255, 50), 2));
    p.setBrush(g);
    p.drawRoundedRect(body, 22, 22);
    const qreal side = w * 0.62;
    drawGlyph(p, QRectF((w - side) / 2, (h - side) / 2, side, side), gChevronLeft,
              Ink{Qt::white, Qt::white, Normal}, 2.4);
    p.end();
    save(img, "right.png");
}

void drawHideTab()
{
    const int w = 20 * kZoom, h = 80 * kZoom;
    QImage img = blank(w * 4, h);
    QPainter p(&img);
    smooth(p);
    for (int i = 0; i < 4; ++i) {
        const State st = State(i);
        const QRectF cell(i * w, 0, w, h);
        const QRectF body = cell.adjusted(2, 2, -2, -2);
        QColor plate = st == Hover     ? QColor(255, 255, 255, 34)
                       : st == Pressed ? withAlpha(kAccent, 90)
                                       : QColor(255, 255, 255, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(plate);
        p.drawRoundedRect(body, w * 0.35, w * 0.35);
        const QColor ink = st == Hover      ? kInkHover
                           : st == Pressed  ? kInkPressed
                           : st == Disabled ? kInkDisabled
                                            : kInk;
        const qreal side = w * 0.95;
        drawGlyph(p, QRectF(cell.center().x() - side / 2, cell.center().y() - side / 2, side, side),
                  gChevronRight, Ink{ink, ink, st}, 2.6);
    }
    p.end();
    save(img, "hide.png");
}

void drawYellowButton()
{
    const int w = 100 * kZoom, h = 30 * kZoom;
    QImage img = blank(w * 4, h);
    QPainter p(&img);
    smooth(p);
    const PillLook base{QColor(250, 206, 80), QColor(232, 176, 40), QColor(255, 222, 120)};
    for (int i = 0; i < 4; ++i)
        pillBody(p, QRectF(i * w, 0, w, h), pillState(base, State(i)), h * 0.3);
    p.end();
    save(img, "yellowbtn.png");
}

void drawDefaultThumbnail()
{
    const int w = 160 * kZoom, h = 90 * kZoom;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    smooth(p);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(48, 52, 62));
    g.setColorAt(1, QColor(31, 34, 41));
    p.fillRect(img.rect(), g);
    const qreal side = h * 0.46;
    drawGlyph(p, QRectF((w - side) / 2, (h - side) / 2, side, side), gPicture,
              Ink{QColor(110, 118, 134), QColor(110, 118, 134), Normal}, 1.6);
    p.end();
    save(img, "def-picture.png");
}

QImage landscape(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    smooth(p);
    QLinearGradient sky(0, 0, 0, h * 0.7);
    sky.setColorAt(0, QColor(70, 140, 230));
    sky.setColorAt(1, QColor(250, 190, 140));
    p.fillRect(img.rect(), sky);
    QRadialGradient sun(QPointF(w * 0.72, h * 0.34), h * 0.16);
    sun.setColorAt(0, QColor(255, 245, 200));
    sun.setColorAt(1, QColor(255, 200, 80));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(w * 0.72, h * 0.34), h * 0.13, h * 0.13);
    QPainterPath far;
    far.moveTo(0, h * 0.62);
    far.lineTo(w * 0.18, h * 0.38);
    far.lineTo(w * 0.36, h * 0.58);
    far.lineTo(w * 0.55, h * 0.36);
    far.lineTo(w * 0.8, h * 0.6);
    far.lineTo(w, h * 0.45);
    far.lineTo(w, h);
    far.lineTo(0, h);
    far.closeSubpath();
    p.setBrush(QColor(60, 110, 120));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(0, h * 0.78);
    near.cubicTo(w * 0.3, h * 0.6, w * 0.6, h * 0.9, w, h * 0.7);
    near.lineTo(w, h);
    near.lineTo(0, h);
    near.closeSubpath();
    p.setBrush(QColor(52, 150, 90));
    p.drawPath(near);
    p.setBrush(QColor(200, 60, 60));
    p.drawRoundedRect(QRectF(w * 0.2, h * 0.7, w * 0.08, h * 0.12), 3, 3);
    return img;
}

void drawFilterStyles()
{
    const int w = 100 * kZoom, h = 60 * kZoom;
    const QImage colour = landscape(w, h);
    save(colour, "filters/ba-1.png");

    QImage gray = colour.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < gray.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(gray.scanLine(y));
        for (int x = 0; x < gray.width(); ++x) {
            const int v = qGray(line[x]);
            line[x] = qRgb(v, v, v);
        }
    }
    save(gray, "filters/ba-2.png");

    // Old film: sepia, grain, vignette and a few scratches; the same seed
    // each run so the picture does not change between regenerations.
    QImage old = colour.convertToFormat(QImage::Format_ARGB32);
    QRandomGenerator rng(20240501);
    for (int y = 0; y < old.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(old.scanLine(y));
        for (int x = 0; x < old.width(); ++x) {
            const QRgb c = line[x];
            const qreal r = qRed(c), g = qGreen(c), b = qBlue(c);
            qreal sr = 0.393 * r + 0.769 * g + 0.189 * b;
            qreal sg = 0.349 * r + 0.686 * g + 0.168 * b;
            qreal sb = 0.272 * r + 0.534 * g + 0.131 * b;
            const qreal dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
            const qreal v = qBound(0.0, 1.0 - 0.45 * (dx * dx + dy * dy), 1.0);
            const qreal n = (rng.bounded(40) - 20);
            line[x] =
                qRgb(qBound(0, int(sr * v * 0.85 + n), 255), qBound(0, int(sg * v * 0.85 + n), 255),
                     qBound(0, int(sb * v * 0.85 + n), 255));
        }
    }
    {
        QPainter p(&old);
        smooth(p);
        for (int k = 0; k < 4; ++k) {
            const qreal x = rng.bounded(w);
            p.setPen(QPen(QColor(255, 240, 210, 110), 1.2));
            p.drawLine(QPointF(x, 0), QPointF(x + rng.bounded(6) - 3, h));
        }
    }
    save(old, "filters/ba-3.png");
}

void drawAudioMeter()
{
    const int w = 200 * kZoom, h = 20 * kZoom;
    QImage img = blank(w, h);
    QPainter p(&img);
    smooth(p);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, kGreen);
    g.setColorAt(0.65, QColor(245, 197, 66));
    g.setColorAt(1, kRed);
    const int seg = 4 * kZoom, gap = 1 * kZoom;
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    for (int x = 0; x < w; x += seg + gap)
        p.drawRect(QRectF(x, 2, seg, h - 4));
    p.end();
    save(img, "live_audio_bk.png");
}

void drawSlider()
{
    // The volume slider's style sheet uses these at their own size.
    {
        QImage img = blank(120, 6);
        QPainter p(&img);
        smooth(p);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(92, 98, 110));
        p.drawRoundedRect(QRectF(0.5, 1, 119, 4), 2, 2);
        p.end();
        save(img, "slider-bk.png");
    }
    for (int hover = 0; hover < 2; ++hover) {
        QImage img = blank(18, 18);
        QPainter p(&img);
        smooth(p);
        p.setPen(QPen(hover ? kAccentLight : QColor(150, 158, 175), 1.6));
        QRadialGradient g(QPointF(7, 6), 11);
        g.setColorAt(0, Qt::white);
        g.setColorAt(1, hover ? QColor(225, 229, 255) : QColor(200, 205, 215));
        p.setBrush(g);
        p.drawEllipse(QPointF(9, 9), 7.2, 7.2);
        p.end();
        save(img, hover ? "slider-ub2.png" : "slider-ub.png");
    }
}

void drawScrollBar()
{
    // Pieces of the scene list's slim 12-pixel scroll bar: sv-1 handle,
    // sv-2 handle under the mouse, sv-3 groove, sv-4 handle pressed.
    const int w = 12 * kZoom, h = 40 * kZoom;
    const QColor handles[3] = {QColor(255, 255, 255, 60), QColor(255, 255, 255, 110),
                               withAlpha(kAccentLight, 170)};
    const char* names[3] = {"scroll/sv-1.png", "scroll/sv-2.png", "scroll/sv-4.png"};
    for (int i = 0; i < 3; ++i) {
        QImage img = blank(w, h);
        QPainter p(&img);
        smooth(p);
        p.setPen(Qt::NoPen);
        p.setBrush(handles[i]);
        p.drawRoundedRect(QRectF(w * 0.3, 2, w * 0.4, h - 4), w * 0.2, w * 0.2);
        p.end();
        save(img, names[i]);
    }
    QImage groove = blank(w, h);
    QPainter p(&groove);
    smooth(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(QRectF(w * 0.3, 0, w * 0.4, h), w * 0.2, w * 0.2);
    p.end();
    save(groove, "scroll/sv-3.png");
}

// ---------------------------------------------------------------- all

void drawButtons()
{
    IconLook plain;

    IconLook closeLook;
    closeLook.hoverPlate = kRed;
    closeLook.pressedPlate = kRed.darker(125);

    IconLook dangerLook;
    dangerLook.hoverInk = QColor(255, 130, 130);
    dangerLook.hoverPlate = withAlpha(kRed, 45);
    dangerLook.pressedPlate = withAlpha(kRed, 90);

    // Title bar of the main window (18 x 18) and the files window.
    iconSprite("top-exit.png", 18, 18, gClose, closeLook);
    iconSprite("top-x.png", 22, 22, gClose, closeLook);
    iconSprite("top-min.png", 18, 18, gMinimise);
    iconSprite("top-menu.png", 18, 18, gMenu);
    iconSprite("top-big.png", 18, 18, gMaximise);
    iconSprite("top-small.png", 18, 18, gRestore);

    // Record / live switch: the disabled button marks the current mode.
    IconLook recMode;
    recMode.accent = kRed;
    recMode.disabledIsSelected = true;
    recMode.selectedPlate = QColor(200, 58, 64);
    recMode.glyphFraction = 0.66;
    iconSprite("rec.png", 40, 40, gRecordRing, recMode);
    IconLook liveMode;
    liveMode.accent = kAccentLight;
    liveMode.disabledIsSelected = true;
    liveMode.glyphFraction = 0.66;
    iconSprite("live.png", 40, 40, gBroadcast, liveMode);

    // Files window: list / icon view switch, the current one disabled.
    IconLook viewMode;
    viewMode.disabledIsSelected = true;
    viewMode.glyphFraction = 0.7;
    iconSprite("al.png", 25, 25, gList, viewMode);
    iconSprite("ai.png", 25, 25, gGrid, viewMode);

    // Panel tools.
    IconLook tool;
    tool.glyphFraction = 0.8;
    iconSprite("setup.png", 35, 35, gGear, tool);
    IconLook clock = tool;
    clock.accent = kAccentLight;
    iconSprite("sch.png", 25, 25, gStopwatch, clock);
    IconLook muteLook;
    muteLook.accent = kRed;
    muteLook.glyphFraction = 0.86;
    iconSprite("volume1.png", 18, 18, gVolume, muteLook);
    iconSprite("volume2.png", 18, 18, gMuted, muteLook);
    IconLook files = tool;
    files.accent = kAccentLight;
    iconSprite("flies.png", 43, 30, gFolderFilm, files);
    IconLook camera = tool;
    camera.accent = kRed;
    iconSprite("image.png", 40, 32, gCamera, camera);
    IconLook gif;
    gif.glyphFraction = 0.8;
    iconSprite("gif_1.png", 40, 40, gGif, gif);
    iconSprite("dud.png", 40, 40, gCast, tool);
    iconSprite("setup-help.png", 20, 20, gHelpCircle);
    iconSprite("open.png", 22, 22, gFolderOpen);
    iconSprite("add.png", 23, 23, gPlusCircle);
    iconSprite("dec.png", 23, 23, gMinusCircle, dangerLook);
    IconLook add2;
    add2.plateAtRest = true;
    add2.glyphFraction = 0.7;
    iconSprite("add2.png", 20, 20, gPlus, add2);
    iconSprite("timer-1.png", 20, 20, gPencil);
    iconSprite("timer-2.png", 20, 20, gTrash, dangerLook);

    // GIF capture running: a red ring that leaves room for the seconds the
    // button shows as its caption.
    {
        const int s = 40 * kZoom;
        QImage img = blank(s * 4, s);
        QPainter p(&img);
        smooth(p);
        for (int i = 0; i < 4; ++i) {
            const State st = State(i);
            const QRectF cell(i * s, 0, s, s);
            const QColor ring = st == Disabled ? QColor(120, 70, 72)
                                : st == Hover  ? QColor(255, 95, 96)
                                               : kRed;
            if (st == Hover || st == Pressed) {
                p.setPen(Qt::NoPen);
                p.setBrush(st == Hover ? withAlpha(kRed, 40) : withAlpha(kRed, 80));
                p.drawEllipse(cell.center(), s * 0.45, s * 0.45);
            }
            p.setPen(QPen(ring, s * 0.07));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(cell.center(), s * 0.38, s * 0.38);
            p.setPen(Qt::NoPen);
            p.setBrush(ring);
            p.drawEllipse(QPointF(cell.right() - s * 0.2, cell.top() + s * 0.2), s * 0.085,
                          s * 0.085);
        }
        p.end();
        save(img, "gif_2.png");
    }

    // Scene list rows (16 x 16) and live panel tools (20 x 20).
    IconLook row;
    row.glyphFraction = 0.86;
    row.stroke = 2.2;
    IconLook rowEye = row;
    rowEye.accent = kRed;
    iconSprite("live/e_1.png", 16, 16, gEye, rowEye);
    iconSprite("live/e_2.png", 16, 16, gEyeOff, rowEye);
    iconSprite("live/st.png", 16, 16, gLockClosed, row);
    iconSprite("live/js.png", 16, 16, gLockOpen, row);
    iconSprite("live/cl.png", 16, 16, gPencil, row);
    IconLook rowDanger = dangerLook;
    rowDanger.glyphFraction = 0.86;
    rowDanger.stroke = 2.2;
    iconSprite("live/del.png", 16, 16, gTrash, rowDanger);
    IconLook arrow = row;
    arrow.stroke = 2.6;
    iconSprite("live/up.png", 16, 16, gChevronUp, arrow);
    iconSprite("live/down.png", 16, 16, gChevronDown, arrow);
    IconLook warn = row;
    warn.accent = kAmber;
    iconSprite("live/jg.png", 16, 16, gWarning, warn);
    iconSprite("live/menu.png", 20, 20, gLayers);
    IconLook bars;
    bars.accent = kGreen;
    iconSprite("live/info.png", 20, 20, gBars, bars);

    // Captioned wide buttons (140 x 40); the caption starts at 15 %.
    const PillLook slate{QColor(67, 73, 85), QColor(56, 61, 71), QColor(92, 99, 114)};
    pillSprite("rec-start.png", 140, 40, slate, recordDot);
    const PillLook slateLive{QColor(64, 70, 92), QColor(52, 57, 77), QColor(110, 88, 100)};
    pillSprite("rec-start2.png", 140, 40, slateLive, [](QPainter& p, const QRectF& b, State st) {
        recordDot(p, b, st);
        p.setPen(QPen(st == Disabled ? QColor(120, 70, 72) : kRed, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(b.center(), b.width() * 0.62, b.width() * 0.62);
    });
    // HDR source: the dot moves up and a gold "HDR" tag sits under it, both
    // inside the left part the caption leaves free.
    pillSprite("rec-start-hdr.png", 140, 40, slate, [](QPainter& p, const QRectF& b, State st) {
        const qreal side = b.width() * 0.82;
        recordDot(p, QRectF(b.center().x() - side / 2, b.top() - side * 0.32, side, side), st);
        const QColor gold = st == Disabled ? QColor(120, 104, 70) : QColor(245, 200, 90);
        QFont f("DejaVu Sans Condensed");
        f.setBold(true);
        f.setPixelSize(int(b.height() * 0.5));
        p.setFont(f);
        p.setPen(gold);
        const QRectF tag(b.center().x() - b.width(), b.bottom() - b.height() * 0.12, b.width() * 2,
                         b.height() * 0.55);
        p.drawText(tag, Qt::AlignCenter, "HDR");
    });
    const PillLook accent{QColor(104, 118, 240), QColor(80, 94, 214), QColor(140, 152, 255)};
    pillSprite("start.png", 140, 40, accent, [](QPainter& p, const QRectF& b, State st) {
        const QColor c = st == Disabled ? QColor(170, 172, 180) : Qt::white;
        drawGlyph(p,
                  b.adjusted(-b.width() * 0.2, -b.width() * 0.2, b.width() * 0.2, b.width() * 0.2),
                  gBroadcast, Ink{c, c, st}, 2.2);
    });
    const PillLook red{QColor(232, 90, 82), QColor(200, 58, 52), QColor(250, 130, 120)};
    pillSprite("live-stop.png", 140, 40, red, [](QPainter& p, const QRectF& b, State st) {
        p.setPen(Qt::NoPen);
        p.setBrush(st == Disabled ? QColor(170, 172, 180) : Qt::white);
        const QRectF sq =
            b.adjusted(b.width() * 0.18, b.width() * 0.18, -b.width() * 0.18, -b.width() * 0.18);
        p.drawRoundedRect(sq, 4, 4);
    });

    // Round transport buttons: record panel 45 x 45, live panel 40 x 40 with
    // the live look.
    roundSprite("stop.png", 45, false, stopSymbol);
    roundSprite("pause.png", 45, false, pauseSymbol);
    roundSprite("play.png", 45, false, playSymbol);
    roundSprite("stop2.png", 40, true, stopSymbol);
    roundSprite("pause2.png", 40, true, pauseSymbol);
    roundSprite("play2.png", 40, true, playSymbol);
}

void drawIcons()
{
    // Layer kinds in the scene list, each in its own colour.
    icon("live/ico-4.png", 16, gVideoCamera, kAccentLight, kAccentLight);
    icon("live/ico-3.png", 16, gPicture, kGreen, kGreen);
    icon("live/ico1-1.png", 16, gFilm, kAmber, kAmber);
    icon("live/ico-2.png", 16, gMic, kSky, kSky);
    icon("live/ico-5.png", 16, gText, QColor(230, 232, 238), QColor(230, 232, 238));
    // Schedules: in force, and not (disabled or expired).
    icon("timer-ico1.png", 20, gClock, kGreen, kGreen);
    icon("timer-ico2.png", 20, gClock, QColor(110, 116, 128), QColor(110, 116, 128));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool appIcons = argc >= 5 && std::strcmp(argv[1], "--app-icons") == 0;
    std::vector<int> sides;
    for (int i = 4; appIcons && i < argc; ++i) {
        const int side = std::atoi(argv[i]);
        if (side < 1 || side > 1024) {
            std::fprintf(stderr, "not an icon size: %s\n", argv[i]);
            return 2;
        }
        sides.push_back(side);
    }
    if (argc != 2 && !appIcons) {
        std::fprintf(stderr,
                     "usage: %s <output folder>\n       %s --app-icons <output folder> <icon "
                     "name> <size>...\n",
                     argv[0], argv[0]);
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[appIcons ? 2 : 1]);
    if (!QDir().mkpath(g_outDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(g_outDir));
        return 1;
    }
    if (appIcons) {
        drawHicolorIcons(QString::fromLocal8Bit(argv[3]), sides);
        return g_failed ? 1 : 0;
    }

    drawAppIcons();
    drawTitle();
    drawMessageIcons();
    drawWarning();
    drawButtons();
    drawIcons();
    drawLoading();
    drawWaitAnimation();
    drawNoCamera();
    drawShowBarTab();
    drawHideTab();
    drawYellowButton();
    drawDefaultThumbnail();
    drawFilterStyles();
    drawAudioMeter();
    drawSlider();
    drawScrollBar();

    std::printf("%d pictures written to %s\n", g_written, argv[1]);
    return g_failed ? 1 : 0;
}
