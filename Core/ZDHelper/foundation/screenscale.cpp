#include "screenscale.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include "myevent.h"
#include "stdafx.h"

int pt2pix_scale(int points)
{
    return int(double(points * 96 / 72) * g_dpi_percent);
}

int scale_pointsize(int points)
{
    return pt2pix_scale(points) * 72 / 96;
}

QRect scale_rect(const QRect& r)
{
    return scale_rect2(r.left(), r.top(), r.width(), r.height());
}

QRect scale_rect2(int left, int top, int width, int height)
{
    const double s = g_dpi_percent;
    return QRect(int(left * s), int(top * s), int(width * s), int(height * s));
}

QRect scale_rect_bottom2(int left, int top, int width, int height)
{
    const double s = g_dpi_percent;
    const int bottom = top + height;
    const int x = int(left * s);
    return QRect(QPoint(x, int(bottom - height * s)), QPoint(x + int(width * s) - 1, bottom));
}

static void adjustOneFont(QWidget* w)
{
    QFont f = w->font();
    const int px = pt2pix_scale(f.pointSize());
    // A font already given in pixels has no point size; Qt would refuse the
    // resulting size, so it simply keeps its pixels.
    if (px > 0)
        f.setPixelSize(px);
    w->setFont(f);
}

void AdjustFonts(QWidget* widget)
{
    const QList<QWidget*> children = widget->findChildren<QWidget*>();
    for (QWidget* child : children)
        adjustOneFont(child);
    adjustOneFont(widget);
}

void AdjustRects(QWidget* widget, bool scaleSelf)
{
    const QList<QWidget*> children = widget->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->setGeometry(scale_rect(child->geometry()));
    if (scaleSelf)
        widget->setGeometry(scale_rect(widget->geometry()));
}

static QRect screenAreaOf(const QWidget* w)
{
    // A window placed off every screen (a new one not yet shown) is centred
    // on the screen Qt associates with it, else on the primary screen.
    QScreen* screen = QGuiApplication::screenAt(w->pos());
    if (!screen)
        screen = w->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CenterWindow(QWidget* widget, QWidget* reference)
{
    QRect area = screenAreaOf(widget);
    if (!reference) {
        QWidget* main = AfxGetMainWindow();
        if (main && main != widget)
            area = main->frameGeometry();
    } else if (reference == widget) {
        if (QWidget* parent = widget->parentWidget())
            area = parent->window()->frameGeometry();
    } else {
        area = reference->frameGeometry();
    }
    widget->setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, widget->size(), area));
}

void AdjustComboBoxViewWidth(QComboBox* combo)
{
    QString longest;
    for (int i = 0; i < combo->count(); ++i) {
        const QString t = combo->itemText(i);
        if (t.size() > longest.size())
            longest = t;
    }
    const QFontMetrics fm(combo->font());
    const int measured =
        fm.boundingRect(QRect(0, 0, 2000, fm.height()), Qt::TextSingleLine, longest).width();
    const double margin = 30 * g_dpi_percent;
    if (measured > combo->width() - margin)
        combo->view()->setFixedWidth(int(measured + margin));
}
