#include "picturebox.h"

#include <QPainter>
#include <QTimer>
#include <cmath>

#include "screenscale.h"

PictureBox::PictureBox(QWidget* parent)
    : QLabel(parent), picture(IMAGE_SIZE), background(QColor(255, 255, 255, 0), Qt::SolidPattern)
{
    picture.fill(Qt::white);
    setAttribute(Qt::WA_TranslucentBackground);
}

PictureBox::~PictureBox()
{
    if (timer) {
        timer->stop();
        delete timer;
        timer = nullptr;
    }
}

static QSize zoomedSize(const QPixmap& pic, double zoom)
{
    return QSize(int(std::lround(pic.width() * zoom)), int(std::lround(pic.height() * zoom)));
}

void PictureBox::setBackground(QBrush b)
{
    background = b;
    update();
}

void PictureBox::setMode(PB_MODE m)
{
    mode = m;
    if (mode == AUTO_SIZE) {
        setFixedSize(zoomedSize(picture, zoom));
    } else {
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setMinimumSize(0, 0);
    }
    update();
}

bool PictureBox::setImage(const QImage& img, double z)
{
    if (img.isNull())
        return false;
    picture = QPixmap::fromImage(img);
    zoom = qBound(0.01, z, 100.0);
    if (mode == AUTO_SIZE)
        setFixedSize(zoomedSize(picture, zoom));
    update();
    return true;
}

void PictureBox::cutFrames()
{
    const QPixmap sprite(animFile);
    const int n = frameCount;
    if (n <= 0)
        return;
    const int cw = sprite.width() / n;
    const int tw = int(width() * g_dpi_percent);
    const int th = int(height() * g_dpi_percent);
    for (int i = 0; i < n; ++i) {
        frames.append(sprite.copy(i * cw, 0, cw, sprite.height())
                          .scaled(tw, th, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
}

void PictureBox::LoadAnimPicture(QString file, int n, int intervalMs)
{
    animFile = file;
    frameCount = n;
    frames.clear();
    cutFrames();
    frameCount = n;
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    currentFrame = 0;
    if (!timer) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &PictureBox::animtimer);
    }
    timer->start(intervalMs);
    interval = intervalMs;
    cutSize = size();
}

void PictureBox::StopAnim()
{
    if (timer)
        timer->stop();
}

void PictureBox::PlayAnim()
{
    if (timer)
        timer->start(interval);
}

void PictureBox::animtimer()
{
    if (paused)
        return;
    ++currentFrame;
    if (currentFrame >= frameCount)
        currentFrame = 0;
    if (size() != cutSize) {
        frames.clear();
        cutFrames();
        cutSize = size();
    }
    update();
}

void PictureBox::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    QPainter p(this);
    if (frames.size() >= 2) {
        if (currentFrame >= 0 && currentFrame < frames.size())
            p.drawPixmap(rect(), frames.at(currentFrame));
        return;
    }

    p.fillRect(rect(), background);
    if (picture.isNull())
        return;
    const int w = width();
    const int h = height();
    const int pw = picture.width();
    const int ph = picture.height();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    switch (mode) {
    case FIXED_SIZE:
    case AUTO_SIZE:
        p.scale(zoom, zoom);
        p.drawPixmap(0, 0, picture);
        break;
    case FIX_SIZE_CENTRED:
        p.translate(int((w - pw * zoom) / 2), int((h - ph * zoom) / 2));
        p.scale(zoom, zoom);
        p.drawPixmap(0, 0, picture);
        break;
    case AUTO_ZOOM: {
        const double s = qMin(double(w) / pw, double(h) / ph);
        const QPixmap fitted = picture.scaled(int(pw * s), int(ph * s), Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation);
        p.drawPixmap(int((w - pw * s) / 2), int((h - ph * s) / 2), fitted);
        break;
    }
    case STRETCH:
        p.drawPixmap(rect(), picture);
        break;
    default:
        break;
    }
}
