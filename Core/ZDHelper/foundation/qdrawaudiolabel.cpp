#include "qdrawaudiolabel.h"

#include <QPainter>

#include "screenscale.h"
#include "stdafx.h"

QDrawAudioLabel::QDrawAudioLabel(QWidget* parent) : QLabel(parent) {}

void QDrawAudioLabel::setGeometry(int x, int y, int w, int h)
{
    QWidget::setGeometry(x, y, w, h);
    backPixmap = QPixmap(backFile).scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void QDrawAudioLabel::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    const int w = width();
    const int h = height();
    QPainter p(this);
    p.fillRect(rect(), fillColor);

    const int lw = isEnabled() ? w * qBound(0, level, 100) / 100 : 0;
    if (lw > 0 && !backPixmap.isNull()) {
        p.setOpacity(0.5);
        p.drawPixmap(0, 0, backPixmap, 0, 0, lw, h);
        p.setOpacity(1.0);
    }

    QFont f = font();
    f.setFamily(g_Global.fontName);
    f.setPixelSize(qMax(1, pt2pix_scale(9)));
    f.setWeight(QFont::Normal);
    p.setFont(f);
    p.setPen(isEnabled() ? QColor(210, 210, 210) : QColor(150, 150, 150));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}
