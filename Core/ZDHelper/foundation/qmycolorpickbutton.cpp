#include "qmycolorpickbutton.h"

#include <QColorDialog>
#include <QPainter>

#include "cpublic.h"

static QColor toQColor(unsigned int c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QMyColorPickButton::QMyColorPickButton(QWidget* parent) : QWidget(parent) {}

void QMyColorPickButton::setColor(unsigned int c)
{
    color = c;
    update();
}

void QMyColorPickButton::mousePressEvent(QMouseEvent* e)
{
    Q_UNUSED(e);
    // The dialog starts at the swatch's colour, and a cancelled dialog keeps
    // it: its invalid colour would otherwise read as black.
    QColorDialog dialog(toQColor(color), nullptr);
    CPublic::PrepareSystemDialog(dialog, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid())
        return;
    color = unsigned(chosen.red()) | unsigned(chosen.green()) << 8 | unsigned(chosen.blue()) << 16;
    update();
    emit colorChanged(color & 0xFFFFFF);
}

void QMyColorPickButton::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    QPainter p(this);
    p.setBrush(toQColor(color));
    p.setPen(QColor(50, 60, 60));
    p.drawRect(0, 0, width() - 1, height() - 1);
}
