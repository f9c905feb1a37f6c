#include "qmypushbutton.h"

#include <QMouseEvent>
#include <QPainter>

#include "screenscale.h"
#include "stdafx.h"

QMyPushButton::QMyPushButton(QWidget* parent) : QPushButton(parent) {}

QMyPushButton::QMyPushButton(QList<QString>& files, QWidget* parent, QString extra)
    : QPushButton(parent)
{
    setPixmapList(files);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (!extra.isEmpty())
        extraPicture = new QPixmap(extra);
    visualState = 0;
}

QMyPushButton::~QMyPushButton()
{
    delete extraPicture;
}

void QMyPushButton::SetPicture(QString file, int n, QString extra)
{
    const QPixmap sprite(file);
    images.clear();
    delete extraPicture;
    extraPicture = nullptr;
    if (n > 0) {
        const int fw = sprite.width() / n;
        for (int i = 0; i < n; ++i) {
            images.append(
                sprite.copy(i * fw, 0, fw, sprite.height())
                    .scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }
    if (!extra.isEmpty())
        extraPicture = new QPixmap(extra);
    frameCount = n;
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    visualState = 0;
    update();
}

void QMyPushButton::SetPicture(QString file0, QString file1, int n, QString extra)
{
    Q_UNUSED(extra);
    picture0 = file0;
    picture1 = file1;
    frameCount = n;
    setCurState(0);
}

void QMyPushButton::setCurState(int s)
{
    if (picture0.isEmpty() || picture1.isEmpty())
        return;
    SetPicture(s != 0 ? picture1 : picture0, frameCount, QString());
    curState = s;
}

void QMyPushButton::setPixmapList(QList<QString>& files)
{
    if (files.isEmpty())
        return;
    images.clear();
    for (const QString& f : files)
        images.append(QPixmap(f));
}

QSize QMyPushButton::sizeHint() const
{
    return QPushButton::sizeHint();
}

void QMyPushButton::enterEvent(QEnterEvent* e)
{
    visualState = images.size() > 1 ? 1 : 0;
    update();
    QPushButton::enterEvent(e);
}

void QMyPushButton::leaveEvent(QEvent* e)
{
    visualState = 0;
    update();
    QPushButton::leaveEvent(e);
}

void QMyPushButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && images.size() >= 3) {
        visualState = 2;
        update();
    }
}

void QMyPushButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && images.size() >= 2) {
        visualState = 1;
        update();
    }
    emit clicked(false);
}

void QMyPushButton::changeEvent(QEvent* e)
{
    // A button enabled again must not keep the disabled look until the mouse
    // happens to pass over it.
    if (e->type() == QEvent::EnabledChange && isEnabled() && visualState == 3) {
        visualState = 0;
        update();
    }
    QPushButton::changeEvent(e);
}

void QMyPushButton::paintEvent(QPaintEvent* e)
{
    const int c = images.size();
    if (!isEnabled() && c >= 4) {
        visualState = 3;
    } else if (c < 2) {
        QPushButton::paintEvent(e);
        return;
    }
    // setPixmapList may leave fewer pictures than the state last shown.
    const int index = visualState < c ? visualState : 0;

    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), images.at(index));

    const QString caption = text();
    if (caption.isEmpty())
        return;
    QFont f = font();
    f.setFamily(g_Global.fontName);
    f.setPixelSize(qMax(1, pt2pix_scale(fontPointSize)));
    f.setWeight(QFont::Bold);
    p.setFont(f);

    QColor color;
    if (useTextColor)
        color = textColor;
    else
        color = isDefault() ? QColor(255, 255, 255) : QColor(210, 210, 210);
    if (useHoverTextColor && visualState == 1)
        color = hoverTextColor;
    p.setPen(color);
    const int x = int(width() * textLeftRatio);
    p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignCenter, caption);
}
