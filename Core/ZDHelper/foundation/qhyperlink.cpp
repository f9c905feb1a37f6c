#include "qhyperlink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "myevent.h"

QHyperLink::QHyperLink(QWidget* parent) : QPushButton(parent)
{
    QWidget* main = AfxGetMainWindow();
    linkFont = main ? main->font() : QApplication::font();
    linkFont.setUnderline(!staticLabel);
    setFont(linkFont);
}

void QHyperLink::setGeometry(const QRect& r)
{
    requestedRect = r;
    const QRect text = fontMetrics().boundingRect(QRect(), Qt::TextSingleLine, this->text());
    const int w = text.width() + 20;
    const int h = text.height() + 10;
    const int y = r.y() + (r.height() - h) / 2;
    const int x = centred ? r.x() + (r.width() - w) / 2 : r.x();
    QWidget::setGeometry(x, y, w, h);
}

void QHyperLink::UpdateAll()
{
    setGeometry(requestedRect);
    update();
}

void QHyperLink::setAlignmentCenter(bool c)
{
    centred = c;
    setGeometry(requestedRect);
    update();
}

void QHyperLink::applyFont()
{
    QFont f = font();
    if (pointSize > 0)
        f.setPointSize(pointSize);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setUnderline(!staticLabel);
    setFont(f);
    UpdateAll();
}

void QHyperLink::setFontHeight(int points, bool b)
{
    pointSize = points;
    bold = b;
    applyFont();
}

void QHyperLink::setAsStaticLabel(bool s)
{
    if (s) {
        state = 0;
        setCursor(Qt::ArrowCursor);
    } else {
        setCursor(Qt::PointingHandCursor);
    }
    staticLabel = s;
    applyFont();
}

void QHyperLink::enterEvent(QEnterEvent* e)
{
    Q_UNUSED(e);
    if (staticLabel)
        return;
    state = 1;
    update();
    setCursor(Qt::PointingHandCursor);
}

void QHyperLink::leaveEvent(QEvent* e)
{
    Q_UNUSED(e);
    if (staticLabel)
        return;
    state = 0;
    update();
    setCursor(Qt::ArrowCursor);
}

void QHyperLink::mousePressEvent(QMouseEvent* e)
{
    Q_UNUSED(e);
    if (staticLabel)
        return;
    state = 2;
    update();
    if (!url.isEmpty())
        QDesktopServices::openUrl(QUrl(url));
}

void QHyperLink::mouseReleaseEvent(QMouseEvent* e)
{
    if (staticLabel)
        return;
    if (e->button() == Qt::LeftButton) {
        state = 1;
        update();
    }
    emit clicked(false);
}

void QHyperLink::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    // The disabled look is not stored, so a link enabled again is drawn by
    // its mouse state at once.
    const int shown = isEnabled() ? state : 3;
    const int a = qBound(0, alpha, 255);
    QColor color;
    switch (shown) {
    case 1:
        color = QColor(240, 240, 240, qMin(2 * a, 255));
        break;
    case 2:
        color = QColor(150, 150, 150, a);
        break;
    case 3:
        color = QColor(80, 80, 80, a);
        break;
    default:
        color = isDefault() ? QColor(180, 180, 180, a) : QColor(190, 190, 190, a);
        break;
    }
    QPainter p(this);
    p.setFont(font());
    p.setPen(color);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}
