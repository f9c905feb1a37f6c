#include "qtemp1widget.h"

#include <QPainter>

QTemp1Widget::QTemp1Widget(QWidget* parent) : QWidget(parent) {}

void QTemp1Widget::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    if (!bgColor.isValid())
        return;
    QPainter p(this);
    p.fillRect(rect(), bgColor);
}
