#include "qshowbarbutton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "stdafx.h"
#include "zdhelpergui.h"

namespace
{
constexpr double kRestingOpacity = 0.5;
} // namespace

QShowBarButton::QShowBarButton(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::ToolTip | Qt::FramelessWindowHint), m_mainWindow(mainWindow)
{
    setWindowOpacity(kRestingOpacity);
    setObjectName(QStringLiteral("QShowBarButton"));
    setWindowTitle(QStringLiteral("QShowBarButton"));
    resize(400, 300);
}

QShowBarButton::~QShowBarButton() = default;

void QShowBarButton::resizeAll(int x, int y)
{
    if (!m_mainWindow)
        return;
    const QRect main = m_mainWindow->geometry();
    const int X = x >= 0 ? x : main.left();
    const int Y = y >= 0 ? y : main.top();
    const int R = X + main.width();
    const int k = main.height() - 1;
    if (g_Global.isFullScreen)
        setGeometry(R - 90, Y + (k - 119) / 2, 80, 120);
    else
        setGeometry(R - 50, Y + (k - 79) / 2, 40, 80);
}

void QShowBarButton::onMouseMove(int gx, int gy, QWidget* widget)
{
    Q_UNUSED(gy);
    Q_UNUSED(widget);
    if (!m_armed)
        return;
    if (gx <= geometry().left()) {
        if (isVisible())
            hide();
    } else if (!isVisible()) {
        show();
    }
}

void QShowBarButton::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    if (auto* main = qobject_cast<ZDHelperGUI*>(m_mainWindow))
        main->ShowBar(nullptr);
}

void QShowBarButton::enterEvent(QEnterEvent* e)
{
    setWindowOpacity(1.0);
    QWidget::enterEvent(e);
}

void QShowBarButton::leaveEvent(QEvent* e)
{
    setWindowOpacity(kRestingOpacity);
    QWidget::leaveEvent(e);
}

void QShowBarButton::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPixmap tab(QStringLiteral(":/images/res/right.png"));
    painter.drawPixmap(rect(), tab.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.end();
    QWidget::paintEvent(e);
}
