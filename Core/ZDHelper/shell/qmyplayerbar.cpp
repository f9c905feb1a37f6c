#include "qmyplayerbar.h"

#include <QEvent>
#include <QPaintEvent>
#include <QTimer>

#include "cpublic.h"
#include "myevent.h"
#include "qdisablepreviewwidget.h"
#include "qwaitwidget.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{
// About 60 pictures a second; the engine does the drawing.
constexpr int kRenderIntervalMs = 16;
} // namespace

QMyPlayerBar::QMyPlayerBar(QWidget* parent) : QWidget(parent)
{
    m_spare = new QWidget(this);
    m_spare->hide();

    // The covers lie over the bar as its siblings, so that they stack above
    // the window the engine draws into.
    QWidget* coverParent = parent ? parent : this;
    m_wait = new QWaitWidget(coverParent);
    m_wait->setObjectName(QStringLiteral("waitBar"));
    m_disable = new QDisablePreviewWidget(coverParent);

    m_wait->setAnimation(false);
    m_wait->show();
    m_waitShown = true;
    m_disable->hide();

    m_renderTimer = new QTimer(this);
    m_renderTimer->setTimerType(Qt::PreciseTimer);
    connect(m_renderTimer, &QTimer::timeout, this, &QMyPlayerBar::timer_refresh);
    m_renderTimer->start(kRenderIntervalMs);
}

QMyPlayerBar::~QMyPlayerBar() = default;

QWaitWidget* QMyPlayerBar::waitWidget() const
{
    return m_wait;
}

QDisablePreviewWidget* QMyPlayerBar::disableWidget() const
{
    return m_disable;
}

void QMyPlayerBar::timer_refresh()
{
    ZD_SDL_loop(g_Global.hCore);
}

void QMyPlayerBar::fitSpareChild(int w, int h)
{
    m_spare->setGeometry(0, 0, w, h);
    m_spare->hide();
}

void QMyPlayerBar::setGeometry(int x, int y, int w, int h)
{
    if (m_wait)
        m_wait->setGeometry(x, y, w, h);
    if (m_disable)
        m_disable->setGeometry(x, y, w, h);
    if (w == 0 && h == 0)
        fitSpareChild(width(), height());
    else
        fitSpareChild(w, h);
    QWidget::setGeometry(x, y, w, h);
    if (g_Global.hCore)
        ZD_UpdateVideoSize(g_Global.hCore, x, y, w, h);
}

void QMyPlayerBar::force_window_rect(QRect r)
{
    if (g_Global.hCore)
        ZD_UpdateVideoSize(g_Global.hCore, r.left(), r.top(), r.width(), r.height());
    fitSpareChild(width(), height());
}

void QMyPlayerBar::showDisablePreviewWidget(bool on)
{
    if (!m_disable)
        return;
    if (!on) {
        m_disable->hide();
        return;
    }
    m_disable->setGeometry(geometry());
    // In the program's own temporary folder: a killed run's frame goes at the
    // next start.
    const QString path = CPublic::GetAppTempFile(QStringLiteral("jpg"));
    if (!path.isEmpty())
        ZD_ScreenShot_bmp(g_Global.hCore, path.toUtf8().constData(), -1);
    m_disable->setFrozenFramePath(path);
    m_disable->update();
    m_disable->QWidget::show();
    m_disable->raise();
}

void QMyPlayerBar::resizeAll() {}

void QMyPlayerBar::paintEvent(QPaintEvent* e)
{
    if (updatesEnabled())
        QWidget::paintEvent(e);
}

void QMyPlayerBar::showWait(bool animation)
{
    if (!m_wait)
        return;
    m_wait->setGeometry(geometry());
    m_wait->setAnimation(animation);
    m_wait->show();
    m_wait->raise();
    m_waitShown = true;
}

void QMyPlayerBar::hideWait()
{
    if (m_wait) {
        m_wait->hide();
        m_wait->stopAnimation();
    }
    m_waitShown = false;
}

bool QMyPlayerBar::event(QEvent* e)
{
    if (e->type() == MyEvent::EventType) {
        auto* m = static_cast<MyEvent*>(e);
        const int64_t w = m->wParam;
        switch (m->msg) {
        case MSG_PREVIEW_LOADING:
            if (w == 0) {
                showWait(true);
                if (m_disable)
                    m_disable->hide();
            }
            break;
        case MSG_DEVICE_OPENED:
            if (w == 0) {
                fitSpareChild(width(), height());
                hideWait();
                // The live canvas without any source: the no-camera picture
                // stands over the empty canvas.
                if (g_Global.noDevicePicture && g_Global.isRecordInterface == 0)
                    showWait(false);
            }
            break;
        case MSG_DEVICE_LOST:
            showWait(false);
            break;
        case MSG_DEVICE_CLOSED:
            if (w == 0)
                showWait(false);
            break;
        case MSG_NO_DEVICE_PICTURE:
            if (w == 0) {
                g_Global.noDevicePicture = 0;
                hideWait();
            } else {
                g_Global.noDevicePicture = 1;
            }
            if (m_disable)
                m_disable->hide();
            break;
        default:
            break;
        }
    }
    return QWidget::event(e);
}
