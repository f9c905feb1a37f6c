#include "qwaitwidget.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include "picturebox.h"
#include "stdafx.h"

namespace
{
constexpr int kLoadingFrames = 16;
constexpr int kLoadingFrameMs = 60;
// Width to height of the no-camera picture's place.
constexpr double kNoCameraAspect = 2.86;
} // namespace

QWaitWidget::QWaitWidget(QWidget* parent) : QWidget(parent)
{
    m_animBox = new PictureBox(this);
    m_animBox->LoadAnimPicture(QStringLiteral(":/images/res/loading16.png"), kLoadingFrames,
                               kLoadingFrameMs);
    m_animBox->hide();

    m_noCameraBox = new PictureBox(this);
    m_noCameraBox->setImage(QImage(QStringLiteral(":/images/res/no-camera.png")), 1.0);
    m_noCameraBox->hide();
}

QWaitWidget::~QWaitWidget() = default;

void QWaitWidget::show()
{
    QWidget::show();
    if (m_animation) {
        m_noCameraBox->hide();
        m_animBox->show();
        m_animBox->PlayAnim();
    } else {
        // With a device showing, the picture is left as it was.
        if (g_Global.noDevicePicture)
            m_noCameraBox->show();
        m_animBox->hide();
    }
}

void QWaitWidget::stopAnimation()
{
    m_animBox->StopAnim();
}

void QWaitWidget::layoutBoxes()
{
    const int W = width();
    const int H = height();
    const int a = int(qMin(W, H) * 0.135);
    const int b = int(a * 1.26);
    m_animBox->setGeometry((W - b) / 2, (H - a) / 2, b, a);

    const QRect area(int(0.23 * W), int(0.37 * H), int(0.55 * W), int(0.26 * H));
    m_noCameraBox->setGeometry(GetNewRectByAspecrate(area, kNoCameraAspect));
}

void QWaitWidget::resizeEvent(QResizeEvent* e)
{
    layoutBoxes();
    QWidget::resizeEvent(e);
}

void QWaitWidget::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    painter.setBrush(Qt::black);
    painter.setPen(QPen(QBrush(Qt::black), 4, Qt::DashLine));
    painter.drawRect(rect());
    painter.end();
    QWidget::paintEvent(e);
}
